#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "adapters/sim/net/curl_http_session.h"
#include "support/test_platform.h"
#include "update/handover_dispatch.h"
#include "update/tls_test_server.h"
#include "update/update_checker.h"

namespace strandel {
namespace {

using test::RefusingPort;
using test::Route;
using test::SilentPort;
using test::TestCertificate;
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

enum class Outcome { nothing, failure, upToDate, prompt };

struct Shown {
  sim::AlertRecord record;
  int activationsBefore;  // how often the program came to the front before it showed
};

class UpdateCheckTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::map<std::string, Route> routes = {
        {kManifestPath, Route::ok(manifest("2.0.0"))},
        {"/same", Route::ok(manifest("1.4.0"))},
        {"/older", Route::ok(manifest("1.3.9"))},
        {"/not-found", Route::withStatus(404, "Not Found", "text/html",
                                         "<!DOCTYPE html><html><body>Not Found</body></html>")},
        {"/not-found-manifest",
         Route::withStatus(404, "Not Found", "application/json", manifest("2.0.0"))},
        {"/empty", Route::ok("")},
        {"/garbage", Route::ok(std::string("\x00\xFF{\"version\":", 13))},
        {"/refused-manifest", Route::ok(R"({"version":"2.0.0","build":"7","downloadUrl":"x"})")},
        {"/huge",
         Route::ok(manifest("2.0.0", kDownload,
                            R"(,"releaseNotes":")" + std::string(1100 * 1024, 'n') + "\""))},
        {"/hang", Route::hanging()},
        {"/notes-absent", Route::ok(manifest("2.0.0"))},
        {"/notes-null", Route::ok(manifest("2.0.0", kDownload, R"(,"releaseNotes":null)"))},
        {"/notes-empty", Route::ok(manifest("2.0.0", kDownload, R"(,"releaseNotes":"")"))},
        {"/notes",
         Route::ok(manifest("2.0.0", kDownload, R"(,"releaseNotes":"- Faster\n- 100% %@ safe")"))},
        {"/v1.0.1", Route::ok(manifest("1.0.1"))},
        {"/v1.0.0", Route::ok(manifest("1.0.0"))},
    };
    for (size_t i = 0; i < downloadAddresses().size(); ++i) {
      routes["/download/" + std::to_string(i)] =
          Route::ok(manifest("2.0.0", downloadAddresses()[i].first));
    }
    server_ = new TlsTestServer(TestCertificate::shared(), std::move(routes));
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  // Download addresses and whether the download button may open them.
  static const std::vector<std::pair<std::string, bool>>& downloadAddresses() {
    static const std::vector<std::pair<std::string, bool>> addresses = {
        {"https://example.org/strandel.zip", true},
        {"http://example.org/strandel.zip", true},
        {"HTTPS://EXAMPLE.org/strandel.zip", true},
        {"HtTp://example.org/", true},
        {"not a url", false},  // the URL parser refuses blanks
        {"", false},
        {"file:///Applications/Calculator.app", false},
        {"x-apple.systempreferences:com.apple.preference.security", false},
        {"javascript:alert(1)", false},
        {"ftp://example.org/strandel.zip", false},
        {"httpx://example.org/", false},
        {"//example.org/strandel.zip", false},
    };
    return addresses;
  }

  void SetUp() override {
    tp_.bundle->strings = kTexts;
    tp_.bundle->info["CFBundleShortVersionString"] = std::string("1.4.0");
    dispatch_ = std::make_shared<test::HandOverDispatch>(tp_.loop);
    tp_.platform.dispatch = dispatch_;
    sim::CurlHTTPSession::Options options;
    options.trustedCertificateFile = TestCertificate::shared().certFile;
    tp_.platform.http = std::make_shared<sim::CurlHTTPSession>(options);
    tp_.platform.alerts = std::make_shared<sim::SimAlerts>([this](const sim::AlertRecord& r) {
      shown_.push_back(Shown{r, tp_.application->activationCount()});
      size_t answer = answers_.empty() ? 1 : answers_.front();  // "Later" unless told
      if (!answers_.empty()) answers_.pop_front();
      return answer;
    });
  }

