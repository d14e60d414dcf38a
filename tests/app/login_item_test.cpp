// The footer's actions: launch at login, the manual update check and the donation page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/links.h"
#include "support/test_platform.h"
#include "update/update_checker.h"

namespace strandel {
namespace {

using Call = test::FakeLoginItems::Call;
constexpr const char* kPrefix = "Strandel: 로그인 항목 변경 실패 — ";

TEST(LaunchAtLogin, Toggling) {
  struct Case {
    std::string name;
    LoginItemStatus before;
    std::optional<std::string> failure;
    LoginItemStatus statusAfterRegister = LoginItemStatus::enabled;
    Call expected;
    LoginItemStatus after;
  };
  const std::vector<Case> cases = {
      {"not registered: register",
       LoginItemStatus::notRegistered,
       {},
       LoginItemStatus::enabled,
       Call::registerService,
       LoginItemStatus::enabled},
      {"enabled: unregister",
       LoginItemStatus::enabled,
       {},
       LoginItemStatus::enabled,
       Call::unregisterService,
       LoginItemStatus::notRegistered},
      {"waiting for approval: register again",
       LoginItemStatus::requiresApproval,
       {},
       LoginItemStatus::requiresApproval,
       Call::registerService,
       LoginItemStatus::requiresApproval},
      {"not found: register, failing", LoginItemStatus::notFound, "The item was not found.",
       LoginItemStatus::enabled, Call::registerService, LoginItemStatus::notFound},
      {"enabled: unregister, failing", LoginItemStatus::enabled, "Operation not permitted",
       LoginItemStatus::enabled, Call::unregisterService, LoginItemStatus::enabled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestPlatform tp;
    tp.loginItems->current = c.before;
    tp.loginItems->statusAfterRegister = c.statusAfterRegister;
    if (c.failure) tp.loginItems->nextFailure = PlatformError{*c.failure};
    auto delegate = tp.launchDelegate();
    tp.drain();
    auto menu = test::TestPlatform::menuOf(*delegate);
    menu->open();
    ASSERT_EQ(menu->itemAtIndex(menu->numberOfItems() - 4)->title(), "Launch at Login");
    ASSERT_TRUE(menu->choose(menu->numberOfItems() - 4));

    EXPECT_EQ(tp.loginItems->calls, std::vector<Call>{c.expected});
    EXPECT_EQ(tp.loginItems->current, c.after);
    if (c.failure) {
      EXPECT_EQ(tp.systemLog->lines, std::vector<std::string>{kPrefix + *c.failure});
    } else {
      EXPECT_TRUE(tp.systemLog->lines.empty());
    }
    EXPECT_TRUE(tp.alertsShown.empty());
    // The check mark follows what the system reports at the next build.
    menu->open();
    EXPECT_EQ(menu->itemAtIndex(menu->numberOfItems() - 4)->state(),
              c.after == LoginItemStatus::enabled ? ControlState::on : ControlState::off);
  }
}

TEST(LaunchAtLogin, AFailureDescriptionIsLoggedUnchanged) {
  for (const std::string description :
       {"100% broken %@ %s %d %n %%", "", "line one\nline two", "\xff\xfe not UTF-8"}) {
    test::TestPlatform tp;
    tp.loginItems->nextFailure = PlatformError{description};
    auto delegate = tp.makeDelegate();
    delegate->toggleLaunchAtLogin();
    EXPECT_EQ(tp.systemLog->lines, std::vector<std::string>{kPrefix + description});
  }
}

TEST(Donate, OpensTheDonationPageAndIgnoresTheOutcome) {
  for (bool opened : {true, false}) {
    test::TestPlatform tp;
    tp.openURLResult = opened;
    auto delegate = tp.makeDelegate();
    delegate->openDonatePage();
    EXPECT_EQ(tp.openedURLs, std::vector<URL>{URL{"https://tips.quillet.app/harrowlark"}});
    EXPECT_TRUE(tp.alertsShown.empty());
    EXPECT_TRUE(tp.systemLog->lines.empty());
  }
  // Built once.
  EXPECT_EQ(&Links::donate(), &Links::donate());
}

TEST(CheckForUpdates, TheRowStartsAManualCheck) {
  test::TestPlatform tp;
  auto delegate = tp.makeDelegate();
  ASSERT_TRUE(delegate->respondsTo("checkForUpdates"));
  auto row = tp.menus->makeItem("Check for Updates…", "checkForUpdates", "");
  delegate->perform("checkForUpdates", *row);
  ASSERT_EQ(tp.http->tasks.size(), 1u);
  EXPECT_EQ(tp.http->tasks[0].request.url, UpdateChecker::checkURL());
  // Manual: even a failure ends in an alert.
  tp.http->fail(0, "offline");
  tp.drain();
  EXPECT_EQ(tp.alertsShown.size(), 1u);
}

TEST(Actions, TheDelegateAnswersExactlyItsRowActions) {
  test::TestPlatform tp;
  auto delegate = tp.makeDelegate();
  for (const char* action : {"pick:", "toggleLaunchAtLogin", "checkForUpdates", "openDonatePage",
                             "openAccessibilitySettings"}) {
    EXPECT_TRUE(delegate->respondsTo(action)) << action;
  }
  for (const char* action : {"terminate:", "pick", "", "refresh", "mouseEntered:"}) {
    EXPECT_FALSE(delegate->respondsTo(action)) << action;
  }
}

}  // namespace
}  // namespace strandel
