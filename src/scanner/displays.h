#pragma once

#include <optional>
#include <vector>

#include "ports/geometry.h"
#include "ports/workspace.h"
#include "scanner/menu_bar_scanner.h"

// Which screen an extra lies on, and whether it is hidden there.
namespace strandel::displays {

// How far, in points, an extra may reach past its screen's right edge and still be drawn: a
// hosting window can be up to 2 points wider than the item it holds.
inline constexpr double kRightEdgeAllowance = 2;
// The least height of the strip at the top of a screen in which its menu bar draws extras.
// Bars are 24 points high without a notch and up to about 38 with one.
inline constexpr double kMenuBarStrip = 40;

// The screens as the scan sees them: each frame moved into Accessibility coordinates (origin
// at the top left of the first screen, y growing downwards), each with its own notch.
std::vector<MenuBarScanner::Context::Display> fromScreens(
    const std::vector<std::shared_ptr<const Screen>>& screens);

// The first screen that holds the frame's centre; none when it lies outside every screen.
const MenuBarScanner::Context::Display* holding(const Rect& frame,
                                                const MenuBarScanner::Context& context);

// Hidden: off the left edge of its screen, more than kRightEdgeAllowance past its right edge,
// or overlapping that screen's notch. With one screen (or none listed) the screen is the main
// screen of the context, whatever the frame's y; with several, an extra is hidden unless it
// lies in the menu-bar strip at the top of the screen holding its centre (a switched-off
// item's frame near the bottom of the first screen never does, whatever lies below it).
bool isOccluded(const Rect& frame, const MenuBarScanner::Context& context);

// A window frame (origin at the bottom left of the first screen, y upwards) in Accessibility
// coordinates; none without a screen.
std::optional<Rect> toAccessibility(const Rect& windowFrame,
                                    const std::vector<std::shared_ptr<const Screen>>& screens);

// Where the program's own item is, judged as any extra is.
enum class OwnItemPlace {
  visible,
  behindNotch,  // overlapping a screen's notch
  notShown,     // off the bar: past its edges, in the system's overflow, switched off, removed
};
OwnItemPlace ownItemPlace(const std::optional<Rect>& windowFrame, bool isVisible,
                          const std::vector<std::shared_ptr<const Screen>>& screens);

}  // namespace strandel::displays
