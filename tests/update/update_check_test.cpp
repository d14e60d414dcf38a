#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/test_platform.h"
#include "update/update_checker.h"

namespace strandel {
namespace {

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

// The checker on the fake session; on the real session against a real server it is the
// simulator's update transcripts, and how that session answers is its own suite.
class UpdateCheckTest : public testing::Test {
 protected:
  void SetUp() override {
    tp_.bundle->strings = kTexts;
    tp_.bundle->info["CFBundleShortVersionString"] = std::string("1.4.0");
    tp_.platform.alerts = std::make_shared<sim::SimAlerts>([this](const sim::AlertRecord& r) {
      shown_.push_back({r, tp_.application->activationCount()});
      const size_t answer = answers_.empty() ? 1 : answers_.front();  // "Later" unless told
      if (!answers_.empty()) answers_.pop_front();
      return answer;
    });
  }

  // Checks, with the session answering `body`.
  void checkAnswered(bool manual, const std::string& body) {
    UpdateChecker::check(manual);
    ASSERT_TRUE(tp_.http->respond(tp_.http->tasks.size() - 1, body));
    tp_.drain();
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
  std::vector<Shown> shown_;
  std::deque<size_t> answers_;
  int activations_ = 0;
};

// The session delivers the body of any status (its own suite), so only the body decides.
TEST_F(UpdateCheckTest, FollowsTheDecisionTable) {
  using Answer = std::function<void(const DataTaskCompletion&)>;
  const auto body = [](const std::string& text, std::optional<PlatformError> error = {}) {
    return [=](const DataTaskCompletion& done) { done(Bytes(text.begin(), text.end()), error); };
  };
  // The outcome of a manual check; a silent one speaks only of a newer version. A newer and
  // the same version, and a 404 page, are in the update_checks transcript, a silent newer one
  // in the interactive view's suite.
  const std::tuple<std::string, Answer, Outcome> cases[] = {
      {"an empty body", body(""), Outcome::failure},
      {"garbage", body(std::string("\x00\xFF{\"version\":", 13)), Outcome::failure},
      {"a manifest and an error", body(manifest("2.0.0"), PlatformError{"reset"}),
       Outcome::failure},
      {"an error", [](auto& done) { done(std::nullopt, PlatformError{"offline"}); },
       Outcome::failure},
      {"neither", [](auto& done) { done(std::nullopt, std::nullopt); }, Outcome::failure},
  };
  for (const auto& [name, answer, outcome] : cases) {
    for (bool manual : {true, false}) {
      SCOPED_TRACE(name + (manual ? ", manual" : ", silent"));
      UpdateChecker::check(manual);
      answer(tp_.http->tasks.back().completion);
      EXPECT_TRUE(shown_.empty()) << "decided on the session's thread, not the main queue";
      tp_.drain();
      const bool speaks = manual || outcome == Outcome::prompt;
      EXPECT_EQ(takeOutcomes(), std::vector<Outcome>(speaks ? 1 : 0, outcome));
    }
  }
}

// The request's 10-second time-out is in the update_checks transcript.
TEST_F(UpdateCheckTest, AsksTheFixedHttpsAddressWithoutCaches) {
  const std::string url = UpdateChecker::checkURL().absoluteString;  // https, a host, the path
  EXPECT_EQ(url.substr(0, 8) + url.substr(url.find('/', 8)),
            std::string("https://") + kManifestPath);
  UpdateChecker::check(true);
  ASSERT_EQ(tp_.http->tasks.size(), 1u);
  EXPECT_EQ(tp_.http->tasks[0].request.url, UpdateChecker::checkURL());
  EXPECT_EQ(tp_.http->tasks[0].request.cachePolicy,
            CachePolicy::reloadIgnoringLocalAndRemoteCacheData);
}

TEST_F(UpdateCheckTest, ThePromptAppendsReleaseNotesOnlyWhenThereAreSome) {
  const std::string message = "You have 1.4.0; 2.0.0 is out.";
  // Without the member, and with notes, as in the update_checks transcript.
  const std::pair<std::string, std::string> cases[] = {
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

// More addresses that open are in the release tool's suite, which runs this check on each.
TEST_F(UpdateCheckTest, DownloadOpensOnlyWebAddresses) {
  const std::pair<std::string, bool> addresses[] = {
      {"not a url", false},  // the URL parser refuses blanks
      {"file:///Applications/Calculator.app", false},
      {"file://localhost/Applications/Calculator.app", false},  // a host, not the web
      {"javascript:alert(1)", false},
      {"ftp://example.org/strandel.zip", false},
      {"//example.org/strandel.zip", false},
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

// Answered last first, each check ends in its own alert.
TEST_F(UpdateCheckTest, OverlappingChecksEachEndInTheirOwnAlert) {
  for (bool manual : {true, true, true, true, false}) UpdateChecker::check(manual);
  ASSERT_TRUE(tp_.http->fail(4, "offline"));  // silent and failing: says nothing
  ASSERT_TRUE(tp_.http->respond(3, "<html>Not Found</html>"));
  ASSERT_TRUE(tp_.http->respond(2, manifest("1.4.0")));
  ASSERT_TRUE(tp_.http->respond(1, manifest("2.0.0")) && tp_.http->respond(0, manifest("2.0.0")));
  tp_.drain();
  EXPECT_EQ(takeOutcomes(), (std::vector<Outcome>{Outcome::failure, Outcome::upToDate,
                                                  Outcome::prompt, Outcome::prompt}));
}

TEST_F(UpdateCheckTest, TheCurrentVersionComesFromTheBundleOr100) {
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.4.0");
  tp_.bundle->info["CFBundleShortVersionString"] = std::string("");
  EXPECT_EQ(UpdateChecker::currentVersion(), "");                     // text, however short
  tp_.bundle->info["CFBundleShortVersionString"] = std::monostate{};  // not text
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.0.0");
  tp_.bundle->info.erase("CFBundleShortVersionString");
  EXPECT_EQ(UpdateChecker::currentVersion(), "1.0.0");
}

}  // namespace
}  // namespace strandel
