#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "adapters/sim/net/curl_http_session.h"
#include "support/test_platform.h"
#include "update/handover_dispatch.h"
#include "update/tls_test_server.h"
#include "update/update_checker.h"

namespace strandel {
namespace {

using test::Route;
using test::TlsTestServer;

constexpr auto kWait = std::chrono::seconds(20);
constexpr const char* kManifestPath = "/Harrowlark/strandel/version.json";
constexpr const char* kDownload = "https://example.org/strandel-2.0.0.zip";

// Texts with "%%" in the ones that must not be formatted, so that formatting them by
// mistake shows.
const std::map<std::string, std::string> kTexts = {
    {"update.newVersionTitle", "Version %@ is available"},
    {"update.newVersionMessage", "You have %1$@; %2$@ is out."},
    {"update.downloadButton", "Download"},
    {"update.laterButton", "Later"},
    {"update.latestTitle", "Up to date, 100%%"},
    {"update.latestMessage", "%@ is the newest version."},
    {"update.checkFailedTitle", "Check failed %@"},
    {"update.checkFailedMessage", "Try again later, 100%% sure"},
    {"update.okButton", "OK"},
};

std::string manifest(const std::string& version, const std::string& url = kDownload,
                     const std::string& notesMember = "") {
  return R"({"version":")" + version + R"(","build":7,"downloadUrl":")" + url + "\"" + notesMember +
         "}";
}

enum class Outcome { malformed, failure, upToDate, prompt };

class UpdateCheckTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new TlsTestServer({
        {kManifestPath, Route{.body = manifest("2.0.0")}},
        {"/same", Route{.body = manifest("1.4.0")}},
        {"/not-found", Route{404, "text/html", "<html><body>Not Found</body></html>"}},
        {"/not-found-manifest", Route{404, "application/json", manifest("2.0.0")}},
        {"/empty", Route{.body = ""}},
        {"/garbage", Route{.body = std::string("\x00\xFF{\"version\":", 13)}},
        {"/hang", Route{.hang = true}},
    });
  }
  static void TearDownTestSuite() { delete server_; }

  void SetUp() override {
    tp_.bundle->strings = kTexts;
    tp_.bundle->info["CFBundleShortVersionString"] = std::string("1.4.0");
    tp_.platform.dispatch = dispatch_;
    sim::CurlHTTPSession::Options options;
    options.trustedCertificateFile = test::TestCertificate::shared().certFile;
    tp_.platform.http = std::make_shared<sim::CurlHTTPSession>(options);
    tp_.platform.alerts = std::make_shared<sim::SimAlerts>([this](const sim::AlertRecord& r) {
      shown_.push_back({r, tp_.application->activationCount()});
      const size_t answer = answers_.empty() ? 1 : answers_.front();  // "Later" unless told
      if (!answers_.empty()) answers_.pop_front();
      return answer;
    });
  }
  void TearDown() override {
    UpdateChecker::setCheckURLForTesting(std::nullopt);
    UpdateChecker::setRequestTimeoutForTesting(std::nullopt);
    tp_.platform.http.reset();  // joins the session's thread while the platform is whole
  }

  // Checks against `url` on the real session, until the decision has been made.
  void checkAt(const std::string& url, bool manual) {
    UpdateChecker::setCheckURLForTesting(URL{url});
    UpdateChecker::check(manual);
    ASSERT_TRUE(dispatch_->waitAndRun(1, kWait)) << "no answer posted for " << url;
  }
  // Checks with the fake session answering `body`.
  void checkAnswered(bool manual, const std::string& body) {
    auto session = std::make_shared<test::FakeHTTPSession>();
    tp_.platform.http = session;
    UpdateChecker::check(manual);
    ASSERT_TRUE(session->respond(0, body));
    ASSERT_TRUE(dispatch_->waitAndRun(1, kWait));
  }

  // The outcome of each alert shown since the last call; an alert that is not exactly one
  // of the three kinds fails the test.
  std::vector<Outcome> takeOutcomes() {
    const auto alert = [](std::string title, std::string text, std::vector<std::string> buttons) {
      return sim::AlertRecord{title, text, AlertStyle::informational, buttons};
    };
    const std::pair<Outcome, sim::AlertRecord> kinds[] = {
        {Outcome::prompt, alert("Version 2.0.0 is available", "You have 1.4.0; 2.0.0 is out.",
                                {"Download", "Later"})},
        {Outcome::upToDate, alert("Up to date, 100%%", "1.4.0 is the newest version.", {"OK"})},
        {Outcome::failure, alert("Check failed %@", "Try again later, 100%% sure", {"OK"})}};
    const auto fields = [](const sim::AlertRecord& r) {
      return std::tie(r.messageText, r.informativeText, r.style, r.buttons);
    };
    std::vector<Outcome> outcomes;
    for (const Shown& s : std::exchange(shown_, {})) {
      EXPECT_EQ(s.activationsBefore, ++activations_) << "the program comes to the front first";
      const auto* kind = std::find_if(std::begin(kinds), std::end(kinds), [&](const auto& k) {
        return fields(k.second) == fields(s.record);
      });
      EXPECT_NE(kind, std::end(kinds)) << s.record.messageText << " / " << s.record.informativeText;
      outcomes.push_back(kind == std::end(kinds) ? Outcome::malformed : kind->first);
    }
    return outcomes;
  }

  struct Shown {
    sim::AlertRecord record;
    int activationsBefore;  // how often the program came to the front before it showed
  };
  test::TestPlatform tp_;
  std::shared_ptr<test::HandOverDispatch> dispatch_ =
      std::make_shared<test::HandOverDispatch>(tp_.loop);
  std::vector<Shown> shown_;
  std::deque<size_t> answers_;
  int activations_ = 0;
  static TlsTestServer* server_;
};
TlsTestServer* UpdateCheckTest::server_ = nullptr;

