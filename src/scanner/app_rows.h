#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ports/accessibility.h"
#include "ports/geometry.h"
#include "scanner/agent_hosting.h"
#include "scanner/extra_item.h"
#include "scanner/menu_bar_scanner.h"

namespace strandel {

// One application's part of a scan: what its own requests, made in order on its lane, gave.
struct AppRows {
  ProcessID pid = 0;
  // Its extras, labelled, in the order its bar lists them.
  ExtraItems items;
  // Control Center's children: each may be another app's extra a second time, so it is
  // labelled only once the other apps' rows show that it is not.
  struct Hosted {
    AXRef element;
    Rect frame;
    bool occluded = false;
    std::optional<std::string> description;
  };
  std::vector<Hosted> hosted;
  std::optional<std::string> name;  // labels the hosted
  ImageRef icon;
  // With the agent: extras that only one of its slots showed, with that slot's place among
  // all the agent's slots; they follow every app's own extras, in the agent's order.
  std::vector<std::pair<size_t, ExtraItemRef>> slotOnly;
};

namespace rows {

// The agent's slots, shared read-only by every lane, and each app's own among them.
struct AgentSlots {
  std::shared_ptr<const std::vector<agent::Slot>> all;
  std::unordered_map<ProcessID, std::vector<size_t>> byOwner;
};
AgentSlots ownedSlots(std::vector<agent::Slot> slots);

// One app's extras; every request is bounded by the scan's time-out, and an app that timed
// out gives the rows it had answered by then. `slots`: the agent's, when it draws the bar.
AppRows read(const MenuBarScanner::Context& context, const MenuBarScanner::Context::App& app,
             const AgentSlots* slots);

// The rows of all apps given in the context's order: Control Center's second copies left
// out, and its child lying on the program's own item at `ownItem`; the rest left to right
// (ties in the order found).
ExtraItems join(const std::vector<const AppRows*>& apps, const std::optional<Rect>& ownItem);

// The cached items grouped by the app that owns each (found without asking the app).
std::unordered_map<ProcessID, ExtraItems> byApp(const ExtraItems& items);

}  // namespace rows

}  // namespace strandel
