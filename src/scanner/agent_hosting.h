#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "ports/accessibility.h"
#include "ports/geometry.h"
#include "scanner/extra_item.h"
#include "scanner/menu_bar_scanner.h"

// macOS 27: one agent process draws the menu bar, one window per screen and in each one slot
// per status item, whose child is the element of the app that made the item. The apps' own
// extras still press, but their positions are not where they are drawn; the slots' are.
namespace strandel {
struct AppRows;
}

namespace strandel::agent {

inline constexpr std::string_view kProcessName = "MenuBarAgent";

struct Slot {
  AXRef child;                // the status item's element
  ProcessID owner = 0;        // the child's process; 0 when unknown
  std::optional<Rect> frame;  // none: not laid out
  // Put away in the system's overflow: not laid out, stacked on another slot, or outside
  // every screen.
  bool overflowed = false;
};

// The agent's slots, window by window: "AXWindows" once, "AXChildren" once per window and one
// request per slot for its position, size and child together, each bounded by the scan's
// time-out. Overflow is marked.
std::vector<Slot> readSlots(ProcessID agent, const MenuBarScanner::Context& context);

// One app's extras, each placed by the slot that shows it: `own` are the indexes of the
// app's slots among `slots`. Nothing for the agent itself.
AppRows readApp(const MenuBarScanner::Context& context, const MenuBarScanner::Context::App& app,
                const std::vector<Slot>& slots, const std::vector<size_t>& own);

}  // namespace strandel::agent