TEST_F(UpdateCheckTest, FollowsTheDecisionTableAgainstARealServer) {
  test::RefusingPort refusing;
  // The outcome of a manual check; a silent one speaks only of a newer version.
  const std::tuple<std::string, std::string, Outcome> cases[] = {
      {"newer manifest", server_->url(kManifestPath), Outcome::prompt},
      {"a 404 whose body is a manifest", server_->url("/not-found-manifest"), Outcome::prompt},
      {"same version", server_->url("/same"), Outcome::upToDate},
      {"a 404 page", server_->url("/not-found"), Outcome::failure},
      {"an empty body", server_->url("/empty"), Outcome::failure},
      {"garbage", server_->url("/garbage"), Outcome::failure},
      {"a server that never answers", server_->url("/hang"), Outcome::failure},
      {"a refused connection", refusing.url(), Outcome::failure},
  };
  for (const auto& [name, url, outcome] : cases) {
    for (bool manual : {true, false}) {
      SCOPED_TRACE(name + (manual ? ", manual" : ", silent"));
      UpdateChecker::setRequestTimeoutForTesting(url.ends_with("/hang") ? 0.3 : 10);
      checkAt(url, manual);
      const bool speaks = manual || outcome == Outcome::prompt;
      EXPECT_EQ(takeOutcomes(), std::vector<Outcome>(speaks ? 1 : 0, outcome));
    }
  }
  // Every prompt was answered "Later": nothing opened, and the next check offered the same
  // version again.
  EXPECT_TRUE(tp_.openedURLs.empty());
  EXPECT_EQ(dispatch_->waiting(), 0u);  // one post per check, no more
}

TEST_F(UpdateCheckTest, AsksTheFixedHttpsAddressWithoutCachesWithinTenSeconds) {
  const std::string url = UpdateChecker::checkURL().absoluteString;  // https, a host, the path
  EXPECT_EQ(url.substr(0, 8) + url.substr(url.find('/', 8)),
            std::string("https://") + kManifestPath);

  // The request as the session sees it, and nothing happens until the session answers.
  auto recorder = std::make_shared<test::FakeHTTPSession>();
  tp_.platform.http = recorder;
  UpdateChecker::check(true);
  ASSERT_EQ(recorder->tasks.size(), 1u);
  const URLRequest& request = recorder->tasks[0].request;
  EXPECT_EQ(request.url, UpdateChecker::checkURL());
  EXPECT_EQ(request.cachePolicy, CachePolicy::reloadIgnoringLocalAndRemoteCacheData);
  EXPECT_EQ(request.timeoutInterval, 10.0);
  EXPECT_EQ(dispatch_->waiting(), 0u);
}

