// What each opening of the menu shows, the fresh scan behind it, the footer, and picking an
// extra (pressed 0.12 seconds later, on the scan queue).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
using Rows = std::vector<std::string>;

Rows concat(Rows head, const Rows& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class MenuDelegateTest : public ::testing::Test {
 public:
  void SetUp() override {
    clockPid = tp.launchApp("Clock", {{"Clock", 900}});
    delegate = tp.launchDelegate();
    menu = test::TestPlatform::menuOf(*delegate);
  }

  void finishScan() {
    ASSERT_TRUE(tp.runScanStep());
    tp.runMain();
  }

  // The rows of the list menu with only the Clock extra, and with Clock and Wi-Fi.
  static Rows clockRows() {
    return concat({"VISIBLE (1) (disabled)", "Clock -> pick:", "---"}, test::englishFooter());
  }
  static Rows clockAndWiFiRows() {
    return concat({"VISIBLE (2) (disabled)", "Clock -> pick:", "Wi-Fi -> pick:", "---"},
                  test::englishFooter());
  }

  test::TestPlatform tp;
  ProcessID clockPid = 0;
  std::shared_ptr<AppDelegate> delegate;
  std::shared_ptr<sim::SimMenu> menu;
};

TEST_F(MenuDelegateTest, FirstOpeningBeforeAnyScanShowsThePlaceholderThenTheList) {
  // Start-up's scan is still queued: the opening joins it.
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  menu->open();
  EXPECT_EQ(test::describeMenu(*menu),
            concat({"Scanning the menu bar… (disabled)", "---"}, test::englishFooter()));
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  EXPECT_EQ(A::pendingCompletions(*delegate).size(), 1u);
  finishScan();
  EXPECT_EQ(test::describeMenu(*menu), clockRows());
}

TEST_F(MenuDelegateTest, OpeningsByAgeOfTheCache) {
  struct Case {
    double age;
    bool scans;
  };
  const Case cases[] = {{1.5, false}, {2.0, false}, {2.5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE("opened " + std::to_string(c.age) + " s after the scan");
    tp.drain();
    menu->close();
    const double storedAt = A::cachedAt(*delegate).secondsSinceReference;
    tp.launchApp("Wi-Fi " + std::to_string(c.age), {{"Wi-Fi", 1000 + c.age}});
    tp.advance(c.age);
    ASSERT_EQ(tp.now().secondsSinceReference - storedAt, c.age);

    menu->open();
    // The cached list at once, whatever its age.
    EXPECT_EQ(menu->numberOfItems(), static_cast<long>(2 + test::englishFooter().size() +
                                                       A::cachedItems(*delegate)->size()));
    EXPECT_EQ(tp.pendingScanBlocks(), c.scans ? 1u : 0u);
    const auto listed = A::cachedItems(*delegate)->size();
    if (c.scans) {
      finishScan();
      // Rebuilt while open with the new extra.
      EXPECT_EQ(A::cachedItems(*delegate)->size(), listed + 1);
      EXPECT_EQ(menu->numberOfItems(),
                static_cast<long>(2 + test::englishFooter().size() + listed + 1));
    }
    menu->close();
    // Clean up for the next case: forget the extra that was added.
    for (const auto& app : tp.desktop->apps()) {
      if (app.pid != clockPid) tp.desktop->quit(app.pid);
    }
    A::refresh(*delegate);
    tp.drain();
  }
}

TEST_F(MenuDelegateTest, AStaleOpeningShowsTheCachedListThenRebuildsWithTheFreshOne) {
  tp.drain();
  tp.launchApp("Wi-Fi", {{"Wi-Fi", 1000}});
  tp.advance(2.5);
  menu->open();
  EXPECT_EQ(test::describeMenu(*menu), clockRows());
  finishScan();
  EXPECT_EQ(test::describeMenu(*menu), clockAndWiFiRows());
}

TEST_F(MenuDelegateTest, AFreshScanWithTheSameListLeavesTheOpenMenuAlone) {
  tp.drain();
  tp.advance(2.5);
  menu->open();
  const auto row = menu->itemAtIndex(1);
  const auto changes = menu->changeCount();
  finishScan();
  EXPECT_EQ(menu->changeCount(), changes);
  EXPECT_EQ(menu->itemAtIndex(1), row);
}

TEST_F(MenuDelegateTest, AnAppLaunchedSinceTheScanMakesTheNextOpeningScan) {
  tp.drain();
  tp.launchApp("Wi-Fi", {{"Wi-Fi", 1000}});
  tp.workspaceCenter->post(kDidLaunchApplicationNotification);
  tp.runMain();
  menu->open();  // within 2 seconds of the scan, but the cache is stale now
  EXPECT_EQ(test::describeMenu(*menu), clockRows());
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  finishScan();
  EXPECT_EQ(test::describeMenu(*menu), clockAndWiFiRows());
}

TEST_F(MenuDelegateTest, AScanThatCompletesAfterTheMenuClosedOnlyFillsTheCache) {
  tp.drain();
  tp.launchApp("Wi-Fi", {{"Wi-Fi", 1000}});
  tp.advance(3);
  menu->open();
  menu->close();
  const auto changes = menu->changeCount();
  finishScan();
  EXPECT_EQ(menu->changeCount(), changes);
  EXPECT_EQ(test::describeMenu(*menu), clockRows());
  EXPECT_EQ(A::cachedItems(*delegate)->size(), 2u);

  // The next opening within 2 seconds shows the new list and does not scan.
  tp.advance(1);
  menu->open();
  EXPECT_EQ(test::describeMenu(*menu), clockAndWiFiRows());
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

TEST_F(MenuDelegateTest, OpenAndCloseTrackTheMenuState) {
  tp.drain();
  menu->open();
  EXPECT_TRUE(A::menuIsOpen(*delegate));
  EXPECT_TRUE(A::shownSignature(*delegate).has_value());
  menu->close();
  EXPECT_FALSE(A::menuIsOpen(*delegate));
  EXPECT_FALSE(A::shownSignature(*delegate).has_value());
  // Closing leaves the rows and starts no scan.
  EXPECT_EQ(test::describeMenu(*menu), clockRows());
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

TEST_F(MenuDelegateTest, WithoutAccessTheMenuHasFiveRowsAndScansNothing) {
  tp.drain();
  menu->open();
  menu->close();
  tp.setTrusted(false);
  tp.advance(10);
  menu->open();
  EXPECT_EQ(test::describeMenu(*menu),
            (Rows{"Strandel needs Accessibility access to list menu bar extras. (disabled)", "---",
                  "Open Accessibility Settings… -> openAccessibilitySettings", "---",
                  "Quit Strandel -> terminate: [q]"}));
  EXPECT_FALSE(A::shownSignature(*delegate).has_value());
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  EXPECT_FALSE(A::accessibilityWatch(*delegate));  // opening does not start the watch
  auto settings = std::dynamic_pointer_cast<sim::SimMenuItem>(menu->itemAtIndex(2));
  EXPECT_EQ(settings->target(), std::static_pointer_cast<ActionTarget>(delegate));
  EXPECT_TRUE(settings->isEffectivelyEnabled());
  auto quit = std::dynamic_pointer_cast<sim::SimMenuItem>(menu->itemAtIndex(4));
  EXPECT_EQ(quit->target(), std::static_pointer_cast<ActionTarget>(tp.application));
  EXPECT_TRUE(quit->isEffectivelyEnabled());
}

TEST_F(MenuDelegateTest, ThePermissionMenuGivesWayToTheListOnceAccessReturns) {
  tp.setTrusted(false);
  menu->open();
  menu->close();
  tp.setTrusted(true);
  tp.drain();
  menu->open();
  EXPECT_EQ(test::describeMenu(*menu), clockRows());
}

TEST_F(MenuDelegateTest, TheLaunchAtLoginCheckMarkShowsOnlyForEnabled) {
  struct Case {
    LoginItemStatus status;
    ControlState state;
  };
  const Case cases[] = {{LoginItemStatus::notRegistered, ControlState::off},
                        {LoginItemStatus::enabled, ControlState::on},
                        {LoginItemStatus::requiresApproval, ControlState::off},
                        {LoginItemStatus::notFound, ControlState::off}};
  tp.drain();
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.status));
    tp.loginItems->current = c.status;
    menu->open();
    auto row = menu->itemAtIndex(menu->numberOfItems() - 4);
    EXPECT_EQ(row->title(), "Launch at Login");
    EXPECT_EQ(row->state(), c.state);
    menu->close();
  }
}

TEST_F(MenuDelegateTest, FooterRowsAnswerTheirActions) {
  tp.drain();
  menu->open();
  const long count = menu->numberOfItems();
  for (long i = count - 4; i < count; ++i) {
    auto row = std::dynamic_pointer_cast<sim::SimMenuItem>(menu->itemAtIndex(i));
    SCOPED_TRACE(row->title());
    EXPECT_TRUE(row->isEffectivelyEnabled());
  }
}

TEST_F(MenuDelegateTest, TheQuitRowAnswersQ) {
  tp.drain();
  menu->open();
  EXPECT_TRUE(menu->chooseKeyEquivalent("q"));
  EXPECT_TRUE(tp.application->isTerminated());
  EXPECT_TRUE(tp.loopStopped);
}

TEST_F(MenuDelegateTest, PickPressesTheExtra012SecondsLater) {
  tp.drain();
  menu->open();
  ASSERT_TRUE(menu->choose(1));
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  tp.advance(0.119);
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  tp.advance(0.001);
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  EXPECT_TRUE(tp.desktop->presses().empty());
  ASSERT_TRUE(tp.runScanStep());
  ASSERT_EQ(tp.desktop->presses().size(), 1u);
  EXPECT_EQ(tp.desktop->presses()[0].pid, clockPid);
  // Nothing follows the press: no scan, no rebuild.
  const auto changes = menu->changeCount();
  tp.drain();
  EXPECT_EQ(menu->changeCount(), changes);
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

TEST_F(MenuDelegateTest, APickWaitsBehindARunningScan) {
  tp.drain();
  tp.advance(3);
  menu->open();  // stale: a scan is queued
  ASSERT_EQ(tp.pendingScanBlocks(), 1u);
  ASSERT_TRUE(menu->choose(1));
  tp.advance(0.12);
  EXPECT_EQ(tp.pendingScanBlocks(), 2u);
  ASSERT_TRUE(tp.runScanStep());  // the scan first
  EXPECT_TRUE(tp.desktop->presses().empty());
  ASSERT_TRUE(tp.runScanStep());  // then the press
  EXPECT_EQ(tp.desktop->presses().size(), 1u);
}

TEST_F(MenuDelegateTest, APickOutlivesTheDelegate) {
  tp.drain();
  menu->open();
  ASSERT_TRUE(menu->choose(1));
  delegate.reset();
  tp.settle();
  EXPECT_EQ(tp.desktop->presses().size(), 1u);
}

TEST_F(MenuDelegateTest, APressThatFailsIsNotReported) {
  tp.drain();
  menu->open();
  ASSERT_TRUE(menu->choose(1));
  tp.desktop->quit(clockPid);
  tp.settle();
  EXPECT_TRUE(tp.alertsShown.empty());
  EXPECT_TRUE(tp.systemLog->lines.empty());
  EXPECT_FALSE(menu->isOpen());
}

class NotAnExtra final : public Object {};

TEST_F(MenuDelegateTest, ARowWithoutAnExtraIsIgnored) {
  tp.drain();
  for (std::shared_ptr<const Object> object :
       {std::shared_ptr<const Object>{}, std::shared_ptr<const Object>(new NotAnExtra)}) {
    auto row = tp.menus->makeItem("x", "pick:", "");
    row->setRepresentedObject(object);
    delegate->pick(*row);
    EXPECT_EQ(tp.loop->pendingMain(), 0u);
    tp.advance(1);
    EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  }
}

TEST_F(MenuDelegateTest, AScanResultAfterTheDelegateIsGoneTouchesNothing) {
  tp.drain();
  tp.advance(3);
  menu->open();
  delegate.reset();
  const auto changes = menu->changeCount();
  tp.drain();
  EXPECT_EQ(menu->changeCount(), changes);
}

}  // namespace
}  // namespace strandel
