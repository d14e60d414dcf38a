#include <utility>

#include "app/app_delegate.h"
#include "ports/platform.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scan_run.h"

namespace strandel {

void AppDelegate::refresh(std::optional<Completion> completion) {
  // Without access nothing is queued: the menu shows the permission rows instead.
  if (!platform().accessibility->isProcessTrusted()) return;
  if (completion && *completion) pendingCompletions.push_back(std::move(*completion));
  // The scan in flight serves everyone who asked while it runs.
  if (scanning) return;
  scanning = true;

  auto context = MenuBarScanner::makeContext(platform().processIdentifier);
  context.ownItem = ownItemFrame();
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  scanRun = ScanRun::start(
      std::move(context),
      [weakSelf] {
        if (auto self = weakSelf.lock()) self->freshRowsArrived();
      },
      [weakSelf](const ExtraItems& items) {
        auto self = weakSelf.lock();
        if (!self) return;
        // The state is settled before anyone is served, so a completion that refreshes
        // starts a scan of its own.
        const auto run = std::exchange(self->scanRun, nullptr);  // alive until served
        self->scanning = false;
        self->cachedItems = items;
        self->cachedAt = platform().clock->now();
        // An open menu that lists rows takes the whole fresh list, asked for or not, as
        // the last batch.
        if (self->menuIsOpen && self->shownSignature) self->freshRowsArrived();
        auto waiting = std::exchange(self->pendingCompletions, {});
        for (const auto& served : waiting) served(items);
      });
}

void AppDelegate::freshRowsArrived() {
  if (!menuIsOpen || rowsBatchPending) return;
  const double since = platform().clock->now().timeIntervalSince(rowsShownAt);
  if (since >= kRowsBatchInterval) {
    showFreshRows();
    return;
  }
  rowsBatchPending = true;
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  platform().dispatch->mainQueue().asyncAfter(kRowsBatchInterval - since, [weakSelf] {
    auto self = weakSelf.lock();
    if (!self) return;
    self->rowsBatchPending = false;
    self->showFreshRows();
  });
}

void AppDelegate::showFreshRows() {
  if (!menuIsOpen) return;
  // Without a scan in flight the cache holds the whole fresh list.
  const auto before = shownSignature;
  build(*menu, scanRun ? scanRun->rowsWith(cachedItems) : cachedItems);
  // Only rows that changed start the interval: answers that change nothing delay nothing.
  if (shownSignature != before) rowsShownAt = platform().clock->now();
}

void AppDelegate::mouseEntered() {
  double age = platform().clock->now().timeIntervalSince(cachedAt);
  if (age > kCacheFreshness) refresh(std::nullopt);
}

}  // namespace strandel
