// The permission watch (a one-second poll and the system's notification), the privacy pane,
// and the observers that age the cache when applications launch or quit.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
constexpr const char* kNotification = "com.apple.accessibility.api";
constexpr const char* kPrivacyPane =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

class PermissionTest : public ::testing::Test {
 public:
  PermissionTest() : tp(test::TestPlatform::Options{.trusted = false}) {}

  void SetUp() override {
    tp.launchApp("Clock", {{"Clock", 900}});
    delegate = tp.launchDelegate();
    menu = test::TestPlatform::menuOf(*delegate);
    tp.drain();
  }
  bool watching() { return A::accessibilityWatch(*delegate) != nullptr; }

  test::TestPlatform tp;
  std::shared_ptr<AppDelegate> delegate;
  std::shared_ptr<sim::SimMenu> menu;
};

TEST_F(PermissionTest, OpeningTheSettingsTwiceMakesOneTimerAndOneObserver) {
  // Start-up's watch is running; the row asks again and opens the pane each time.
  for (int i = 0; i < 2; ++i) {
    menu->open();
    ASSERT_EQ(menu->itemAtIndex(2)->title(), "Open Accessibility Settings…");
    ASSERT_TRUE(menu->choose(2));
  }
  EXPECT_EQ(tp.desktop->permissionPromptCount(), 3);  // start-up, then twice
  EXPECT_EQ(tp.openedURLs, (std::vector<URL>{URL{kPrivacyPane}, URL{kPrivacyPane}}));
  EXPECT_EQ(tp.loop->activeTimerCount(), 1u);
  EXPECT_EQ(tp.distributedCenter->observerCount(kNotification), 1u);
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

TEST(PrivacyPane, AnAddressThatIsNoURLOpensNothingButTheWatchStillStarts) {
  test::TestPlatform fresh(test::TestPlatform::Options{.trusted = false});
  auto other = fresh.makeDelegate();
  fresh.urls->rejected.insert(kPrivacyPane);
  other->openAccessibilitySettings();
  EXPECT_TRUE(fresh.openedURLs.empty());
  EXPECT_EQ(fresh.desktop->permissionPromptCount(), 1);
  EXPECT_NE(A::accessibilityWatch(*other), nullptr);
  EXPECT_EQ(fresh.distributedCenter->observerCount(kNotification), 1u);
}

TEST_F(PermissionTest, AFailedOpeningIsIgnored) {
  tp.openURLResult = false;
  delegate->openAccessibilitySettings();
  EXPECT_EQ(tp.openedURLs.size(), 1u);
  EXPECT_TRUE(tp.alertsShown.empty());
}

TEST_F(PermissionTest, WhileMissingTheTimerPollsForeverAndNothingScans) {
  tp.advance(60);
  tp.distributedCenter->post(kNotification);
  tp.advance(1);
  EXPECT_TRUE(watching());
  EXPECT_EQ(tp.loop->activeTimerCount(), 1u);
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

// The grant is noticed at the next tick, or 0.5 s after the notification, whichever is
// first; then the timer is gone and a scan starts.
TEST_F(PermissionTest, TheGrantIsNoticedByTheFirstTrigger) {
  struct Case {
    std::string name;
    double grantAt;                        // seconds after start-up
    std::optional<double> notificationAt;  // seconds after start-up
    double noticedAt;
  };
  const std::vector<Case> cases = {
      {"tick only", 0.3, std::nullopt, 1.0},
      {"just after a tick", 1.01, std::nullopt, 2.0},
      {"notification first", 0.1, 0.2, 0.7},
      {"tick first", 0.6, 0.7, 1.0},
      {"notification before the grant, then the tick", 0.8, 0.1, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestPlatform t(test::TestPlatform::Options{.trusted = false});
    t.launchApp("Clock", {{"Clock", 900}});
    auto d = t.launchDelegate();
    const double start = t.now().secondsSinceReference;
    auto at = [&](double offset) { t.advance(start + offset - t.now().secondsSinceReference); };

    std::vector<std::pair<double, std::function<void()>>> events = {
        {c.grantAt, [&] { t.setTrusted(true); }}};
    if (c.notificationAt) {
      events.push_back({*c.notificationAt, [&] { t.distributedCenter->post(kNotification); }});
    }
    std::sort(events.begin(), events.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [when, what] : events) {
      at(when);
      what();
    }
    at(c.noticedAt - 0.001);
    EXPECT_NE(A::accessibilityWatch(*d), nullptr);
    EXPECT_EQ(t.pendingScanBlocks(), 0u);
    at(c.noticedAt);
    EXPECT_EQ(A::accessibilityWatch(*d), nullptr);
    EXPECT_EQ(t.loop->activeTimerCount(), 0u);
    EXPECT_EQ(t.pendingScanBlocks(), 1u);
  }
}

TEST_F(PermissionTest, TheTimerTicksWhileAMenuIsOpen) {
  menu->open();
  ASSERT_TRUE(tp.loop->inMenuTracking());
  tp.setTrusted(true);
  tp.advance(1);
  EXPECT_FALSE(watching());
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
}

TEST_F(PermissionTest, AGrantWhileThePermissionMenuIsOpenKeepsItsRows) {
  menu->open();
  const auto rows = test::describeMenu(*menu);
  tp.setTrusted(true);
  tp.advance(1);
  tp.drain();
  EXPECT_EQ(test::describeMenu(*menu), rows);
  ASSERT_TRUE(A::cachedItems(*delegate).has_value());
  menu->close();
  // The next opening lists the extras at once, without scanning.
  menu->open();
  EXPECT_EQ(test::describeMenu(*menu)[1], "Clock -> pick:");
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

TEST_F(PermissionTest, BothTriggersFindingTheGrantShareOrFollowTheScan) {
  tp.setTrusted(true);
  tp.distributedCenter->post(kNotification);  // its check is due at 0.5 s
  tp.advance(0.6);                            // the check ran: watch over, scan queued
  EXPECT_FALSE(watching());
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  tp.distributedCenter->post(kNotification);
  tp.advance(0.5);  // joins the scan in flight
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  tp.drain();
  tp.distributedCenter->post(kNotification);
  tp.advance(0.5);  // follows it with a new one
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
}

TEST_F(PermissionTest, EveryLaterNotificationScansHalfASecondLater) {
  tp.setTrusted(true);
  tp.advance(1);
  tp.drain();
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    tp.advance(5);
    tp.distributedCenter->post(kNotification);
    tp.advance(0.499);
    EXPECT_EQ(tp.pendingScanBlocks(), 0u);
    tp.advance(0.001);
    EXPECT_EQ(tp.pendingScanBlocks(), 1u);
    tp.drain();
  }
  EXPECT_EQ(tp.loop->activeTimerCount(), 0u);
}

TEST_F(PermissionTest, EachNewWatchAddsAnObserver) {
  tp.setTrusted(true);
  tp.advance(1);
  tp.drain();
  // Withdrawn, then asked for again from the menu.
  tp.setTrusted(false);
  delegate->openAccessibilitySettings();
  EXPECT_TRUE(watching());
  EXPECT_EQ(tp.distributedCenter->observerCount(kNotification), 2u);
  tp.setTrusted(true);
  tp.distributedCenter->post(kNotification);
  EXPECT_EQ(tp.runMain(), 2u);  // two observers, two delayed checks
  tp.advance(0.5);
  EXPECT_FALSE(watching());
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);  // the second check joined the first's scan
}

TEST_F(PermissionTest, CallbacksDoNothingOnceTheDelegateIsGone) {
  std::weak_ptr<AppDelegate> weak = delegate;
  delegate.reset();
  menu.reset();
  EXPECT_TRUE(weak.expired());  // the timer and the observer do not keep it alive
  tp.setTrusted(true);
  tp.distributedCenter->post(kNotification);
  tp.advance(2);
  tp.workspaceCenter->post(kDidLaunchApplicationNotification);
  tp.drain();
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

class LifecycleTest : public ::testing::Test {
 public:
  void SetUp() override {
    tp.launchApp("Clock", {{"Clock", 900}});
    delegate = tp.launchDelegate();
    menu = test::TestPlatform::menuOf(*delegate);
    tp.drain();
  }
  test::TestPlatform tp;
  std::shared_ptr<AppDelegate> delegate;
  std::shared_ptr<sim::SimMenu> menu;
};

TEST_F(LifecycleTest, LaunchAndQuitAgeTheCacheAndTouchNothingElse) {
  for (const char* name :
       {kDidLaunchApplicationNotification, kDidTerminateApplicationNotification}) {
    SCOPED_TRACE(name);
    A::refresh(*delegate);
    tp.drain();
    menu->open();
    const auto items = A::cachedItems(*delegate);
    const auto changes = menu->changeCount();
    tp.workspaceCenter->post(name);
    tp.runMain();
    EXPECT_EQ(A::cachedAt(*delegate), Date::distantPast());
    EXPECT_EQ(A::cachedItems(*delegate), items);
    EXPECT_EQ(menu->changeCount(), changes);
    EXPECT_EQ(tp.pendingScanBlocks(), 0u);
    menu->close();
    // The next hover scans.
    delegate->mouseEntered();
    EXPECT_EQ(tp.pendingScanBlocks(), 1u);
    tp.drain();
  }
}

}  // namespace
}  // namespace strandel
