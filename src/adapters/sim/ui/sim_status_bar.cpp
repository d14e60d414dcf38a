#include "adapters/sim/ui/sim_status_bar.h"

namespace strandel::sim {

SimStatusItem::SimStatusItem(double length, bool hasButton)
    : length_(length), button_(hasButton ? std::make_unique<SimStatusBarButton>() : nullptr) {
  if (button_) button_->onClick = [this] { click(); };
}

void SimStatusItem::hover() {
  if (!button_) return;
  // Copy first: an owner may add areas while it is told.
  auto areas = button_->trackingAreas();
  for (const auto& area : areas) {
    if ((area.options & kTrackingMouseEnteredAndExited) == 0) continue;
    if ((area.options & kTrackingActiveAlways) == 0) continue;
    if (auto owner = area.owner.lock()) owner->mouseEntered();
  }
}

bool SimStatusItem::click() {
  auto shown = menu();
  if (!shown) return false;
  if (shown->isOpen()) {
    shown->cancelTracking();
  } else {
    shown->open();
  }
  return true;
}

StatusItemRef SimStatusBar::statusItemWithLength(double length) {
  auto item = std::make_shared<SimStatusItem>(length, itemsHaveButtons_);
  if (auto* button = item->simButton()) {
    button->placement = [this] { return placement ? placement() : std::nullopt; };
  }
  items_.push_back(item);
  return item;
}

}  // namespace strandel::sim
