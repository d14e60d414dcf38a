#pragma once

#include <optional>
#include <vector>

#include "ports/geometry.h"
#include "ports/workspace.h"
#include "scanner/menu_bar_scanner.h"

// Which screen an extra lies on, and whether it is hidden there.
namespace strandel::displays {

// The screens as the scan sees them: each frame moved into Accessibility coordinates (origin
// at the top left of the first screen, y growing downwards), each with its own notch.
std::vector<MenuBarScanner::Context::Display> fromScreens(
    const std::vector<std::shared_ptr<const Screen>>& screens);

// The first screen that holds the frame's centre; none when it lies outside every screen.
const MenuBarScanner::Context::Display* holding(const Rect& frame,
                                                const MenuBarScanner::Context& context);

// Hidden: off the left or right edge of its screen or overlapping that screen's notch. With
// one screen (or none listed) the screen is the main screen of the context, whatever the
// frame's y; with several, an extra outside every screen is hidden too.
bool isOccluded(const Rect& frame, const MenuBarScanner::Context& context);

}  // namespace strandel::displays
