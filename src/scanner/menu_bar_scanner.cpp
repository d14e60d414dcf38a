#include "scanner/menu_bar_scanner.h"

#include <mutex>
#include <unordered_set>

#include "ports/platform.h"
#include "scanner/agent_hosting.h"
#include "scanner/app_rows.h"
#include "scanner/displays.h"

namespace strandel {

namespace {

constexpr float kPressTimeout = 2.0f;

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
    // The agent is found whatever its activation policy (it may well run without any), and
    // by its executable's name, which unlike its localized name is the same in every language.
    if (!context.agent && app.executableName == agent::kExecutableName) {
      context.agent = app.processIdentifier;
    }
    if (app.processIdentifier == excluding) continue;
    if (app.activationPolicy == ActivationPolicy::prohibited) continue;
    context.apps.push_back(Context::App{app.processIdentifier, app.localizedName, app.icon,
                                        app.bundleIdentifier, app.executableName});
  }
  context.notch = notchRange(*screen);
  context.screenWidth = width(screen->frame());
  context.screens = displays::fromScreens(platform().screens->screens());
  return context;
}

DispatchQueue& MenuBarScanner::lane(ProcessID pid) {
  Platform& p = platform();
  std::shared_ptr<DispatchQueue>& queue = p.appQueues[pid];
  if (!queue) {
    // Every lane carries the label of the one queue it takes the place of.
    queue = p.dispatch->makeSerialQueue("com.quillet.strandel.ax", QualityOfService::userInitiated);
  }
  return *queue;
}

void MenuBarScanner::forgetLanesBut(const std::vector<ProcessID>& running) {
  const std::unordered_set<ProcessID> keep(running.begin(), running.end());
  std::erase_if(platform().appQueues,
                [&](const auto& entry) { return !keep.contains(entry.first); });
}

ExtraItems MenuBarScanner::scan(const Context& context) {
  std::optional<rows::AgentSlots> slots;
  if (context.agent) slots = rows::ownedSlots(agent::readSlots(*context.agent, context));
  std::vector<AppRows> apps;
  apps.reserve(context.apps.size());
  for (const Context::App& app : context.apps) {
    apps.push_back(rows::read(context, app, slots ? &*slots : nullptr));
  }
  std::vector<const AppRows*> all;
  for (const AppRows& app : apps) all.push_back(&app);
  return finish(context, all);
}

ExtraItems MenuBarScanner::finish(const Context& context, const std::vector<const AppRows*>& apps) {
  ExtraItems result = rows::join(apps, context.ownItem);
  Platform& p = platform();
  if (!context.agent && p.systemLog && agent::looksLikePlaceholders(result)) {
    std::call_once(p.agentMissingOnce, [&p] {
      p.systemLog->log(std::string("Strandel: extras have placeholder frames, but no ") +
                       std::string(agent::kExecutableName) +
                       " runs to say where they are drawn; hidden and visible may be wrong");
    });
  }
  return result;
}

bool MenuBarScanner::press(const ExtraItem& item) {
  Accessibility& ax = *platform().accessibility;
  ax.setMessagingTimeout(item.element, kPressTimeout);
  return ax.performAction(item.element, "AXPress") == AXError::success;
}

}  // namespace strandel
