#include "app/app_delegate.h"
#include "localization/localization.h"
#include "ports/platform.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scan_run.h"

namespace strandel {

namespace {

// Lets the menu finish closing before the extra opens its own.
constexpr double kPressDelay = 0.12;

}  // namespace

void AppDelegate::menuNeedsUpdate(Menu& shown) {
  if (!platform().accessibility->isProcessTrusted()) {
    showPermissionMenu(shown);
    return;
  }
  // While a scan is in flight, the apps that have answered show their fresh rows at once.
  if (scanRun && scanRun->answeredAny() && &shown == menu.get()) {
    build(shown, scanRun->rowsWith(cachedItems));
  } else {
    build(shown, cachedItems);
  }
  if (cachedItems && platform().clock->now().timeIntervalSince(cachedAt) <= kCacheFreshness) {
    return;
  }
  // Only the delegate's own menu takes the rows when the scan comes back.
  const bool ownMenu = &shown == menu.get();
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  refresh([weakSelf, ownMenu](const ExtraItems&) {
    auto self = weakSelf.lock();
    if (self && ownMenu && self->menuIsOpen) self->freshRowsArrived();
  });
}

void AppDelegate::menuWillOpen(Menu&) {
  menuIsOpen = true;
  pauseShortcutForMenu();
}

void AppDelegate::menuDidClose(Menu&) {
  menuIsOpen = false;
  resumeShortcutAfterMenu();
  // The next opening rebuilds from the cache, with an empty search field.
  shownSignature.reset();
  clearSearch();
}

void AppDelegate::showPermissionMenu(Menu& shown) {
  auto& menus = *platform().menus;
  shownSignature.reset();
  shown.removeAllItems();
  auto notice = menus.makeItem(L("permission.required"), std::nullopt, "");
  notice->setEnabled(false);
  shown.addItem(notice);
  shown.addItem(menus.separatorItem());
  auto settings =
      shown.addItemWithTitle(L("permission.openSettings"), kOpenAccessibilitySettingsAction, "");
  settings->setTarget(weak_from_this());
  shown.addItem(menus.separatorItem());
  addQuitItem(shown);
  addShortcutCloser(shown);
}

void AppDelegate::addFooterItems(Menu& shown) {
  auto& menus = *platform().menus;
  auto launchAtLogin = menus.makeItem(L("menu.launchAtLogin"), kToggleLaunchAtLoginAction, "");
  launchAtLogin->setTarget(weak_from_this());
  // Approval pending or not found is not "on": only what the system reports as enabled.
  bool enabled = platform().loginItems->status() == LoginItemStatus::enabled;
  launchAtLogin->setState(enabled ? ControlState::on : ControlState::off);
  shown.addItem(launchAtLogin);

  addShortcutItem(shown);

  auto updates = menus.makeItem(L("menu.checkForUpdates"), kCheckForUpdatesAction, "");
  updates->setTarget(weak_from_this());
  shown.addItem(updates);

  // Takes the place of the row above while Option is held.
  auto report = menus.makeItem(L("menu.copyReport"), kCopyMenuBarReportAction, "");
  report->setTarget(weak_from_this());
  report->setKeyEquivalentModifierMask(ModifierFlags::option);
  report->setAlternate(true);
  shown.addItem(report);

  auto donate = menus.makeItem(L("menu.donate"), kOpenDonatePageAction, "");
  donate->setTarget(weak_from_this());
  shown.addItem(donate);

  addQuitItem(shown);
}

void AppDelegate::addQuitItem(Menu& shown) {
  auto quit = platform().menus->makeItem(L("menu.quit"), kTerminateAction, "q");
  quit->setTarget(std::weak_ptr<ActionTarget>(platform().application));
  shown.addItem(quit);
}

void AppDelegate::pick(MenuItem& row) {
  auto item = std::dynamic_pointer_cast<const ExtraItem>(row.representedObject());
  if (!item) return;
  // The blocks hold the item only; the press needs nothing of the delegate.
  // On the app's own lane: after the requests already sent to that app, never behind
  // another app's.
  platform().dispatch->mainQueue().asyncAfter(kPressDelay, [item] {
    ProcessID pid = 0;
    (void)platform().accessibility->getPid(item->element, pid);
    MenuBarScanner::lane(pid).async([item] { (void)MenuBarScanner::press(*item); });
  });
}

}  // namespace strandel