  void TearDown() override {
    UpdateChecker::setCheckURLForTesting(std::nullopt);
    UpdateChecker::setRequestTimeoutForTesting(std::nullopt);
    tp_.platform.http.reset();  // joins the session's thread while the platform is whole
  }

  // One check against `url`, run until its decision has been made on the main queue.
  void checkAt(const std::string& url, bool manual) {
    UpdateChecker::setCheckURLForTesting(URL{url});
    UpdateChecker::check(manual);
    ASSERT_TRUE(dispatch_->waitAndRun(1, kWait)) << "no answer posted for " << url;
  }

  // The outcome of the only alert shown since the last call, after checking that it was
  // made the way its kind demands.
  Outcome takeOutcome() {
    if (shown_.empty()) return Outcome::nothing;
    EXPECT_EQ(shown_.size(), 1u);
    Shown s = shown_.front();
    shown_.clear();
    EXPECT_EQ(s.activationsBefore, ++activations_) << "the program comes to the front first";
    EXPECT_EQ(s.record.style, AlertStyle::informational);
    if (s.record.buttons == std::vector<std::string>{"Download", "Later"}) {
      EXPECT_EQ(s.record.messageText, "Version 2.0.0 is available");
      EXPECT_EQ(s.record.informativeText, "You have 1.4.0; 2.0.0 is out.");
      return Outcome::prompt;
    }
    EXPECT_EQ(s.record.buttons, std::vector<std::string>{"OK"});
    if (s.record.messageText == "Up to date, 100%%") {
      EXPECT_EQ(s.record.informativeText, "1.4.0 is the newest version.");
      return Outcome::upToDate;
    }
    EXPECT_EQ(s.record.messageText, "Check failed %@");
    EXPECT_EQ(s.record.informativeText, "Try again later, 100%% sure");
    return Outcome::failure;
  }

  test::TestPlatform tp_;
  std::shared_ptr<test::HandOverDispatch> dispatch_;
  std::vector<Shown> shown_;
  std::deque<size_t> answers_;
  int activations_ = 0;
  static TlsTestServer* server_;
};
TlsTestServer* UpdateCheckTest::server_ = nullptr;

TEST_F(UpdateCheckTest, ChecksTheFixedHttpsAddress) {
  const URL& url = UpdateChecker::checkURL();
  EXPECT_EQ(url.absoluteString.rfind("https://", 0), 0u);
  EXPECT_EQ(
      url.absoluteString.substr(url.absoluteString.size() - std::string(kManifestPath).size()),
      kManifestPath);
  // "https://", a host, then the path.
  EXPECT_EQ(url.absoluteString.find('/', 8),
            url.absoluteString.size() - std::string(kManifestPath).size());
  EXPECT_EQ(&url, &UpdateChecker::checkURL());
}

