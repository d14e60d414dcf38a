#include "scanner/extra_item.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace strandel {

namespace {

// Rounds half away from zero. Frames from the Accessibility interface are always finite and
// small; anything else is clamped (NaN writes 0) so that the text stays well-formed.
int64_t roundedCoordinate(double x) {
  if (std::isnan(x)) return 0;
  const double r = std::round(x);
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (r >= kTwoTo63) return std::numeric_limits<int64_t>::max();
  if (r < -kTwoTo63) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(r);  // -0.0 becomes 0
}

}  // namespace

ExtraItem::ExtraItem(std::string appName_, ImageRef icon_, AXRef element_, Rect frame_,
                     bool occluded_, std::string ownerName_)
    : appName(std::move(appName_)),
      icon(std::move(icon_)),
      element(std::move(element_)),
      frame(frame_),
      occluded(occluded_),
      ownerName(std::move(ownerName_)) {}

std::string ExtraItem::signature() const {
  std::string out;
  out.reserve(appName.size() + 28);
  out += appName;
  out += occluded ? "|true|" : "|false|";
  out += std::to_string(roundedCoordinate(minX(frame)));
  return out;
}

}  // namespace strandel
