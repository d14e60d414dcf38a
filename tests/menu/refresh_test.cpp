// The scan cache and the one way scans start: a burst of requests costs one scan, everyone
// is served in order with the same list, and hovering rescans only a stale cache.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/app_delegate_access.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;

std::vector<std::string> namesOf(const ExtraItems& items) {
  std::vector<std::string> names;
  for (const auto& item : items) names.push_back(item->appName);
  return names;
}

class RefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tp.launchApp("Clock", {{"Clock", 900}});
    delegate = tp.makeDelegate();
  }

  // Scans once: the scan block, then the hand-back on the main queue.
  void finishScan() {
    ASSERT_TRUE(tp.runScanStep());
    tp.runMain();
  }

  test::TestPlatform tp;
  std::shared_ptr<AppDelegate> delegate;
};

TEST_F(RefreshTest, WithoutAccessACompletionIsDroppedForGood) {
  tp.setTrusted(false);
  int calls = 0;
  A::refresh(*delegate, [&](const ExtraItems&) { ++calls; });
  EXPECT_TRUE(A::pendingCompletions(*delegate).empty());
  EXPECT_FALSE(A::scanning(*delegate));
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);

  // Granting access later and scanning does not resurrect it.
  tp.setTrusted(true);
  A::refresh(*delegate);
  finishScan();
  A::refresh(*delegate);
  finishScan();
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(A::cachedItems(*delegate).has_value());
}

TEST_F(RefreshTest, WithoutAccessWhileScanningNothingIsQueued) {
  A::refresh(*delegate);
  tp.setTrusted(false);
  int calls = 0;
  A::refresh(*delegate, [&](const ExtraItems&) { ++calls; });
  EXPECT_TRUE(A::pendingCompletions(*delegate).empty());
  EXPECT_TRUE(A::scanning(*delegate));
  finishScan();
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(A::scanning(*delegate));
}

TEST_F(RefreshTest, ABurstIsOneScanAndServesEveryoneInOrderWithTheSameList) {
  std::vector<std::string> order;
  ExtraItems listA, listB;
  A::refresh(*delegate, [&](const ExtraItems& items) {
    order.push_back("A");
    listA = items;
  });
  A::refresh(*delegate);
  A::refresh(*delegate, [&](const ExtraItems& items) {
    order.push_back("B");
    listB = items;
  });

  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  EXPECT_EQ(A::pendingCompletions(*delegate).size(), 2u);
  finishScan();

  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  EXPECT_EQ(order, (std::vector<std::string>{"A", "B"}));
  ASSERT_TRUE(A::cachedItems(*delegate).has_value());
  const ExtraItems& cached = *A::cachedItems(*delegate);
  ASSERT_EQ(cached.size(), 1u);
  // The very same item objects, shared by the cache and both completions.
  EXPECT_EQ(listA, cached);
  EXPECT_EQ(listB, cached);
  EXPECT_FALSE(A::scanning(*delegate));
  EXPECT_TRUE(A::pendingCompletions(*delegate).empty());
}

TEST_F(RefreshTest, ACompletionQueuedAfterTheScanRanGetsThatScansResult) {
  ExtraItems first, late;
  A::refresh(*delegate, [&](const ExtraItems& items) { first = items; });
  ASSERT_TRUE(tp.runScanStep());  // the scan is done; its result waits on the main queue
  A::refresh(*delegate, [&](const ExtraItems& items) { late = items; });
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  tp.runMain();
  EXPECT_EQ(late, first);
  EXPECT_EQ(namesOf(late), (std::vector<std::string>{"Clock"}));
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
  EXPECT_EQ(namesOf(fromFirst), (std::vector<std::string>{"Clock"}));
  EXPECT_TRUE(fromSecond.empty());
  EXPECT_TRUE(A::scanning(*delegate));
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);

  finishScan();
  EXPECT_EQ(namesOf(fromSecond), (std::vector<std::string>{"Clock", "Wi-Fi"}));
  EXPECT_EQ(*A::cachedItems(*delegate), fromSecond);
}

TEST_F(RefreshTest, AnEmptyScanIsStoredAsAnEmptyListWithItsTime) {
  ASSERT_TRUE(tp.desktop->quit(tp.desktop->apps().front().pid));
  tp.advance(10);
  A::refresh(*delegate);
  finishScan();
  ASSERT_TRUE(A::cachedItems(*delegate).has_value());
  EXPECT_TRUE(A::cachedItems(*delegate)->empty());
  EXPECT_EQ(A::cachedAt(*delegate), tp.now());
}

TEST_F(RefreshTest, TheSnapshotIsTakenWhenTheScanIsAskedFor) {
  A::refresh(*delegate);
  // Launched after the snapshot: the scan in flight does not know it.
  tp.launchApp("Late", {{"Late", 1000}});
  finishScan();
  EXPECT_EQ(namesOf(*A::cachedItems(*delegate)), (std::vector<std::string>{"Clock"}));
}

TEST_F(RefreshTest, TheProgramsOwnExtraIsNeverListed) {
  sim::AppSpec self;
  self.pid = tp.platform.processIdentifier;
  self.name = "Strandel";
  sim::ExtraSpec own;
  own.position = Point{800, 0};
  own.size = Size{22, 24};
  own.description = "Strandel";
  self.extras.push_back(own);
  ASSERT_TRUE(tp.desktop->launch(self));
  A::refresh(*delegate);
  finishScan();
  EXPECT_EQ(namesOf(*A::cachedItems(*delegate)), (std::vector<std::string>{"Clock"}));
}

TEST_F(RefreshTest, AResultForADelegateThatIsGoneIsDropped) {
  int calls = 0;
  A::refresh(*delegate, [&](const ExtraItems&) { ++calls; });
  std::weak_ptr<AppDelegate> weak = delegate;
  delegate.reset();
  EXPECT_TRUE(weak.expired());  // the scan does not keep it alive
  finishScan();
  EXPECT_EQ(calls, 0);
}

TEST_F(RefreshTest, AnEmptyCompletionIsNotQueued) {
  A::refresh(*delegate, AppDelegate::Completion{});
  EXPECT_TRUE(A::pendingCompletions(*delegate).empty());
  finishScan();  // and serving does not call it
  EXPECT_TRUE(A::cachedItems(*delegate).has_value());
}

// Hover: scans only when the cache is more than 2.0 seconds old.
TEST_F(RefreshTest, HoverRescansOnlyAStaleCache) {
  struct Case {
    double age;
    bool scans;
  };
  const Case cases[] = {{0.0, false}, {1.5, false}, {2.0, false}, {2.001, true}, {2.5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE("age " + std::to_string(c.age));
    A::refresh(*delegate);
    finishScan();
    tp.advance(c.age);
    delegate->mouseEntered();
    EXPECT_EQ(tp.pendingScanBlocks(), c.scans ? 1u : 0u);
    EXPECT_EQ(A::scanning(*delegate), c.scans);
    if (c.scans) finishScan();
  }
}

TEST_F(RefreshTest, TheFirstHoverScans) {
  delegate->mouseEntered();
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
}

TEST_F(RefreshTest, HoverWhileAScanIsInFlightAddsNothing) {
  A::refresh(*delegate);
  tp.advance(60);
  delegate->mouseEntered();
  delegate->mouseEntered();
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  EXPECT_TRUE(A::pendingCompletions(*delegate).empty());
}

TEST_F(RefreshTest, HoverWithoutAccessScansNothing) {
  tp.setTrusted(false);
  delegate->mouseEntered();
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  EXPECT_FALSE(A::scanning(*delegate));
}

}  // namespace
}  // namespace strandel
