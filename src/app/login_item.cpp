#include "app/app_delegate.h"
#include "app/links.h"
#include "ports/platform.h"
#include "update/update_checker.h"

namespace strandel {

namespace {

constexpr const char* kLoginItemFailure = "Strandel: 로그인 항목 변경 실패 — ";

}  // namespace

void AppDelegate::toggleLaunchAtLogin() {
  auto& service = *platform().loginItems;
  // Anything but enabled (approval pending, not found) registers again.
  auto error = service.status() == LoginItemStatus::enabled ? service.unregisterService()
                                                            : service.registerService();
  // The check mark follows the system's status at the next build; a failure is only logged.
  if (error) platform().systemLog->log(kLoginItemFailure + error->localizedDescription);
}

void AppDelegate::checkForUpdates() {
  UpdateChecker::check(/*manual=*/true);
}

void AppDelegate::openDonatePage() {
  (void)platform().workspace->openURL(Links::donate());
}

}  // namespace strandel
