#include "scanner/displays.h"

namespace strandel::displays {

namespace {

using Display = MenuBarScanner::Context::Display;

double minY(const Rect& r) {
  return std::fmin(r.origin.y, r.origin.y + r.size.height);
}
double maxY(const Rect& r) {
  return std::fmax(r.origin.y, r.origin.y + r.size.height);
}

bool occludedOn(const Rect& frame, double left, double right,
                const std::optional<MenuBarScanner::Range>& notch) {
  const double lo = minX(frame);
  const double hi = maxX(frame);
  bool occluded = lo < left || right < hi;
  if (notch && notch->lower < hi && lo < notch->upper) occluded = true;
  return occluded;
}

}  // namespace

std::vector<Display> fromScreens(const std::vector<std::shared_ptr<const Screen>>& screens) {
  std::vector<Display> out;
  if (screens.empty()) return out;
  // Window-system frames grow upwards from the first screen's bottom edge; Accessibility
  // positions grow downwards from its top edge.
  const double top = maxY(screens.front()->frame());
  for (const auto& screen : screens) {
    const Rect frame = screen->frame();
    const Rect flipped{{minX(frame), top - maxY(frame)}, {width(frame), maxY(frame) - minY(frame)}};
    out.push_back(Display{flipped, MenuBarScanner::notchRange(*screen)});
  }
  return out;
}

const Display* holding(const Rect& frame, const MenuBarScanner::Context& context) {
  const double x = (minX(frame) + maxX(frame)) / 2;
  const double y = (minY(frame) + maxY(frame)) / 2;
  for (const Display& display : context.screens) {
    const Rect& area = display.frame;
    if (minX(area) <= x && x < maxX(area) && minY(area) <= y && y < maxY(area)) return &display;
  }
  return nullptr;
}

bool isOccluded(const Rect& frame, const MenuBarScanner::Context& context) {
  if (context.screens.size() <= 1) {
    return occludedOn(frame, 0, context.screenWidth, context.notch);
  }
  const Display* display = holding(frame, context);
  if (!display) return true;
  return occludedOn(frame, minX(display->frame), maxX(display->frame), display->notch);
}

}  // namespace strandel::displays
