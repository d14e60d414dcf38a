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

// The name of the agent's executable, as public reports name its process.
inline constexpr std::string_view kExecutableName = "MenuBarAgent";

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

// True when frames read from the apps' own bars look like the placeholders an app's items get
// when the agent draws them: two items on exactly one frame (extras never overlap; the frame
// at x = -1 that switched-off items share aside), or an item wholly left of x = -200.
bool looksLikePlaceholders(const ExtraItems& items);

// One app's extras, each placed by the slot that shows it: `own` are the indexes of the
// app's slots among `slots`. Nothing for the agent itself.
AppRows readApp(const MenuBarScanner::Context& context, const MenuBarScanner::Context::App& app,
                const std::vector<Slot>& slots, const std::vector<size_t>& own);

}  // namespace strandel::agent
