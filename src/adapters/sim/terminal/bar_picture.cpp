#include "adapters/sim/terminal/bar_picture.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

#include "scanner/control_center_hosting.h"

namespace strandel::sim::terminal {

namespace {

bool holds(const Rect& area, const Rect& frame) {
  double x = minX(frame) + width(frame) / 2;
  double y = frame.origin.y + frame.size.height / 2;
  return x >= minX(area) && x < maxX(area) && y >= area.origin.y &&
         y < area.origin.y + area.size.height;
}

// The display that draws a frame: the first whose screen holds its centre; with one screen,
// or outside every screen, the first (whose bar lists it past the edge it lies beyond).
size_t displayHolding(const Rect& frame, const std::vector<Rect>& screens) {
  for (size_t i = 1; i < screens.size(); ++i) {
    if (holds(screens[i], frame) && !holds(screens[0], frame)) return i;
  }
  return 0;
}

// macOS 27: the agent's windows, one per display, and in each one slot per item. A slot
// without a place, or sharing its place with another, is in the overflow.
std::vector<PicturedExtra> agentSlots(const AppSpec& agent, const std::vector<AppSpec>& apps,
                                      const std::vector<Rect>& screens, ProcessID self) {
  std::unordered_map<ProcessID, const AppSpec*> byPid;
  for (const AppSpec& app : apps) byPid.emplace(app.pid, &app);
  std::vector<PicturedExtra> drawn;
  for (const ExtraSpec& window : agent.windows) {
    size_t display = window.laidOut ? displayHolding(window.frame(), screens) : 0;
    using Place = std::tuple<double, double, double, double>;
    auto placeOf = [](const ExtraSpec& slot) {
      return Place{slot.position.x, slot.position.y, slot.size.width, slot.size.height};
    };
    std::map<Place, int> slotsAt;
    for (const ExtraSpec& slot : window.children) {
      if (slot.laidOut) ++slotsAt[placeOf(slot)];
    }
    for (const ExtraSpec& slot : window.children) {
      if (slot.children.empty()) continue;
      const ExtraSpec& child = slot.children.front();
      PicturedExtra extra;
      extra.pid = agent.pid;
      extra.extra = child.id;
      if (child.standsFor) {
        extra.pid = child.standsFor->pid;
        auto owner = byPid.find(extra.pid);
        if (owner == byPid.end() || owner->second->terminated ||
            child.standsFor->index >= owner->second->extras.size()) {
          continue;
        }
        extra.extra = owner->second->extras[child.standsFor->index].id;
      }
      if (extra.pid == self) continue;
      extra.frame = slot.frame();
      extra.display = display;
      bool placed = slot.laidOut && slot.size.width > 0;
      bool stacked = slot.laidOut && slotsAt[placeOf(slot)] > 1;
      bool onAScreen = std::any_of(screens.begin(), screens.end(),
                                   [&](const Rect& s) { return holds(s, slot.frame()); });
      extra.overflowed = !placed || stacked || (!screens.empty() && !onAScreen);
      drawn.push_back(extra);
    }
  }
  return drawn;
}

}  // namespace

Rect accessibilityFrame(const ScreenSpec& screen, const ScreenSpec& first) {
  auto top = [](const Rect& r) { return r.origin.y + r.size.height; };
  double y = top(first.frame) - top(screen.frame);
  return Rect{{minX(screen.frame), y}, screen.frame.size};
}

std::vector<PicturedExtra> pictureBars(const std::vector<AppSpec>& apps,
                                       const std::vector<ScreenSpec>& screens, ProcessID self) {
  std::vector<Rect> areas;
  for (const ScreenSpec& screen : screens) areas.push_back(accessibilityFrame(screen, screens[0]));
  std::vector<const AppSpec*> running;
  for (const AppSpec& app : apps) {
    if (!app.terminated && app.pid != self) running.push_back(&app);
  }
  // Only the agent that draws the bar has windows.
  for (const AppSpec* app : running) {
    if (!app->windows.empty()) return agentSlots(*app, apps, areas, self);
  }
  auto hosting = [](const AppSpec* app) {
    return app->bundleIdentifier == std::string(controlCenter::kBundleIdentifier);
  };
  // The apps' own items by their centres, to find the one a Control Center window lies on.
  auto centre = [](const Rect& r) { return minX(r) + width(r) / 2; };
  std::vector<std::pair<double, Rect>> own;
  for (const AppSpec* app : running) {
    if (hosting(app)) continue;
    for (const ExtraSpec& extra : app->extras) {
      if (std::isfinite(centre(extra.frame())))
        own.emplace_back(centre(extra.frame()), extra.frame());
    }
  }
  auto byCentre = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::sort(own.begin(), own.end(), byCentre);
  auto liesOnOwn = [&](const Rect& frame) {
    double x = centre(frame);
    std::pair<double, Rect> from{x - controlCenter::kLyingTolerance, Rect{}};
    for (auto it = std::lower_bound(own.begin(), own.end(), from, byCentre);
         it != own.end() && it->first <= x + controlCenter::kLyingTolerance; ++it) {
      if (controlCenter::liesOn(frame, it->second)) return true;
    }
    return false;
  };
  std::vector<PicturedExtra> drawn;
  for (const AppSpec* app : running) {
    for (const ExtraSpec& extra : app->extras) {
      // Control Center's window lying on another app's item is that item, drawn once.
      if (hosting(app) && liesOnOwn(extra.frame())) continue;
      drawn.push_back(PicturedExtra{app->pid, extra.id, extra.frame(),
                                    displayHolding(extra.frame(), areas), false});
    }
  }
  return drawn;
}

}  // namespace strandel::sim::terminal
