#pragma once

// A small simulated Mac for the scanner's tests and benchmark: a Desktop behind the
// simulated Accessibility, workspace and screens, virtual time for slow applications and a
// hand-driven dispatch, all installed as the platform for the life of the world.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/desktop/sim_accessibility.h"
#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/desktop/sim_workspace.h"
#include "adapters/sim/loop/time_source.h"
#include "ports/platform.h"
#include "scanner/extra_item.h"

namespace strandel::test {

// Time moves only when a slow application makes a request wait.
class StepTime final : public sim::TimeSource {
 public:
  void sleepFor(double seconds) override { now += seconds; }
  double elapsed() override { return now; }
  double now = 0;
};

// Blocks wait until the test drains the queue.
class HandQueue final : public MainQueue {
 public:
  explicit HandQueue(std::string label) : label_(std::move(label)) {}
  void async(Block block) override { blocks_.push_back(std::move(block)); }
  void asyncAfter(double, Block block) override { blocks_.push_back(std::move(block)); }
  std::string label() const override { return label_; }
  // Runs blocks, those they add included, until none is left; returns how many ran.
  size_t drain() {
    size_t ran = 0;
    for (; !blocks_.empty(); ++ran) {
      Block block = std::move(blocks_.front());
      blocks_.pop_front();
      block();
    }
    return ran;
  }

 private:
  std::string label_;
  std::deque<Block> blocks_;
};

class HandDispatch final : public Dispatch {
 public:
  MainQueue& mainQueue() override { return main_; }
  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                 QualityOfService qos) override {
    made.emplace_back(label, qos);
    serial.push_back(std::make_shared<HandQueue>(label));
    return serial.back();
  }
  std::vector<std::pair<std::string, QualityOfService>> made;
  std::vector<std::shared_ptr<HandQueue>> serial;

 private:
  HandQueue main_{"main"};
};

// Answers "item.unknown" and any other key with itself.
class KeyBundle final : public Bundle {
 public:
  std::optional<InfoValue> infoDictionaryValue(const std::string&) override { return std::nullopt; }
  std::string localizedString(const std::string& key, const std::string& value) override {
    if (key == "item.unknown") return "Unknown item";
    return value.empty() ? key : value;
  }
};

inline sim::ExtraSpec extraAt(double x, double width, std::optional<std::string> description,
                              double y = 0, double height = 22) {
  sim::ExtraSpec extra;
  extra.position = Point{x, y};
  extra.size = Size{width, height};
  extra.description = std::move(description);
  return extra;
}

inline sim::AppSpec appNamed(std::optional<std::string> name, std::vector<sim::ExtraSpec> extras,
                             ProcessID pid = 0) {
  sim::AppSpec app;
  app.pid = pid;
  app.name = std::move(name);
  app.icon = std::make_shared<sim::SimImage>("@", "blue");
  app.extras = std::move(extras);
  return app;
}

// The items as "label|occluded|x", in order.
inline std::vector<std::string> signatures(const ExtraItems& items) {
  std::vector<std::string> out;
  for (const auto& item : items) out.push_back(item->signature());
  return out;
}

// One slot of the agent's bar on macOS 27: where it draws an item (none: not laid out) and
// the item, the extra of the app that made it.
struct AgentSlot {
  std::optional<Rect> frame;
  ProcessID owner = 0;
  size_t extra = 0;
};

// The agent's window on one screen, holding its slots.
inline sim::ExtraSpec agentWindow(const std::vector<AgentSlot>& slots) {
  sim::ExtraSpec window;
  for (const AgentSlot& slot : slots) {
    sim::ExtraSpec drawn;
    drawn.laidOut = slot.frame.has_value();
    if (slot.frame) {
      drawn.position = slot.frame->origin;
      drawn.size = slot.frame->size;
    }
    sim::ExtraSpec item;
    item.standsFor = sim::ExtraReference{slot.owner, slot.extra};
    drawn.children.push_back(item);
    window.children.push_back(drawn);
  }
  return window;
}

class ScannerWorld {
 public:
  static constexpr ProcessID kOwnPid = 4242;

  ScannerWorld() {
    desktop->setAccessibilityGranted(true);
    desktop->setScreen(sim::ScreenSpec{Rect{{0, 0}, {900, 600}}, std::nullopt, std::nullopt});
    ax->setRecordingRequests(true);
    platform.accessibility = ax;
    platform.workspace = std::make_shared<sim::SimWorkspace>(desktop, nullptr);
    platform.screens = std::make_shared<sim::SimScreens>(desktop);
    platform.dispatch = dispatch;
    platform.bundle = std::make_shared<KeyBundle>();
    platform.processIdentifier = kOwnPid;
    scope = std::make_unique<ScopedPlatform>(platform);
  }

  ProcessID launch(sim::AppSpec app) { return desktop->launch(std::move(app)).value_or(0); }

  std::shared_ptr<sim::Desktop> desktop = std::make_shared<sim::Desktop>();
  std::shared_ptr<StepTime> time = std::make_shared<StepTime>();
  std::shared_ptr<sim::SimAccessibility> ax =
      std::make_shared<sim::SimAccessibility>(desktop, time);
  std::shared_ptr<HandDispatch> dispatch = std::make_shared<HandDispatch>();
  Platform platform;
  std::unique_ptr<ScopedPlatform> scope;
};

}  // namespace strandel::test
