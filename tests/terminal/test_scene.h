#pragma once

#include <string>

namespace strandel::sim::terminal::testing {

// A notched 14-inch screen with one extra behind the notch and one off the left edge, and an
// app that is installed but not running. `slow`: Tidewater takes 0.2 s for each of its five
// answers, so that a scan takes a second, and the status item's place is already saved.
inline std::string testScene(bool granted, const std::string& updateServer = "\"offline\"",
                             bool slow = false) {
  std::string scene = R"({"name": "terminal test",
  "screen": {"frame": [0, 0, 1512, 982], "topLeftArea": [0, 950, 662, 32],
             "topRightArea": [850, 950, 662, 32]},
  "apps": [
    {"pid": 381, "name": "Control Centre", "policy": "accessory", "icon": {"glyph": "◐"},
     "extras": [{"frame": [1412, 0, 100, 37], "description": "Clock, Thursday 09:41"},
                {"frame": [1348, 0, 30, 37], "description": "Wi-Fi, connected"}]},
    {"pid": 612, "name": "Tidewater", "policy": "accessory", "icon": {"glyph": "☁"},
     "extras": [{"frame": [700, 0, 30, 37], "description": "Tidewater, up to date"}]},
    {"pid": 988, "name": "Shelf", "policy": "accessory", "icon": {"glyph": "▤"},
     "extras": [{"frame": [-72, 0, 30, 37], "description": "Shelf, 3 files"}]}],
  "installed": [{"pid": 733, "name": "Tsuki", "policy": "accessory", "icon": {"glyph": "☾"},
     "extras": [{"frame": [1200, 0, 30, 37], "description": "Calendar, 3 events"}]}],
  "accessibilityGranted": )" +
                      std::string(granted ? "true" : "false") + R"(, "updateServer": )" +
                      updateServer + "}";
  if (slow) {
    const std::string tidewater = R"("name": "Tidewater",)";
    scene.insert(scene.find(tidewater) + tidewater.size(), R"( "responseDelay": 0.2,)");
    // A program run before: nothing new to write to the defaults, no event to show.
    scene.insert(1, R"("defaults": {"NSStatusItem Preferred Position StrandelControl": 0}, )");
  }
  return scene;
}

inline const char* kNewerVersionServer =
    R"({"manifest": {"version": "9.0.0", "build": 900,
                     "downloadUrl": "{server}/download/Strandel-9.0.0.zip"}})";

}  // namespace strandel::sim::terminal::testing
