// The program's own status item can itself be hidden: behind the notch on a crowded bar, in
// the system's overflow, switched off, or with the menu bar away. Then a click on its button
// shows the menu nowhere, and a person without a shortcut cannot reach the program.
#include <algorithm>
#include <cmath>

#include "app/app_delegate.h"
#include "app/keyboard_shortcut.h"
#include "localization/localization.h"
#include "localization/string_format.h"
#include "ports/alert.h"
#include "ports/platform.h"
#include "scanner/displays.h"

namespace strandel {

namespace {

// Told once: set when the person has been told that the icon is hidden.
constexpr const char* kHiddenIconToldKey = "StrandelHiddenIconTold";
// The status bar lays the new item out after launching returns; looked at a little later.
constexpr double kOwnItemCheckDelay = 1.0;
// The least height of a menu bar; the areas beside a notch give a taller one.
constexpr double kMenuBarHeight = 24;

}  // namespace

std::optional<Rect> AppDelegate::ownItemFrame() const {
  StatusBarButton* button = statusItem ? statusItem->button() : nullptr;
  const std::optional<Rect> frame = button ? button->windowFrame() : std::nullopt;
  if (!frame) return std::nullopt;
  return displays::toAccessibility(*frame, platform().screens->screens());
}

displays::OwnItemPlace AppDelegate::ownItemPlace() const {
  StatusBarButton* button = statusItem ? statusItem->button() : nullptr;
  return displays::ownItemPlace(button ? button->windowFrame() : std::nullopt,
                                statusItem && statusItem->isVisible(),
                                platform().screens->screens());
}

void AppDelegate::openMenuFromShortcut() {
  if (ownItemPlace() == displays::OwnItemPlace::visible) {
    if (auto* button = statusItem->button()) button->performClick();
    return;
  }
  // Under the menu bar at the right end of the screen with the keyboard focus; the system
  // keeps the whole menu on that screen.
  const std::shared_ptr<const Screen> screen = platform().screens->mainScreen();
  if (!screen) return;
  const Rect frame = screen->frame();
  double bar = kMenuBarHeight;
  for (const auto& area : {screen->auxiliaryTopLeftArea(), screen->auxiliaryTopRightArea()}) {
    if (area) bar = std::max(bar, std::fabs(area->size.height));
  }
  menu->popUpAt(
      Point{maxX(frame), std::fmax(frame.origin.y, frame.origin.y + frame.size.height) - bar});
}

void AppDelegate::scheduleHiddenIconNotice() {
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  platform().dispatch->mainQueue().asyncAfter(kOwnItemCheckDelay, [weakSelf] {
    if (auto self = weakSelf.lock()) self->noticeHiddenIcon();
  });
}

void AppDelegate::noticeHiddenIcon() {
  auto& p = platform();
  // Without a screen there is nobody to tell.
  if (shortcut || p.screens->screens().empty()) return;
  // Not laid out yet: nothing to say where it is.
  if (!ownItemFrame() || p.userDefaults->objectForKey(kHiddenIconToldKey)) return;
  const displays::OwnItemPlace place = ownItemPlace();
  if (place == displays::OwnItemPlace::visible) return;
  p.userDefaults->setInteger(1, kHiddenIconToldKey);

  const KeyboardShortcut* offered = takeFirstFreeShortcut();
  const std::string informative = place == displays::OwnItemPlace::behindNotch
                                      ? L("ownItem.behindNotch")
                                      : L("ownItem.notShown");
  p.application->activateIgnoringOtherApps(true);
  std::unique_ptr<Alert> alert = p.alerts->makeAlert();
  alert->setMessageText(L("ownItem.hiddenTitle"));
  alert->setAlertStyle(AlertStyle::informational);
  if (!offered) {
    alert->setInformativeText(informative);
    alert->addButtonWithTitle(L("update.okButton"));
    (void)alert->runModal();
    return;
  }
  const std::string title = KeyboardShortcuts::title(*offered);
  alert->setInformativeText(informative + "\n\n" +
                            stringWithFormat(L("ownItem.shortcutOffer"), {title}));
  alert->addButtonWithTitle(stringWithFormat(L("ownItem.useShortcut"), {title}));
  alert->addButtonWithTitle(L("ownItem.notNow"));
  if (alert->runModal() == kAlertFirstButtonReturn) {
    p.userDefaults->setInteger(offered->storedValue, KeyboardShortcuts::kDefaultsKey);
  } else {
    unregisterShortcut();
    shortcut = nullptr;
  }
}

// The first offered combination that registers; it stays registered. None when every one is
// taken.
const KeyboardShortcut* AppDelegate::takeFirstFreeShortcut() {
  const std::vector<SymbolicHotKey> system = systemHotKeys();
  // The system's holds are skipped without asking; another app's show only on registering.
  for (const KeyboardShortcut* candidate = KeyboardShortcuts::firstFree(system); candidate;
       candidate = KeyboardShortcuts::firstFree(system, candidate->storedValue)) {
    shortcut = candidate;
    registerShortcut();
    if (shortcutRefusal == ShortcutRefusal::none) return shortcut;
    unregisterShortcut();
  }
  shortcut = nullptr;
  return nullptr;
}

}  // namespace strandel
