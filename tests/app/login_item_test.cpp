// Launch at Login in the footer; its other rows are in the golden transcripts (update checks,
// the donation page in login_item_failure).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_platform.h"

namespace strandel {
namespace {

using Call = test::FakeLoginItems::Call;
using Status = LoginItemStatus;
constexpr const char* kPrefix = "Strandel: 로그인 항목 변경 실패 — ";
constexpr const char* kAwaitsApproval =
    "Strandel: 로그인 항목 승인 필요 — 시스템 설정의 로그인 항목을 엽니다";

TEST(LaunchAtLogin, TheRowUnregistersOnlyAnEnabledItemAndLogsAFailure) {
  struct Case {
    const char* name;
    Status before;
    Status afterRegister;  // what the system reports once registered
    std::optional<std::string> failure;
    Status after;
    bool opensLoginItems;  // System Settings' Login Items, where only the person approves it
  };
  using enum LoginItemStatus;
  // Registering and unregistering, and a refused registration that awaits approval, are in
  // the login_item and login_item_approval transcripts.
  const Case cases[] = {
      {"awaiting approval", requiresApproval, requiresApproval, {}, requiresApproval, true},
      {"now awaiting approval", notRegistered, requiresApproval, {}, requiresApproval, true},
      {"not found, failing", notFound, enabled, "Not found.", notFound, false},
      // Logged as it stands: percent signs, line breaks and bytes that are not UTF-8.
      {"enabled, failing", enabled, enabled, "100% %@ %s %n %%\nx \xff\xfe", enabled, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestPlatform tp;
    tp.loginItems->current = c.before;
    tp.loginItems->statusAfterRegister = c.afterRegister;
    if (c.failure) tp.loginItems->nextFailure = PlatformError{*c.failure};
    auto delegate = tp.launchDelegate();
    tp.drain();
    auto menu = test::TestPlatform::menuOf(*delegate);
    menu->open();
    ASSERT_TRUE(menu->choose(static_cast<long>(menu->shownItems().size()) - 5));

    std::vector<Call> calls = {c.before == enabled ? Call::unregisterService
                                                   : Call::registerService};
    std::vector<std::string> lines;
    if (c.failure) lines.push_back(kPrefix + *c.failure);
    if (c.opensLoginItems) {
      calls.push_back(Call::openSystemSettingsLoginItems);
      lines.push_back(kAwaitsApproval);
    }
    EXPECT_EQ(tp.loginItems->calls, calls);
    EXPECT_EQ(tp.loginItems->current, c.after);
    EXPECT_EQ(tp.systemLog->lines, lines);
    EXPECT_TRUE(tp.alertsShown.empty());
  }
}

}  // namespace
}  // namespace strandel
