#pragma once

#include <string>

namespace strandel::sim::terminal::testing {

// A notched 14-inch screen with one extra behind the notch and one off the left edge, and an
// app that is installed but not running.
inline std::string testScene(bool granted, const std::string& updateServer = "\"offline\"") {
  return R"({"name": "terminal test",
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
         std::string(granted ? "true" : "false") + R"(, "updateServer": )" + updateServer + "}";
}

inline const char* kNewerVersionServer =
    R"({"manifest": {"version": "9.0.0", "build": 900,
                     "downloadUrl": "{server}/download/Strandel-9.0.0.zip"}})";

}  // namespace strandel::sim::terminal::testing
