// The macOS program: the real platform services behind the ports, then the application.

#import <AppKit/AppKit.h>
#include <unistd.h>

#include "app/app_delegate.h"
#include "ports/platform.h"

#import "adapters/macos/alerts.h"
#import "adapters/macos/application.h"
#import "adapters/macos/ax_accessibility.h"
#import "adapters/macos/bundle.h"
#import "adapters/macos/clock.h"
#import "adapters/macos/dispatch.h"
#import "adapters/macos/hot_keys.h"
#import "adapters/macos/images.h"
#import "adapters/macos/login_items.h"
#import "adapters/macos/menus.h"
#import "adapters/macos/notifications.h"
#import "adapters/macos/pasteboard.h"
#import "adapters/macos/screens.h"
#import "adapters/macos/status_bar.h"
#import "adapters/macos/system_log.h"
#import "adapters/macos/timers.h"
#import "adapters/macos/url_session.h"
#import "adapters/macos/urls.h"
#import "adapters/macos/user_defaults.h"
#import "adapters/macos/workspace.h"

int main() {
  @autoreleasepool {
    namespace mac = strandel::mac;
    // Never destroyed: quitting ends in exit(), which runs static destructors while a scan
    // or a press may still be using the platform on the scan queue.
    strandel::Platform& platform = *new strandel::Platform;
    platform.accessibility = mac::makeAccessibility();
    platform.workspace = mac::makeWorkspace();
    platform.screens = mac::makeScreens();
    platform.urls = mac::makeURLs();
    platform.images = mac::makeImages();
    platform.dispatch = mac::makeDispatch();
    platform.clock = mac::makeClock();
    platform.timers = mac::makeTimers();
    platform.application = mac::makeApplication();
    platform.userDefaults = mac::makeUserDefaults();
    platform.bundle = mac::makeBundle();
    platform.distributedCenter = mac::makeDistributedCenter();
    platform.loginItems = mac::makeLoginItems();
    platform.http = mac::makeHTTPSession();
    platform.systemLog = mac::makeSystemLog();
    platform.statusBar = mac::makeStatusBar();
    platform.menus = mac::makeMenus();
    platform.alerts = mac::makeAlerts();
    platform.generalPasteboard = mac::makeGeneralPasteboard();
    platform.processInfo = mac::makeProcessInfo();
    platform.hotKeys = mac::makeHotKeys();
    platform.processIdentifier = getpid();
    strandel::installPlatform(&platform);
    return strandel::runApplication();
  }
}
