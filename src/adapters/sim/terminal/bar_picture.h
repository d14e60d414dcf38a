#pragma once

#include <cstddef>
#include <vector>

#include "adapters/sim/desktop/desktop.h"

// What the system draws in each display's menu bar, read from the desktop's own geometry
// (the frames that the simulated Accessibility answers with): on macOS 27 the agent's slots,
// on macOS 26 each item once where Control Center hosts it, else every app's extras.
namespace strandel::sim::terminal {

struct PicturedExtra {
  ProcessID pid = 0;  // the app whose element this is: its icon is drawn, a click opens it
  ExtraID extra = 0;
  Rect frame;          // where it is drawn, in Accessibility coordinates
  size_t display = 0;  // whose bar draws it
  // Put away in the system's overflow (the agent's stacked or unplaced slots): the bar
  // shows one « for all of them.
  bool overflowed = false;
};

// Strandel's own extras (`self`) are left out: the view draws its status item itself.
std::vector<PicturedExtra> pictureBars(const std::vector<AppSpec>& apps,
                                       const std::vector<ScreenSpec>& screens, ProcessID self);

// A screen's frame in Accessibility coordinates: origin at the top left of the first screen,
// y downwards (screens come with the origin at the bottom left, y upwards).
Rect accessibilityFrame(const ScreenSpec& screen, const ScreenSpec& first);

}  // namespace strandel::sim::terminal