TEST_F(UpdateCheckTest, FollowsTheDecisionTable) {
  RefusingPort refusing;
  SilentPort silent;
  const std::string refused = "https://127.0.0.1:" + std::to_string(refusing.port()) + "/";
  const std::string mute = "https://127.0.0.1:" + std::to_string(silent.port()) + "/";
  struct Case {
    std::string name;
    std::string url;
    double timeout;
    Outcome manual;
    Outcome silent;
  };
  const std::vector<Case> cases = {
      {"newer manifest", server_->url(kManifestPath), 10, Outcome::prompt, Outcome::prompt},
      {"a 404 whose body is a manifest", server_->url("/not-found-manifest"), 10, Outcome::prompt,
       Outcome::prompt},
      {"same version", server_->url("/same"), 10, Outcome::upToDate, Outcome::nothing},
      {"older version", server_->url("/older"), 10, Outcome::upToDate, Outcome::nothing},
      {"a 404 page", server_->url("/not-found"), 10, Outcome::failure, Outcome::nothing},
      {"an empty body", server_->url("/empty"), 10, Outcome::failure, Outcome::nothing},
      {"garbage", server_->url("/garbage"), 10, Outcome::failure, Outcome::nothing},
      {"a refused manifest", server_->url("/refused-manifest"), 10, Outcome::failure,
       Outcome::nothing},
      {"a body over 1 MiB", server_->url("/huge"), 10, Outcome::failure, Outcome::nothing},
      {"a server that never answers", server_->url("/hang"), 0.3, Outcome::failure,
       Outcome::nothing},
      {"a server that never shakes hands", mute, 0.3, Outcome::failure, Outcome::nothing},
      {"a refused connection", refused, 10, Outcome::failure, Outcome::nothing},
  };
  for (const auto& c : cases) {
    for (bool manual : {true, false}) {
      SCOPED_TRACE(c.name + (manual ? ", manual" : ", silent"));
      UpdateChecker::setRequestTimeoutForTesting(c.timeout);
      checkAt(c.url, manual);
      EXPECT_EQ(takeOutcome(), manual ? c.manual : c.silent);
    }
  }
  EXPECT_TRUE(tp_.openedURLs.empty());  // every prompt was answered "Later"
  EXPECT_EQ(dispatch_->waiting(), 0u);  // one post per check, no more
}

TEST_F(UpdateCheckTest, AsksWithoutCachesWithinTenSeconds) {
  // The request as the session sees it.
  auto recorder = std::make_shared<test::FakeHTTPSession>();
  tp_.platform.http = recorder;
  UpdateChecker::check(true);
  ASSERT_EQ(recorder->tasks.size(), 1u);
  const URLRequest& request = recorder->tasks[0].request;
  EXPECT_EQ(request.url, UpdateChecker::checkURL());
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.cachePolicy, CachePolicy::reloadIgnoringLocalAndRemoteCacheData);
  EXPECT_EQ(request.timeoutInterval, 10.0);
  EXPECT_EQ(dispatch_->waiting(), 0u);  // nothing happens until the session answers

  // And as the server sees it.
  tp_.platform.http = std::make_shared<sim::CurlHTTPSession>([] {
    sim::CurlHTTPSession::Options options;
    options.trustedCertificateFile = TestCertificate::shared().certFile;
    return options;
  }());
  size_t before = server_->requests().size();
  checkAt(server_->url(kManifestPath), false);
  auto requests = server_->requests();
  ASSERT_EQ(requests.size(), before + 1);
  EXPECT_EQ(requests.back().method, "GET");
  EXPECT_EQ(requests.back().path, kManifestPath);
  EXPECT_TRUE(requests.back().hasHeader("Cache-Control: no-cache"));
  EXPECT_TRUE(requests.back().hasHeader("Pragma: no-cache"));
}

TEST_F(UpdateCheckTest, AnswersWithoutBodyOrWithErrorAndBodyFail) {
  auto session = std::make_shared<test::FakeHTTPSession>();
  tp_.platform.http = session;
  const std::string good = manifest("2.0.0");
  for (bool manual : {true, false}) {
    SCOPED_TRACE(manual ? "manual" : "silent");
    session->tasks.clear();
    UpdateChecker::check(manual);
    UpdateChecker::check(manual);
    ASSERT_EQ(session->tasks.size(), 2u);
    session->tasks[0].completion(std::nullopt, std::nullopt);
    session->tasks[1].completion(Bytes(good.begin(), good.end()), PlatformError{"reset"});
    ASSERT_TRUE(dispatch_->waitAndRun(2, kWait));
    std::vector<Shown> all = shown_;
    ASSERT_EQ(all.size(), manual ? 2u : 0u);
    for (const Shown& s : all) {
      shown_ = {s};
      EXPECT_EQ(takeOutcome(), Outcome::failure);
    }
  }
}

