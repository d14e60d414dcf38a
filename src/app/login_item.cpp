#include "app/app_delegate.h"
#include "app/links.h"
#include "ports/platform.h"
#include "update/update_checker.h"

namespace strandel {

namespace {

constexpr const char* kLoginItemFailure = "Strandel: 로그인 항목 변경 실패 — ";
constexpr const char* kLoginItemAwaitsApproval =
    "Strandel: 로그인 항목 승인 필요 — 시스템 설정의 로그인 항목을 엽니다";

}  // namespace

void AppDelegate::toggleLaunchAtLogin() {
  auto& service = *platform().loginItems;
  auto& log = *platform().systemLog;
  // Anything but enabled (approval pending, not found) registers again.
  const bool registering = service.status() != LoginItemStatus::enabled;
  auto error = registering ? service.registerService() : service.unregisterService();
  // The check mark follows the system's status at the next build; a failure is only logged.
  if (error) log.log(kLoginItemFailure + error->localizedDescription);
  // Only the person can approve it, also after revoking it: take them to where they can,
  // whether or not the registration itself failed.
  if (registering && service.status() == LoginItemStatus::requiresApproval) {
    service.openSystemSettingsLoginItems();
    log.log(kLoginItemAwaitsApproval);
  }
}

void AppDelegate::checkForUpdates() {
  UpdateChecker::check(/*manual=*/true);
}

void AppDelegate::openDonatePage() {
  (void)platform().workspace->openURL(Links::donate());
}

}  // namespace strandel
