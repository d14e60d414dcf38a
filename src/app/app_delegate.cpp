#include "app/app_delegate.h"

#include <memory>

#include "ports/platform.h"

namespace strandel {

// Everything else waits for applicationDidFinishLaunching; the menu gets its delegate there.
AppDelegate::AppDelegate() : menu(platform().menus->makeMenu()) {}

bool AppDelegate::respondsTo(const std::string& action) const {
  return action == kPickAction || action == kToggleLaunchAtLoginAction ||
         action == kCheckForUpdatesAction || action == kOpenDonatePageAction ||
         action == kOpenAccessibilitySettingsAction || action == kCopyMenuBarReportAction ||
         action == kChooseShortcutAction || action == kCloseMenuAction;
}

void AppDelegate::perform(const std::string& action, MenuItem& sender) {
  if (action == kPickAction) {
    pick(sender);
  } else if (action == kToggleLaunchAtLoginAction) {
    toggleLaunchAtLogin();
  } else if (action == kCheckForUpdatesAction) {
    checkForUpdates();
  } else if (action == kOpenDonatePageAction) {
    openDonatePage();
  } else if (action == kOpenAccessibilitySettingsAction) {
    openAccessibilitySettings();
  } else if (action == kCopyMenuBarReportAction) {
    copyMenuBarReport();
  } else if (action == kChooseShortcutAction) {
    chooseShortcut(sender);
  }
}

}  // namespace strandel
