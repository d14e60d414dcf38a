#include "scanner/displays.h"

#include <algorithm>

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
  // A hosting window may be up to 2 points wider than the item it draws.
  bool occluded = lo < left || right + kRightEdgeAllowance < hi;
  if (notch && notch->lower < hi && lo < notch->upper) occluded = true;
  return occluded;
}

// The strip at the top of the screen where its menu bar draws status items: at least
// kMenuBarStrip points high, or as high as the areas beside the notch.
bool inMenuBarStrip(const Rect& frame, const Display& display) {
  const double top = minY(display.frame);
  const double strip = std::max(kMenuBarStrip, display.barHeight);
  return top <= minY(frame) && maxY(frame) <= top + strip;
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
    double bar = 0;
    for (const auto& area : {screen->auxiliaryTopLeftArea(), screen->auxiliaryTopRightArea()}) {
      if (area) bar = std::max(bar, maxY(*area) - minY(*area));
    }
    out.push_back(Display{flipped, MenuBarScanner::notchRange(*screen), bar});
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
  if (!display || !inMenuBarStrip(frame, *display)) return true;
  return occludedOn(frame, minX(display->frame), maxX(display->frame), display->notch);
}

std::optional<Rect> toAccessibility(const Rect& windowFrame,
                                    const std::vector<std::shared_ptr<const Screen>>& screens) {
  if (screens.empty()) return std::nullopt;
  const double top = maxY(screens.front()->frame());
  return Rect{{minX(windowFrame), top - maxY(windowFrame)},
              {width(windowFrame), maxY(windowFrame) - minY(windowFrame)}};
}

OwnItemPlace ownItemPlace(const std::optional<Rect>& windowFrame, bool isVisible,
                          const std::vector<std::shared_ptr<const Screen>>& screens) {
  const std::optional<Rect> frame =
      windowFrame ? toAccessibility(*windowFrame, screens) : std::nullopt;
  if (!isVisible || !frame || !(width(*frame) > 0)) return OwnItemPlace::notShown;
  MenuBarScanner::Context context;
  context.screens = fromScreens(screens);
  context.screenWidth = width(context.screens.front().frame);
  context.notch = context.screens.front().notch;
  if (!isOccluded(*frame, context)) return OwnItemPlace::visible;
  const Display* display = holding(*frame, context);
  if (display && display->notch && display->notch->lower < maxX(*frame) &&
      minX(*frame) < display->notch->upper && inMenuBarStrip(*frame, *display)) {
    return OwnItemPlace::behindNotch;
  }
  return OwnItemPlace::notShown;
}

}  // namespace strandel::displays
