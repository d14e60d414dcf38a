#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
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
// scene file, so that the simulator replays it. Holds app names, bundle identifiers, process
// identifiers, the extras' geometry, descriptions and action names, the screens, the system's
// version, and bounded dumps of the trees of Control Center and of the agent that draws the
// menu bar on macOS 27.
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
  // One element of a dumped tree, as it describes itself; a read that failed or gave a
  // value of another kind is left out.
  struct Element {
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    std::optional<std::string> identifier;
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<Point> position;
    std::optional<Size> size;
    std::optional<bool> enabled;  // none: no "AXEnabled" attribute
    std::vector<std::string> actions;
    ProcessID pid = 0;  // the owning process; 0 when it could not be told
    // When it is an extra of an app of the report (CFEqual): that app's pid and the extra's
    // place among the app's extras. Nothing else is read of it then.
    std::optional<std::pair<ProcessID, size_t>> extraOf;
    std::vector<Element> children;
  };
  struct App {
    ProcessID pid = 0;
    std::optional<std::string> name;
    std::optional<std::string> bundleIdentifier;
    // Seconds the extras-bar request took: how slow the app was, or the time-out.
    double responseTime = 0;
    AXReadOutcome extrasBar;
    std::optional<AXReadOutcome> children;  // read when the extras bar is an element
    std::vector<Extra> extras;              // the children that are elements, in order
    size_t otherChildren = 0;               // children that are not elements
    // Control Center and the agent that draws the bar: their trees, besides what a scan reads.
    bool dumped = false;
    std::vector<Element> extraTrees;           // what each extra says beyond a scan's reads
    std::optional<AXReadOutcome> windowsRead;  // "AXWindows"
    std::vector<Element> windows;
  };
  struct Screen {
    Rect frame;
    std::optional<Rect> topLeftArea;
    std::optional<Rect> topRightArea;
  };

  // What the main thread knows when the report starts.
  struct Request {
    MenuBarScanner::Context context;
    std::vector<Screen> screens;
    size_t mainScreen = 0;
    ProcessID ownPid = 0;
  };

  // The dumps stop at this depth below the application element and at this many elements
  // of one app (its extras included), so that a huge or cyclic tree costs a bounded number
  // of requests.
  static constexpr int kDumpDepth = 4;
  static constexpr size_t kDumpLimit = 2000;
  // Nothing new is asked once the report has taken this long. Every element it reads carries
  // the scan's time-out, so the one request then in flight ends within that: a report takes
  // at most 3.25 s, whatever the apps and their trees.
  static constexpr double kTimeLimit = 3;

  ProcessID ownPid = 0;
  std::vector<Screen> screens;  // the one holding the menu bar first; none: no screen
  size_t mainScreen = 0;        // the one with the keyboard focus
  OperatingSystemVersion osVersion;
  std::string osVersionString;
  std::vector<App> apps;
  // Where the report stopped short and why, in reading order; empty when it read everything.
  std::vector<std::string> stops;

  // Main thread only: the scan's context, and the screens as they are now.
  static Request snapshot(ProcessID excluding);
  // Off the main thread: asks every app of the request what a scan asks, with the scan's
  // time-out on every element it reads, and a little more, within kTimeLimit.
  static MenuBarReport read(const Request& request);

  // The report as a scene file (JSON text, UTF-8).
  std::string json() const;
};

}  // namespace strandel
