#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ports/accessibility.h"
#include "ports/geometry.h"
#include "ports/process_info.h"
#include "scanner/ax_names.h"
#include "scanner/menu_bar_scanner.h"

namespace strandel {

// What one Accessibility request handed back: its result code and the kind of value that
// came with it, exactly as they came, whether or not a scan would use them.
struct AXReadOutcome {
  AXError error = AXError::success;
  std::optional<AXValueKind> kind;  // none: no value came back

  bool succeededWith(AXValueKind expected) const {
    return error == AXError::success && kind == expected;
  }
  bool operator==(const AXReadOutcome&) const = default;
};

// Everything a scan reads on this Mac, for a person to send to the maintainer. Written as a
// scene file, so that the simulator replays it. Holds app names, process identifiers, the
// extras' geometry, descriptions and action names, the screen and the system's version.
struct MenuBarReport {
  struct Extra {
    AXReadOutcome position;
    Point point;  // when the position is a point
    AXReadOutcome size;
    Size extent;  // when the size is a size
    AXReadOutcome description;
    std::string text;  // when the description is a string
    AXReadOutcome actions;
    // When the action names are an array of strings only.
    std::optional<std::vector<std::string>> actionNames;
  };
  struct App {
    ProcessID pid = 0;
    std::optional<std::string> name;
    // Seconds the extras-bar request took: how slow the app was, or the time-out.
    double responseTime = 0;
    AXReadOutcome extrasBar;
    std::optional<AXReadOutcome> children;  // read when the extras bar is an element
    std::vector<Extra> extras;              // the children that are elements, in order
    size_t otherChildren = 0;               // children that are not elements
  };
  struct Screen {
    Rect frame;
    std::optional<Rect> topLeftArea;
    std::optional<Rect> topRightArea;
  };

  // What the main thread knows when the report starts.
  struct Request {
    MenuBarScanner::Context context;
    std::optional<Screen> screen;
    ProcessID ownPid = 0;
  };

  ProcessID ownPid = 0;
  std::optional<Screen> screen;  // none: no main screen
  OperatingSystemVersion osVersion;
  std::string osVersionString;
  std::vector<App> apps;

  // Main thread only: the scan's context, and the main screen as it is now.
  static Request snapshot(ProcessID excluding);
  // Scan queue only: asks every app of the request what a scan asks, with the scan's
  // time-out on each application element, and a little more.
  static MenuBarReport read(const Request& request);

  // The report as a scene file (JSON text, UTF-8).
  std::string json() const;
};

}  // namespace strandel
