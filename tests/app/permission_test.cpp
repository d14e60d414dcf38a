// The permission watch (a one-second poll and the system's notification) and the privacy
// pane. The observers that age the cache when applications launch or quit are in the
// launch_rescan transcript.
#include <gtest/gtest.h>

#include <map>
#include <string>
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

// Started without access, with the Clock extra on the desktop.
struct Untrusted {
  Untrusted() { tp.drain(); }
  bool watching() { return A::accessibilityWatch(*delegate) != nullptr; }
  test::TestPlatform tp{test::TestPlatform::Options{.trusted = false}};
  ProcessID clock = tp.launchApp("Clock", {{"Clock", 900}});
  std::shared_ptr<AppDelegate> delegate = tp.launchDelegate();
  std::shared_ptr<sim::SimMenu> menu = test::TestPlatform::menuOf(*delegate);
};

class PermissionTest : public ::testing::Test, public Untrusted {};

TEST_F(PermissionTest, OpeningTheSettingsTwiceMakesOneTimerAndOneObserver) {
  // Start-up's watch is running; the row asks again and opens the pane each time, whether
  // or not the pane opens.
  tp.openURLResult = false;
  for (int i = 0; i < 2; ++i) {
    menu->open();
    ASSERT_TRUE(menu->choose(2));
  }
  EXPECT_EQ(tp.desktop->permissionPromptCount(), 3);  // start-up, then twice
  EXPECT_EQ(tp.openedURLs, (std::vector<URL>{URL{kPrivacyPane}, URL{kPrivacyPane}}));
  EXPECT_EQ(tp.distributedCenter->observerCount(kNotification), 1u);
  EXPECT_TRUE(tp.alertsShown.empty());
  // While access is missing the timer polls on, and nothing scans.
  tp.advance(60);
  tp.distributedCenter->post(kNotification);
  tp.advance(1);
  EXPECT_TRUE(watching());
  EXPECT_EQ(tp.loop->activeTimerCount(), 1u);
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

// The grant is noticed at the next tick, or 0.5 s after the notification, whichever is
// first; then the timer is gone and a scan starts.
TEST(PermissionWatch, TheGrantIsNoticedByTheFirstTrigger) {
  struct Case {
    const char* name;
    double grantAt;                        // seconds after start-up
    std::optional<double> notificationAt;  // seconds after start-up
    double noticedAt;
  };
  const Case cases[] = {
      {"tick only", 0.3, std::nullopt, 1.0},
      {"just after a tick", 1.01, std::nullopt, 2.0},
      {"notification first", 0.1, 0.2, 0.7},
      {"tick first", 0.6, 0.7, 1.0},
      {"notification before the grant, then the tick", 0.8, 0.1, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Untrusted t;
    const double start = t.tp.now().secondsSinceReference;
    auto at = [&](double offset) {
      t.tp.advance(start + offset - t.tp.now().secondsSinceReference);
    };
    std::map<double, bool> events = {{c.grantAt, true}};  // true: the grant
    if (c.notificationAt) events[*c.notificationAt] = false;
    for (auto [when, isGrant] : events) {
      at(when);
      if (isGrant) t.tp.setTrusted(true);
      if (!isGrant) t.tp.distributedCenter->post(kNotification);
    }
    at(c.noticedAt - 0.001);
    EXPECT_TRUE(t.watching());
    EXPECT_EQ(t.tp.pendingScanBlocks(), 0u);
    at(c.noticedAt);
    EXPECT_FALSE(t.watching());
    EXPECT_EQ(t.tp.loop->activeTimerCount(), 0u);
    EXPECT_EQ(t.tp.pendingScanBlocks(), 1u);
  }
}

// The timer also ticks while a menu is being tracked.
TEST_F(PermissionTest, AGrantWhileThePermissionMenuIsOpenIsNoticedAndKeepsItsRows) {
  menu->open();
  ASSERT_TRUE(tp.loop->inMenuTracking());
  const auto rows = test::describeMenu(*menu);
  tp.setTrusted(true);
  tp.advance(1);
  EXPECT_FALSE(watching());
  tp.drain();
  EXPECT_EQ(test::describeMenu(*menu), rows);
  menu->close();
  // The next opening lists the extras at once, without scanning.
  menu->open();
  EXPECT_EQ(test::describeMenu(*menu)[2], "Clock -> pick:");
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

TEST_F(PermissionTest, AWatchRestartedAfterARevokeKeepsTheOneObserver) {
  for (int revoke = 0; revoke < 2; ++revoke) {
    tp.setTrusted(true);
    tp.advance(1);
    tp.drain();
    // Withdrawn, then asked for again from the menu; the second time the pane's address is
    // no URL, which opens nothing, and the watch starts all the same.
    tp.setTrusted(false);
    if (revoke == 1) tp.urls->rejected.insert(kPrivacyPane);
    delegate->openAccessibilitySettings();
    EXPECT_TRUE(watching());
  }
  EXPECT_EQ(tp.openedURLs, std::vector<URL>{URL{kPrivacyPane}});
  EXPECT_EQ(tp.desktop->permissionPromptCount(), 3);
  EXPECT_EQ(tp.distributedCenter->observerCount(kNotification), 1u);
  tp.setTrusted(true);
  tp.distributedCenter->post(kNotification);
  EXPECT_EQ(tp.runMain(), 1u);  // one delayed check per notification
  tp.advance(0.5);
  EXPECT_FALSE(watching());
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  // After the grant every notification joins the scan in flight or, later, starts one of its
  // own half a second later.
  tp.distributedCenter->post(kNotification);
  tp.advance(0.5);
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  tp.drain();
  tp.advance(5);
  tp.distributedCenter->post(kNotification);
  tp.advance(0.499);
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  tp.advance(0.001);
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
}

TEST_F(PermissionTest, CallbacksDoNothingOnceTheDelegateIsGone) {
  std::weak_ptr<AppDelegate> weak = delegate;
  delegate.reset();
  menu.reset();
  EXPECT_TRUE(weak.expired());  // the timer and the observers do not keep it alive
  tp.setTrusted(true);
  tp.distributedCenter->post(kNotification);
  tp.advance(2);
  tp.workspaceCenter->post(kDidLaunchApplicationNotification);
  tp.drain();
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
}

}  // namespace
}  // namespace strandel
