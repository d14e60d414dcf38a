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

struct AppRows;

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

  // The serial queue for reports, which read every application in one pass.
  static DispatchQueue& queue();
  // How many applications a scan reads at once. Most apps answer at once; a few are slow
  // and one may hang, and each of those ties up its lane for its chain of round trips. Eight
  // lanes keep the slow ones of a crowded bar (typically well under eight) from queueing
  // behind one another, while staying far below the system's pool of worker threads (64),
  // since each lane waiting on an app holds a thread.
  static constexpr size_t kLanes = 8;
  // The serial queue of the requests to one application: scans and presses to one app run
  // in order, one at a time, and never wait for another app. Main thread only.
  static DispatchQueue& lane(ProcessID pid);
  // Forgets the lanes of apps not in `running` (their pending blocks still run).
  static void forgetLanesBut(const std::vector<ProcessID>& running);

  static std::optional<Range> notchRange(const Screen& screen);
  // Main thread only.
  static Context makeContext(ProcessID excluding);
  // Every app one after another, on the calling thread (never the main thread); never fails
  // as a whole. Scans of the menu go through ScanRun, which reads apps side by side.
  static ExtraItems scan(const Context& context);
  // Every app's rows joined into the scan's result; says once when the extras look placed by
  // an agent that is not running.
  static ExtraItems finish(const Context& context, const std::vector<const AppRows*>& apps);
  static std::string label(const AXRef& element, const std::optional<std::string>& fallback);
  // The same from a description already read (none: it did not read or was not text).
  static std::string labelFromDescription(const std::optional<std::string>& description,
                                          const std::optional<std::string>& fallback);
  // On the item's app's lane only; true when the application accepted the press.
  static bool press(const ExtraItem& item);
};

}  // namespace strandel
