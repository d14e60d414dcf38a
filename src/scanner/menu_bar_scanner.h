#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ports/accessibility.h"
#include "ports/dispatch.h"
#include "ports/image.h"
#include "ports/workspace.h"
#include "scanner/extra_item.h"

namespace strandel {

// Reads other applications' menu bar extras. Holds no state beyond its serial queue.
class MenuBarScanner {
 public:
  MenuBarScanner() = delete;

  // A half-open range of x coordinates: lower included, upper excluded.
  struct Range {
    double lower = 0;
    double upper = 0;
    bool operator==(const Range&) const = default;
  };

  // What a scan needs from the window system, taken on the main thread.
  struct Context {
    struct App {
      ProcessID pid = 0;
      std::optional<std::string> name;
      ImageRef icon;
      std::optional<std::string> bundleIdentifier;
      std::optional<std::string> executableName;
    };
    // One screen: its frame in Accessibility coordinates (origin at the top left of the
    // first screen, y downwards), the x range of its own notch and the height of the areas
    // beside it (0 without them).
    struct Display {
      Rect frame;
      std::optional<Range> notch;
      double barHeight = 0;
      bool operator==(const Display&) const = default;
    };
    std::vector<App> apps;
    std::optional<Range> notch;  // the main screen's
    double screenWidth = 0;      // the main screen's
    // Every screen, the one holding the menu bar first; several make each extra be judged on
    // the screen it lies on.
    std::vector<Display> screens;
    // The process that draws the menu bar, when one runs: its windows place the extras.
    std::optional<ProcessID> agent;
    // Where the program's own item is drawn (Accessibility coordinates): Control Center's
    // child lying there is that item, never listed.
    std::optional<Rect> ownItem;
  };

  // The messaging time-out on each application element during a scan, in seconds.
  static constexpr float kScanTimeout = 0.25f;

  // The one serial queue for every Accessibility request to other applications.
  static DispatchQueue& queue();

  static std::optional<Range> notchRange(const Screen& screen);
  // Main thread only.
  static Context makeContext(ProcessID excluding);
  // Scan queue only; never fails as a whole.
  static ExtraItems scan(const Context& context);
  static std::string label(const AXRef& element, const std::optional<std::string>& fallback);
  // Scan queue only; true when the application accepted the press.
  static bool press(const ExtraItem& item);
};

}  // namespace strandel
