#include "scanner/menu_bar_scanner.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "ports/platform.h"
#include "scanner/ax_read.h"

namespace strandel {

namespace {

constexpr float kPressTimeout = 2.0f;

bool isOccluded(const Rect& frame, const MenuBarScanner::Context& context) {
  const double lo = minX(frame);
  const double hi = maxX(frame);
  bool occluded = lo < 0 || context.screenWidth < hi;
  if (context.notch && context.notch->lower < hi && lo < context.notch->upper) occluded = true;
  return occluded;
}

// Left to right by minimum x only. A NaN coordinate (never reported by the platform) sorts
// after every number so that the ordering stays a strict weak one.
bool leftOf(const ExtraItemRef& a, const ExtraItemRef& b) {
  const double ax = minX(a->frame);
  const double bx = minX(b->frame);
  const bool aNaN = std::isnan(ax);
  const bool bNaN = std::isnan(bx);
  if (aNaN || bNaN) return !aNaN && bNaN;
  return ax < bx;
}

void scanApp(Accessibility& ax, const MenuBarScanner::Context& context,
             const MenuBarScanner::Context::App& app, ExtraItems& result) {
  const AXRef appElement = ax.createApplication(app.pid);
  if (!appElement) return;
  ax.setMessagingTimeout(appElement, MenuBarScanner::kScanTimeout);

  const AXRef bar = axCopy(appElement, "AXExtrasMenuBar");
  if (!bar || ax.typeID(bar) != ax.elementTypeID()) return;

  const AXRef children = axCopy(bar, "AXChildren");
  if (!children || ax.typeID(children) != ax.arrayTypeID()) return;

  for (const AXRef& child : ax.arrayValues(children)) {
    const std::optional<Rect> frame = axFrame(child);
    if (!frame || !(width(*frame) > 0)) continue;
    const bool occluded = isOccluded(*frame, context);
    std::string label = MenuBarScanner::label(child, app.name);
    result.push_back(
        std::make_shared<const ExtraItem>(std::move(label), app.icon, child, *frame, occluded));
  }
}

}  // namespace

DispatchQueue& MenuBarScanner::queue() {
  Platform& p = platform();
  std::call_once(p.scanQueueOnce, [&p] {
    p.scanQueue =
        p.dispatch->makeSerialQueue("com.quillet.strandel.ax", QualityOfService::userInitiated);
  });
  return *p.scanQueue;
}

std::optional<MenuBarScanner::Range> MenuBarScanner::notchRange(const Screen& screen) {
  const std::optional<Rect> left = screen.auxiliaryTopLeftArea();
  if (!left) return std::nullopt;
  const std::optional<Rect> right = screen.auxiliaryTopRightArea();
  if (!right) return std::nullopt;
  const double lower = maxX(*left);
  const double upper = minX(*right);
  if (!(lower < upper)) return std::nullopt;  // touching, crossed or NaN
  return Range{lower, upper};
}

MenuBarScanner::Context MenuBarScanner::makeContext(ProcessID excluding) {
  const std::shared_ptr<const Screen> screen = platform().screens->mainScreen();
  if (!screen) return Context{};

  Context context;
  for (const RunningApplication& app : platform().workspace->runningApplications()) {
    if (app.processIdentifier == excluding) continue;
    if (app.isTerminated) continue;
    if (app.activationPolicy == ActivationPolicy::prohibited) continue;
    context.apps.push_back(Context::App{app.processIdentifier, app.localizedName, app.icon});
  }
  context.notch = notchRange(*screen);
  context.screenWidth = width(screen->frame());
  return context;
}

ExtraItems MenuBarScanner::scan(const Context& context) {
  Accessibility& ax = *platform().accessibility;
  ExtraItems result;
  for (const Context::App& app : context.apps) scanApp(ax, context, app, result);
  std::stable_sort(result.begin(), result.end(), leftOf);
  return result;
}

bool MenuBarScanner::press(const ExtraItem& item) {
  Accessibility& ax = *platform().accessibility;
  ax.setMessagingTimeout(item.element, kPressTimeout);
  return ax.performAction(item.element, "AXPress") == AXError::success;
}

}  // namespace strandel
