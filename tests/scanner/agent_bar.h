#pragma once

// The menu bar agent of macOS 27 for the scanner's tests: its windows and slots, laid over
// the simulated desktop, whose apps keep answering everything else. A slot's child is the
// very element that its app lists in its own extras bar.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adapters/sim/desktop/ax_objects.h"
#include "scanner/scanner_world.h"

namespace strandel::test {

class AgentBar final : public Accessibility {
 public:
  struct Slot {
    std::optional<Rect> frame;  // none: not laid out
    ProcessID owner = 0;
    size_t extra = 0;  // which of the owner's extras, in its bar's order
  };
  using Window = std::vector<Slot>;

  AgentBar(ScannerWorld& world, ProcessID agent, std::vector<Window> windows)
      : world_(world), sim_(*world.ax), agent_(agent), windows_(std::move(windows)) {
    world.platform.accessibility = std::shared_ptr<Accessibility>(this, [](Accessibility*) {});
  }
  ~AgentBar() override { world_.platform.accessibility = world_.ax; }
  AgentBar(const AgentBar&) = delete;
  AgentBar& operator=(const AgentBar&) = delete;

  // Requests to the agent's windows and slots, and its "AXWindows".
  size_t agentRequests = 0;

  bool isProcessTrusted() override { return sim_.isProcessTrusted(); }
  bool isProcessTrustedWithOptions(bool prompt) override {
    return sim_.isProcessTrustedWithOptions(prompt);
  }
  AXRef createApplication(ProcessID pid) override { return sim_.createApplication(pid); }
  AXError setMessagingTimeout(const AXRef& element, float seconds) override {
    return sim_.setMessagingTimeout(element, seconds);
  }
  AXError copyAttributeValue(const AXRef& element, std::string_view attribute,
                             AXRef& value) override {
    value.reset();
    const auto* app = dynamic_cast<const sim::SimElement*>(element.get());
    if (app && app->address().kind == sim::ElementKind::application &&
        app->address().pid == agent_ && attribute == "AXWindows") {
      ++agentRequests;
      std::vector<AXRef> windows;
      for (size_t w = 0; w < windows_.size(); ++w) windows.push_back(node(w, kWindow));
      value = std::make_shared<const sim::SimArray>(std::move(windows));
      return AXError::success;
    }
    const auto* window = dynamic_cast<const Node*>(element.get());
    if (!window) return sim_.copyAttributeValue(element, attribute, value);
    ++agentRequests;
    if (window->slot != kWindow || attribute != "AXChildren") return AXError::attributeUnsupported;
    std::vector<AXRef> slots;
    for (size_t s = 0; s < windows_[window->window].size(); ++s) {
      slots.push_back(node(window->window, s));
    }
    value = std::make_shared<const sim::SimArray>(std::move(slots));
    return AXError::success;
  }
  AXError copyMultipleAttributeValues(const AXRef& element,
                                      const std::vector<std::string>& attributes,
                                      AXRef& values) override {
    values.reset();
    const auto* slot = dynamic_cast<const Node*>(element.get());
    if (!slot) return sim_.copyMultipleAttributeValues(element, attributes, values);
    ++agentRequests;
    const Slot& spec = windows_[slot->window][slot->slot];
    std::vector<AXRef> answers;
    for (const std::string& attribute : attributes) {
      if (attribute == "AXChildren") {
        answers.push_back(std::make_shared<const sim::SimArray>(std::vector<AXRef>{child(spec)}));
      } else if (spec.frame && attribute == "AXPosition") {
        answers.push_back(sim::SimValue::point(spec.frame->origin));
      } else if (spec.frame && attribute == "AXSize") {
        answers.push_back(sim::SimValue::size(spec.frame->size));
      } else {
        answers.push_back(sim::SimValue::error(AXError::noValue));
      }
    }
    values = std::make_shared<const sim::SimArray>(std::move(answers));
    return AXError::success;
  }
  AXError copyActionNames(const AXRef& element, AXRef& names) override {
    return sim_.copyActionNames(element, names);
  }
  AXError performAction(const AXRef& element, std::string_view action) override {
    return sim_.performAction(element, action);
  }
  AXError getPid(const AXRef& element, ProcessID& pid) override {
    if (dynamic_cast<const Node*>(element.get())) {
      pid = agent_;
      return AXError::success;
    }
    return sim_.getPid(element, pid);
  }
  bool equal(const AXRef& a, const AXRef& b) override { return sim_.equal(a, b); }
  TypeID typeID(const AXRef& value) override {
    return dynamic_cast<const Node*>(value.get()) ? sim_.elementTypeID() : sim_.typeID(value);
  }
  TypeID elementTypeID() override { return sim_.elementTypeID(); }
  TypeID valueTypeID() override { return sim_.valueTypeID(); }
  TypeID stringTypeID() override { return sim_.stringTypeID(); }
  TypeID arrayTypeID() override { return sim_.arrayTypeID(); }
  TypeID numberTypeID() override { return sim_.numberTypeID(); }
  TypeID booleanTypeID() override { return sim_.booleanTypeID(); }
  bool valueGetPoint(const AXRef& value, Point& point) override {
    return sim_.valueGetPoint(value, point);
  }
  bool valueGetSize(const AXRef& value, Size& size) override {
    return sim_.valueGetSize(value, size);
  }
  std::string stringValue(const AXRef& value) override { return sim_.stringValue(value); }
  std::vector<AXRef> arrayValues(const AXRef& value) override { return sim_.arrayValues(value); }
  bool booleanValue(const AXRef& value) override { return sim_.booleanValue(value); }

 private:
  static constexpr size_t kWindow = static_cast<size_t>(-1);

  struct Node final : AXObject {
    Node(size_t w, size_t s) : window(w), slot(s) {}
    size_t window;
    size_t slot;  // kWindow for the window itself
  };
  static AXRef node(size_t window, size_t slot) {
    return std::make_shared<const Node>(window, slot);
  }

  // The owner's extra as its own bar hands it out; an agent's own extra has an id of its own.
  AXRef child(const Slot& spec) const {
    sim::ElementAddress address = world_.desktop->applicationAddress(spec.owner);
    address.kind = sim::ElementKind::extra;
    const std::optional<sim::AppSpec> app = world_.desktop->app(spec.owner);
    address.extra =
        app && spec.extra < app->extras.size() ? app->extras[spec.extra].id : 1000000 + spec.extra;
    return std::make_shared<const sim::SimElement>(address);
  }

  ScannerWorld& world_;
  sim::SimAccessibility& sim_;
  ProcessID agent_;
  std::vector<Window> windows_;
};

}  // namespace strandel::test