TEST_F(UpdateCheckTest, AnAnswerWithoutBodyOrWithAnErrorFails) {
  for (bool manual : {true, false}) {
    SCOPED_TRACE(manual ? "manual" : "silent");
    auto session = std::make_shared<test::FakeHTTPSession>();
    tp_.platform.http = session;
    UpdateChecker::check(manual);
    UpdateChecker::check(manual);
    const std::string good = manifest("2.0.0");
    session->tasks[0].completion(std::nullopt, std::nullopt);
    session->tasks[1].completion(Bytes(good.begin(), good.end()), PlatformError{"reset"});
    ASSERT_TRUE(dispatch_->waitAndRun(2, kWait));
    EXPECT_EQ(takeOutcomes(), std::vector<Outcome>(manual ? 2 : 0, Outcome::failure));
  }
}

TEST_F(UpdateCheckTest, ThePromptAppendsReleaseNotesOnlyWhenThereAreSome) {
  const std::string message = "You have 1.4.0; 2.0.0 is out.";
  const std::pair<std::string, std::string> cases[] = {
      {"", message},
      {R"(,"releaseNotes":null)", message},
      {R"(,"releaseNotes":"")", message},
      {R"(,"releaseNotes":"- Faster\n- 100% %@ safe")", message + "\n\n- Faster\n- 100% %@ safe"},
  };
  for (const auto& [notes, informative] : cases) {
    SCOPED_TRACE(notes);
    checkAnswered(false, manifest("2.0.0", kDownload, notes));
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].record.informativeText, informative);  // notes are never formatted
    shown_.clear();
  }
}

TEST_F(UpdateCheckTest, DownloadOpensOnlyWebAddresses) {
  const std::pair<std::string, bool> addresses[] = {
      {"https://example.org/strandel.zip", true},
      {"HtTp://example.org/", true},
      {"not a url", false},  // the URL parser refuses blanks
      {"file:///Applications/Calculator.app", false},
      {"file://localhost/Applications/Calculator.app", false},  // a host, not the web
      {"javascript:alert(1)", false},
      {"ftp://example.org/strandel.zip", false},
      {"//example.org/strandel.zip", false},
      {"https://[::1]:8443/strandel.zip", true},
      {"http://user@example.org:8080?get", true},
      {"http:/etc/passwd", false},  // web schemes without a host
      {"http:javascript:alert(1)", false},
      {"https:///strandel.zip", false},
      {"http://user@:80/", false},
      {"https://[]/strandel.zip", false},
  };
  tp_.openURLResult = false;  // whether the system opened it changes nothing
  for (const auto& [address, opens] : addresses) {
    SCOPED_TRACE(address);
    tp_.openedURLs.clear();
    answers_ = {0};  // "Download"
    checkAnswered(true, manifest("2.0.0", address));
    EXPECT_EQ(takeOutcomes(), std::vector{Outcome::prompt});
    EXPECT_EQ(tp_.openedURLs, opens ? std::vector<URL>{URL{address}} : std::vector<URL>{});
  }
}

TEST_F(UpdateCheckTest, OverlappingChecksEachEndInTheirOwnAlert) {
  for (const char* path : {kManifestPath, kManifestPath, "/same", "/not-found"}) {
    UpdateChecker::setCheckURLForTesting(URL{server_->url(path)});
    UpdateChecker::check(true);
  }
  UpdateChecker::check(false);  // silent and failing: says nothing
  ASSERT_TRUE(dispatch_->waitAndRun(5, kWait));
  std::vector<Outcome> outcomes = takeOutcomes();
  std::sort(outcomes.begin(), outcomes.end());
  EXPECT_EQ(outcomes, (std::vector<Outcome>{Outcome::failure, Outcome::upToDate, Outcome::prompt,
                                            Outcome::prompt}));
}

TEST_F(UpdateCheckTest, TheCurrentVersionComesFromTheBundleOr100) {
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.4.0");
  tp_.bundle->info["CFBundleShortVersionString"] = std::string("");
  EXPECT_EQ(UpdateChecker::currentVersion(), "");                     // text, however short
  tp_.bundle->info["CFBundleShortVersionString"] = std::monostate{};  // not text
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.0.0");
  tp_.bundle->info.erase("CFBundleShortVersionString");
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.0.0");

  // Without a version of its own the program is offered anything above 1.0.0.
  checkAnswered(false, manifest("1.0.1"));
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].record.informativeText, "You have 1.0.0; 1.0.1 is out.");
}

}  // namespace
}  // namespace strandel
