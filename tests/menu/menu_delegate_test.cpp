// What each opening of the menu shows, the fresh scan behind it, and picking an extra (pressed
// 0.12 seconds later, on the scan queue). The first opening before a scan, an opening after a
// launch, the menu without access and the footer's rows are in the golden transcripts
// (keyboard_shortcut, launch_rescan, permission, login_item*).
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

Rows listRows(const Rows& extras) {
  Rows rows = {"[search \"\"]", "VISIBLE (" + std::to_string(extras.size()) + ") (disabled)"};
  for (const auto& extra : extras) rows.push_back(extra + " -> pick:");
  rows.push_back("---");
  for (const auto& row : test::englishFooter()) rows.push_back(row);
  return rows;
}

// The program started with access and the Clock extra; start-up's scan still queued.
struct Started {
  test::TestPlatform tp;
  ProcessID clockPid = tp.launchApp("Clock", {{"Clock", 900}});
  std::shared_ptr<AppDelegate> delegate = tp.launchDelegate();
  std::shared_ptr<sim::SimMenu> menu = test::TestPlatform::menuOf(*delegate);
};

class MenuDelegateTest : public ::testing::Test, public Started {};

TEST(MenuOpening, ShowsTheCacheAtOnceAndRescansOnlyWhenOlderThanTwoSeconds) {
  for (double age : {1.5, 2.0, 2.5}) {
    SCOPED_TRACE("opened " + std::to_string(age) + " s after the scan");
    Started s;
    s.tp.drain();
    s.tp.launchApp("Wi-Fi", {{"Wi-Fi", 1000}});
    s.tp.advance(age);
    s.menu->open();
    EXPECT_EQ(test::describeMenu(*s.menu), listRows({"Clock"}));
    const bool scans = age > 2.0;
    EXPECT_EQ(s.tp.pendingScanBlocks(), scans ? 2u : 0u);  // one per app
    s.tp.settle();
    EXPECT_EQ(test::describeMenu(*s.menu),
              scans ? listRows({"Clock", "Wi-Fi"}) : listRows({"Clock"}));
  }
}

TEST_F(MenuDelegateTest, AScanThatCompletesAfterTheMenuClosedOnlyFillsTheCache) {
  tp.drain();
  tp.launchApp("Wi-Fi", {{"Wi-Fi", 1000}});
  tp.advance(3);
  menu->open();
  EXPECT_TRUE(A::menuIsOpen(*delegate));
  menu->close();
  EXPECT_FALSE(A::menuIsOpen(*delegate));
  EXPECT_FALSE(A::shownSignature(*delegate).has_value());
  const auto changes = menu->changeCount();
  tp.drain();
  EXPECT_EQ(menu->changeCount(), changes);
  EXPECT_EQ(A::cachedItems(*delegate)->size(), 2u);
}

// Picked from a fresh cache, or from a stale one whose scan runs first.
TEST(MenuPick, PressesTheExtra012SecondsLaterBehindAnyRunningScanAndNothingFollows) {
  for (bool stale : {false, true}) {
    SCOPED_TRACE(stale ? "stale" : "fresh");
    Started s;
    s.tp.drain();
    s.tp.advance(stale ? 3 : 0);
    s.menu->open();
    ASSERT_TRUE(s.menu->choose(2));
    s.tp.advance(0.119);
    EXPECT_EQ(s.tp.pendingScanBlocks(), stale ? 1u : 0u);
    s.tp.advance(0.001);
    EXPECT_EQ(s.tp.pendingScanBlocks(), stale ? 2u : 1u);
    if (stale) {
      ASSERT_TRUE(s.tp.runScanStep());  // the scan first
    }
    EXPECT_TRUE(s.tp.desktop->presses().empty());
    ASSERT_TRUE(s.tp.runScanStep());
    ASSERT_EQ(s.tp.desktop->presses().size(), 1u);
    EXPECT_EQ(s.tp.desktop->presses()[0].pid, s.clockPid);
    const auto changes = s.menu->changeCount();
    s.tp.drain();
    EXPECT_EQ(s.menu->changeCount(), changes);
    EXPECT_EQ(s.tp.pendingScanBlocks(), 0u);
  }
}

TEST_F(MenuDelegateTest, APickOutlivesTheDelegateAndAFailedPressIsNotReported) {
  tp.drain();
  for (int i = 0; i < 2; ++i) {
    menu->open();
    ASSERT_TRUE(menu->choose(2));
  }
  delegate.reset();
  tp.advance(0.12);
  ASSERT_TRUE(tp.runScanStep());
  EXPECT_EQ(tp.desktop->presses().size(), 1u);
  tp.desktop->quit(clockPid);  // the second press fails
  tp.settle();
  EXPECT_EQ(tp.desktop->presses().size(), 1u);
  EXPECT_TRUE(tp.alertsShown.empty());
  EXPECT_TRUE(tp.systemLog->lines.empty());
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

}  // namespace
}  // namespace strandel
