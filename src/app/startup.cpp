#include "app/app_delegate.h"
#include "localization/localization.h"
#include "ports/platform.h"
#include "update/update_checker.h"

namespace strandel {

namespace {

constexpr const char* kAutosaveName = "StrandelControl";
constexpr const char* kSavedPositionKey = "NSStatusItem Preferred Position StrandelControl";
constexpr const char* kStatusSymbol = "ellipsis.circle";
constexpr unsigned kTrackingOptions =
    kTrackingMouseEnteredAndExited | kTrackingActiveAlways | kTrackingInVisibleRect;
constexpr double kUpdateCheckDelay = 3.0;

}  // namespace

void AppDelegate::applicationDidFinishLaunching() {
  auto& p = platform();

  // In place before the item exists, so the status bar finds a position for it; whatever
  // the user's moves stored there is kept.
  if (!p.userDefaults->objectForKey(kSavedPositionKey))
    p.userDefaults->setInteger(0, kSavedPositionKey);

  statusItem = p.statusBar->statusItemWithLength(kVariableStatusItemLength);
  if (statusItem) {
    statusItem->setAutosaveName(kAutosaveName);
    if (auto* button = statusItem->button()) {
      button->setImage(p.images->systemSymbol(kStatusSymbol, L("statusItem.tooltip")));
      // Drawn in the menu bar's own colours.
      if (auto image = button->image()) image->setTemplate(true);
      button->setToolTip(L("statusItem.tooltip"));
      // The visible-rect option makes the zero rectangle follow the button's bounds.
      button->addTrackingArea(TrackingArea{Rect{}, kTrackingOptions, weak_from_this()});
    }
  }

  menu->setDelegate(weak_from_this());
  if (statusItem) statusItem->setMenu(menu);

  // Nothing is registered until the person has picked a shortcut.
  applyStoredShortcut();
  scheduleHiddenIconNotice();

  observeAppLifecycle();

  if (!p.accessibility->isProcessTrusted()) {
    (void)p.accessibility->isProcessTrustedWithOptions(/*prompt=*/true);
    watchForAccessibilityGrant();
  } else {
    // Fills the cache before the first click.
    refresh(std::nullopt);
  }

  p.dispatch->mainQueue().asyncAfter(kUpdateCheckDelay,
                                     [] { UpdateChecker::check(/*manual=*/false); });
}

}  // namespace strandel
