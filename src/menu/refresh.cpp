#include <utility>

#include "app/app_delegate.h"
#include "ports/platform.h"
#include "scanner/menu_bar_scanner.h"

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
  MenuBarScanner::queue().async([weakSelf, context = std::move(context)] {
    ExtraItems items = MenuBarScanner::scan(context);
    platform().dispatch->mainQueue().async([weakSelf, items = std::move(items)] {
      auto self = weakSelf.lock();
      if (!self) return;
      // The state is settled before anyone is served, so a completion that refreshes
      // starts a scan of its own.
      self->scanning = false;
      self->cachedItems = items;
      self->cachedAt = platform().clock->now();
      auto waiting = std::exchange(self->pendingCompletions, {});
      for (const auto& served : waiting) served(items);
    });
  });
}

void AppDelegate::mouseEntered() {
  double age = platform().clock->now().timeIntervalSince(cachedAt);
  if (age > kCacheFreshness) refresh(std::nullopt);
}

}  // namespace strandel
