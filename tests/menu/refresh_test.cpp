// The scan cache and the one way scans start: a burst of requests costs one scan, everyone
// is served in order with the same list, and hovering rescans only a stale cache.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
using Names = std::vector<std::string>;

Names namesOf(const ExtraItems& items) {
  Names names;
  for (const auto& item : items) names.push_back(item->appName);
  return names;
}

class RefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tp.launchApp("Clock", {{"Clock", 900}});
    delegate = tp.makeDelegate();
  }
  test::TestPlatform tp;
  std::shared_ptr<AppDelegate> delegate;
};

TEST_F(RefreshTest, WithoutAccessACompletionIsDroppedForGood) {
  int calls = 0;
  const auto count = [&](const ExtraItems&) { ++calls; };
  tp.setTrusted(false);
  A::refresh(*delegate, count);  // hovering without access: the permission golden transcript
  EXPECT_TRUE(A::pendingCompletions(*delegate).empty());
  EXPECT_FALSE(A::scanning(*delegate));
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);

  // Refused while a scan is in flight: nothing is queued either.
  tp.setTrusted(true);
  A::refresh(*delegate);
  tp.setTrusted(false);
  A::refresh(*delegate, count);
  EXPECT_TRUE(A::pendingCompletions(*delegate).empty());
  // Later scans never resurrect a refused completion.
  tp.setTrusted(true);
  ASSERT_TRUE(tp.finishScanStep());
  A::refresh(*delegate);
  ASSERT_TRUE(tp.finishScanStep());
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(A::scanning(*delegate));
}

// A completion queued after the scan ran, before its result was served, gets that result too.
TEST_F(RefreshTest, ABurstIsOneScanAndServesEveryoneInOrderWithTheSameList) {
  std::vector<std::pair<std::string, ExtraItems>> served;
  const auto serve = [&](std::string name) {
    return [&served, name](const ExtraItems& items) { served.emplace_back(name, items); };
  };
  A::refresh(*delegate, serve("A"));
  A::refresh(*delegate);
  A::refresh(*delegate, AppDelegate::Completion{});  // an empty callback is not queued
  A::refresh(*delegate, serve("B"));
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  EXPECT_EQ(A::pendingCompletions(*delegate).size(), 2u);
  ASSERT_TRUE(tp.runScanStep());  // the scan is done; its result waits on the main queue
  A::refresh(*delegate, serve("late"));
  tp.runMain();

  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  ASSERT_EQ(served.size(), 3u);
  // The very same item objects, shared by the cache and every completion.
  const ExtraItems& cached = A::cachedItems(*delegate).value();
  EXPECT_EQ(namesOf(cached), Names{"Clock"});
  for (size_t i = 0; i < served.size(); ++i) {
    EXPECT_EQ(served[i].first, (Names{"A", "B", "late"}[i]));
    EXPECT_EQ(served[i].second, cached);
  }
  EXPECT_FALSE(A::scanning(*delegate));
  EXPECT_TRUE(A::pendingCompletions(*delegate).empty());
}

TEST_F(RefreshTest, ACompletionThatRefreshesStartsASecondScanAndWaitsForIt) {
  ExtraItems fromFirst, fromSecond;
  A::refresh(*delegate, [&](const ExtraItems& items) {
    fromFirst = items;
    EXPECT_FALSE(A::scanning(*delegate));
    A::refresh(*delegate, [&](const ExtraItems& again) { fromSecond = again; });
  });
  ASSERT_TRUE(tp.runScanStep());
  // Launched after the first scan, before its result is served: only the second sees it.
  tp.launchApp("Wi-Fi", {{"Wi-Fi", 1000}});
  tp.runMain();
  EXPECT_EQ(namesOf(fromFirst), Names{"Clock"});
  EXPECT_TRUE(fromSecond.empty());
  EXPECT_EQ(tp.pendingScanBlocks(), 2u);  // one per app

  tp.drain();
  EXPECT_EQ(namesOf(fromSecond), (Names{"Clock", "Wi-Fi"}));
  EXPECT_EQ(*A::cachedItems(*delegate), fromSecond);
}