TEST_F(UpdateCheckTest, PromptAppendsReleaseNotesOnlyWhenThereAreSome) {
  struct Case {
    std::string path;
    std::string informative;
  };
  const std::string message = "You have 1.4.0; 2.0.0 is out.";
  const std::vector<Case> cases = {
      {"/notes-absent", message},
      {"/notes-null", message},
      {"/notes-empty", message},
      {"/notes", message + "\n\n- Faster\n- 100% %@ safe"},  // notes are never formatted
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    checkAt(server_->url(c.path), false);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].record.informativeText, c.informative);
    shown_.clear();
  }
}

TEST_F(UpdateCheckTest, DownloadOpensOnlyWebAddresses) {
  const auto& addresses = downloadAddresses();
  for (size_t i = 0; i < addresses.size(); ++i) {
    SCOPED_TRACE(addresses[i].first);
    tp_.openedURLs.clear();
    answers_ = {0};  // "Download"
    checkAt(server_->url("/download/" + std::to_string(i)), true);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].record.buttons, (std::vector<std::string>{"Download", "Later"}));
    shown_.clear();
    if (addresses[i].second) {
      EXPECT_EQ(tp_.openedURLs, std::vector<URL>{URL{addresses[i].first}});
    } else {
      EXPECT_TRUE(tp_.openedURLs.empty());
    }
  }
  // Whether the system opened it changes nothing.
  tp_.openURLResult = false;
  answers_ = {0};
  checkAt(server_->url("/download/0"), true);
  EXPECT_EQ(tp_.openedURLs.size(), 1u);
  EXPECT_EQ(shown_.size(), 1u);
}

TEST_F(UpdateCheckTest, LaterForgetsAndTheNextCheckOffersTheSameVersion) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    answers_ = {1};
    checkAt(server_->url(kManifestPath), false);
    EXPECT_EQ(takeOutcome(), Outcome::prompt);
  }
  EXPECT_TRUE(tp_.openedURLs.empty());
}

TEST_F(UpdateCheckTest, OverlappingChecksEachEndInTheirOwnAlert) {
  UpdateChecker::setCheckURLForTesting(URL{server_->url(kManifestPath)});
  UpdateChecker::check(true);
  UpdateChecker::check(true);
  UpdateChecker::setCheckURLForTesting(URL{server_->url("/same")});
  UpdateChecker::check(true);
  UpdateChecker::setCheckURLForTesting(URL{server_->url("/not-found")});
  UpdateChecker::check(true);
  UpdateChecker::check(false);  // silent and failing: says nothing
  ASSERT_TRUE(dispatch_->waitAndRun(5, kWait));

  std::vector<Shown> all = shown_;
  std::vector<Outcome> outcomes;
  for (const Shown& s : all) {
    shown_ = {s};
    outcomes.push_back(takeOutcome());
  }
  std::sort(outcomes.begin(), outcomes.end());
  EXPECT_EQ(outcomes, (std::vector<Outcome>{Outcome::failure, Outcome::upToDate, Outcome::prompt,
                                            Outcome::prompt}));
}

TEST_F(UpdateCheckTest, CurrentVersionComesFromTheBundle) {
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.4.0");
  tp_.bundle->info["CFBundleShortVersionString"] = std::string("");
  EXPECT_EQ(UpdateChecker::currentVersion(), "");                     // text, however short
  tp_.bundle->info["CFBundleShortVersionString"] = std::monostate{};  // not text
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.0.0");
  tp_.bundle->info.erase("CFBundleShortVersionString");
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.0.0");

  // Without a version of its own the program is offered anything above 1.0.0.
  checkAt(server_->url("/v1.0.1"), false);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].record.informativeText, "You have 1.0.0; 1.0.1 is out.");
  shown_.clear();
  checkAt(server_->url("/v1.0.0"), true);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].record.informativeText, "1.0.0 is the newest version.");
}

}  // namespace
}  // namespace strandel
