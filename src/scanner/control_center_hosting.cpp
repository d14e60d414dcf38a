#include "scanner/control_center_hosting.h"

#include <cmath>

namespace strandel::controlCenter {

namespace {

double centreX(const Rect& r) {
  return (minX(r) + maxX(r)) / 2;
}
double centreY(const Rect& r) {
  return r.origin.y + r.size.height / 2;
}

}  // namespace

bool liesOn(const Rect& hosting, const Rect& own) {
  return std::fabs(centreX(hosting) - centreX(own)) <= kLyingTolerance &&
         std::fabs(centreY(hosting) - centreY(own)) <= kLyingTolerance;
}

void dropHostedDuplicates(ExtraItems& items, const std::vector<bool>& hosted,
                          const std::optional<Rect>& ownItem) {
  std::vector<bool> drop(items.size(), false);
  for (size_t i = 0; i < items.size(); ++i) {
    if (!hosted[i]) continue;
    drop[i] = ownItem && liesOn(items[i]->frame, *ownItem);
    for (size_t j = 0; j < items.size() && !drop[i]; ++j) {
      drop[i] = !hosted[j] && liesOn(items[i]->frame, items[j]->frame);
    }
  }
  ExtraItems kept;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!drop[i]) kept.push_back(std::move(items[i]));
  }
  items = std::move(kept);
}

}  // namespace strandel::controlCenter
