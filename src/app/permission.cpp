#include "app/app_delegate.h"
#include "ports/platform.h"

namespace strandel {

namespace {

constexpr const char* kAccessibilityChangedNotification = "com.apple.accessibility.api";
constexpr const char* kPrivacyPaneAddress =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
// The notification may come before the permission reads as granted.
constexpr double kGrantCheckDelay = 0.5;
constexpr double kPollInterval = 1.0;

}  // namespace

void AppDelegate::watchForAccessibilityGrant() {
  if (accessibilityWatch) return;
  auto& p = platform();
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();

  // Added once and never removed: later notifications keep refreshing after the grant, and
  // a watch restarted after a revoke reuses it rather than checking twice per notification.
  if (!observingAccessibilityChanges) {
    observingAccessibilityChanges = true;
    p.distributedCenter->addObserver(kAccessibilityChangedNotification, [weakSelf] {
      platform().dispatch->mainQueue().asyncAfter(kGrantCheckDelay, [weakSelf] {
        if (auto self = weakSelf.lock()) self->checkAccessibilityGrant();
      });
    });
  }

  auto timer = p.timers->scheduledTimer(kPollInterval, /*repeats=*/true, [weakSelf](Timer&) {
    if (auto self = weakSelf.lock()) self->checkAccessibilityGrant();
  });
  // Common modes too, so the poll goes on while a menu is open.
  p.timers->addTimer(timer, RunLoopMode::commonModes);
  accessibilityWatch = std::move(timer);
}

void AppDelegate::checkAccessibilityGrant() {
  if (!platform().accessibility->isProcessTrusted()) return;
  if (accessibilityWatch) accessibilityWatch->invalidate();
  accessibilityWatch.reset();
  refresh(std::nullopt);
}

void AppDelegate::openAccessibilitySettings() {
  auto& p = platform();
  (void)p.accessibility->isProcessTrustedWithOptions(/*prompt=*/true);
  watchForAccessibilityGrant();
  if (auto url = p.urls->urlWithString(kPrivacyPaneAddress)) (void)p.workspace->openURL(*url);
}

void AppDelegate::observeAppLifecycle() {
  auto& center = platform().workspace->notificationCenter();
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  // Only the age is reset: the list stays on show and the next hover or opening rescans.
  for (const char* name :
       {kDidLaunchApplicationNotification, kDidTerminateApplicationNotification}) {
    center.addObserver(name, [weakSelf] {
      if (auto self = weakSelf.lock()) self->cachedAt = Date::distantPast();
    });
  }
}

}  // namespace strandel
