#include "scanner/menu_bar_scanner.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "ports/platform.h"
#include "scanner/agent_hosting.h"
#include "scanner/ax_read.h"
#include "scanner/control_center_hosting.h"
#include "scanner/displays.h"
#include "scanner/extras_bar.h"

namespace strandel {

namespace {

constexpr float kPressTimeout = 2.0f;

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

// Each app's own extras where they say they are; Control Center's second copy of another
// app's extra is left out. Without Control Center hosting anything, exactly the classic bar.
ExtraItems scanOwnBars(const MenuBarScanner::Context& context) {
  ExtraItems result;
  std::vector<bool> hosted;
  for (const MenuBarScanner::Context::App& app : context.apps) {
    const bool fromControlCenter = app.bundleIdentifier == controlCenter::kBundleIdentifier;
    for (const AXRef& child : readExtrasBarChildren(app.pid)) {
      const std::optional<Rect> frame = axFrame(child);
      if (!frame || !(width(*frame) > 0)) continue;
      const bool occluded = displays::isOccluded(*frame, context);
      std::string label = MenuBarScanner::label(child, app.name);
      result.push_back(std::make_shared<const ExtraItem>(std::move(label), app.icon, child, *frame,
                                                         occluded, app.name.value_or("")));
      hosted.push_back(fromControlCenter);
    }
  }
  controlCenter::dropHostedDuplicates(result, hosted);
  return result;
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
    if (app.isTerminated) continue;
    // The agent is found whatever its activation policy: it may well run without any.
    if (!context.agent && app.localizedName == agent::kProcessName) {
      context.agent = app.processIdentifier;
    }
    if (app.processIdentifier == excluding) continue;
    if (app.activationPolicy == ActivationPolicy::prohibited) continue;
    context.apps.push_back(
        Context::App{app.processIdentifier, app.localizedName, app.icon, app.bundleIdentifier});
  }
  context.notch = notchRange(*screen);
  context.screenWidth = width(screen->frame());
  context.screens = displays::fromScreens(platform().screens->screens());
  return context;
}

ExtraItems MenuBarScanner::scan(const Context& context) {
  ExtraItems result = context.agent ? agent::scan(context) : scanOwnBars(context);
  std::stable_sort(result.begin(), result.end(), leftOf);
  return result;
}

bool MenuBarScanner::press(const ExtraItem& item) {
  Accessibility& ax = *platform().accessibility;
  ax.setMessagingTimeout(item.element, kPressTimeout);
  return ax.performAction(item.element, "AXPress") == AXError::success;
}

}  // namespace strandel