// Neither the program itself nor an app launched after the snapshot is scanned; with Clock
// quitting too, the scan finds nothing, and that is stored as an empty list with its time.
TEST_F(RefreshTest, TheSnapshotLeavesOutTheProgramAndLaterLaunchesAndNothingIsStored) {
  sim::AppSpec self;
  self.pid = tp.platform.processIdentifier;
  self.extras.resize(1);
  self.extras[0].size = Size{22, 24};
  ASSERT_TRUE(tp.desktop->launch(self));
  tp.advance(10);
  A::refresh(*delegate);
  tp.launchApp("Late", {{"Late", 1000}});
  ASSERT_TRUE(tp.desktop->quit(tp.desktop->apps().front().pid));
  ASSERT_TRUE(tp.finishScanStep());
  EXPECT_EQ(A::cachedItems(*delegate), std::optional(ExtraItems{}));
  EXPECT_EQ(A::cachedAt(*delegate), tp.now());
}

TEST_F(RefreshTest, AResultForADelegateThatIsGoneIsDropped) {
  int calls = 0;
  A::refresh(*delegate, [&](const ExtraItems&) { ++calls; });
  std::weak_ptr<AppDelegate> weak = delegate;
  delegate.reset();
  EXPECT_TRUE(weak.expired());  // the scan does not keep it alive
  ASSERT_TRUE(tp.finishScanStep());
  EXPECT_EQ(calls, 0);
}

// A hover during a scan joins it, as every refresh does (ABurstIsOneScan...).
TEST_F(RefreshTest, HoverRescansOnlyACacheOlderThanTwoSeconds) {
  delegate->mouseEntered();  // nothing cached yet
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  ASSERT_TRUE(tp.finishScanStep());

  for (double age : {0.0, 2.0, 2.001, 2.5}) {
    SCOPED_TRACE("age " + std::to_string(age));
    const bool scans = age > 2.0;
    tp.advance(age);
    delegate->mouseEntered();
    EXPECT_EQ(tp.pendingScanBlocks(), scans ? 1u : 0u);
    EXPECT_EQ(A::scanning(*delegate), scans);
    A::refresh(*delegate);  // a fresh cache for the next age
    ASSERT_TRUE(tp.finishScanStep());
  }
}

}  // namespace
}  // namespace strandel

namespace strandel {
namespace {

// Fresh rows take the cached rows' place as each app answers, at most 50 ms after rows last
// changed: an app answering 30 ms after the opening at once, a hung one's rows until its
// time-out ends at 250 ms, and the slow last one (three round trips of 90 ms) at 300 ms.
TEST_F(RefreshTest, AnOpenMenuTakesEachAppsFreshRowsAsTheyComeInBatches) {
  ProcessID medium = tp.launchApp("Medium", {{"Medium", 700}});
  ProcessID hung = tp.launchApp("Hung", {{"Hung", 500}});
  ProcessID slow = tp.launchApp("Slow", {{"Slow", 300}});
  delegate = tp.launchDelegate();  // the first scan
  tp.drain();
  const auto rename = [&](ProcessID pid, double delay, const char* label) {
    tp.desktop->updateApp(pid, [&](sim::AppSpec& app) {
      app.responseDelay = delay;
      for (auto& extra : app.extras) extra.description = label;
    });
  };
  rename(medium, 0.01, "Medium2");
  rename(hung, 60, "never");
  rename(slow, 0.09, "Slow2");  // the last to answer, 20 ms after the hung app's time-out
  auto menu = test::TestPlatform::menuOf(*delegate);
  std::map<long, Names> shown;  // ms after opening: the item rows then
  const Date opened = tp.now();
  menu->onChange = [&] {
    Names rows;
    for (const auto& row : test::describeMenu(*menu)) {
      if (row.ends_with("-> pick:")) rows.push_back(row.substr(0, row.find(" -> ")));
    }
    shown[std::lround(tp.now().timeIntervalSince(opened) * 1000)] = rows;
  };
  A::refresh(*delegate, std::nullopt);
  menu->open();
  tp.loop->runUntil(Date{opened.secondsSinceReference + 1});
  EXPECT_EQ(shown, (std::map<long, Names>{{0, {"Slow", "Hung", "Medium", "Clock"}},
                                          {30, {"Slow", "Hung", "Medium2", "Clock"}},
                                          {250, {"Slow", "Medium2", "Clock"}},
                                          {300, {"Slow2", "Medium2", "Clock"}}}));
}

}  // namespace
}  // namespace strandel
