#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "adapters/sim/desktop/ax_objects.h"
#include "ports/accessibility.h"
#include "ports/geometry.h"
#include "ports/image.h"
#include "ports/workspace.h"
#include "scanner/ax_names.h"

namespace strandel::sim {

// The kinds of value an attribute read can hand back in place of the modelled one.
using ValueKind = AXValueKind;

// What a read of one attribute answers instead of the modelled value. On success with no
// kind, the read succeeds without a value; with an error and a kind, a value is handed back
// together with the error (which a careful caller must release).
struct AttributeFault {
  AXError error = AXError::success;
  std::optional<ValueKind> value;

  static AttributeFault failWith(AXError error) { return {error, std::nullopt}; }
  static AttributeFault failHandingBack(AXError error, ValueKind kind) { return {error, kind}; }
  static AttributeFault noValue() { return {AXError::success, std::nullopt}; }
  static AttributeFault wrongKind(ValueKind kind) { return {AXError::success, kind}; }
  bool operator==(const AttributeFault&) const = default;
};
// By attribute name ("AXPosition", "AXChildren", ...).
using AttributeFaults = std::map<std::string, AttributeFault, std::less<>>;

// What pressing an extra does in its application.
struct PressBehavior {
  enum class Kind {
    accept,   // the press is performed and reported as such
    fail,     // the application answers with `error`
    quitApp,  // the application quits before it answers
  };
  Kind kind = Kind::accept;
  AXError error = AXError::failure;

  static PressBehavior accept() { return {}; }
  static PressBehavior fail(AXError error) { return {Kind::fail, error}; }
  static PressBehavior quitApp() { return {Kind::quitApp, AXError::cannotComplete}; }
  bool operator==(const PressBehavior&) const = default;
};

// Another application's extra, by that application's pid and the extra's place in its
// extras bar: an element of one process that stands for an element of another.
struct ExtraReference {
  ProcessID pid = 0;
  size_t index = 0;
  bool operator==(const ExtraReference&) const = default;
};

// One menu bar extra of an application, as its extras bar lists it. The same record serves
// for the elements of an application's windows (the agent's bar windows and their slots),
// whose defaults the scene reader sets apart: no role, no action, no "AXEnabled".
struct ExtraSpec {
  ExtraID id = 0;  // given by the desktop; leave 0 when adding
  Point position;
  Size size;
  bool laidOut = true;                             // false: "AXPosition" and "AXSize" have no value
  std::optional<std::string> description;          // none: "AXDescription" has no value
  std::vector<std::string> actions = {"AXPress"};  // what AXUIElementCopyActionNames lists
  std::optional<std::string> role = "AXMenuBarItem";
  std::optional<std::string> subrole;
  std::optional<std::string> identifier;
  std::optional<std::string> title;
  std::optional<bool> enabled = true;  // none: the element has no "AXEnabled" attribute
  // "AXPosition", "AXSize", "AXDescription", "AXEnabled", "AXChildren", and "AXActionNames"
  // for the action names.
  AttributeFaults faults;
  PressBehavior press;
  // "AXChildren", in order. A child that stands for another application's extra is that
  // extra's own element: it belongs to that process and equals the extra.
  std::vector<ExtraSpec> children;
  std::optional<ExtraReference> standsFor;  // set only on children

  Rect frame() const { return Rect{position, size}; }
};

// One running application, in the workspace's terms plus what its Accessibility side does.
struct AppSpec {
  ProcessID pid = 0;  // 0: the desktop picks a free one
  std::optional<std::string> name;
  std::optional<std::string> bundleIdentifier;  // none: a process without a bundle
  ImageRef icon;
  ActivationPolicy activationPolicy = ActivationPolicy::regular;
  // Still listed by the workspace, flagged as terminated; its process is gone for good.
  bool terminated = false;
  bool hasExtrasBar = true;   // without one, "AXExtrasMenuBar" has no value
  AttributeFaults appFaults;  // reads of the application element
  AttributeFaults barFaults;  // reads of the extras bar element
  // Seconds the application takes to answer each request. A request whose element has a
  // shorter messaging timeout fails with cannotComplete once the timeout has passed, and
  // the application never acts on it.
  double responseDelay = 0;
  // The application quits right after the workspace has listed it (it shows up in the list
  // as running; every request to it then fails).
  bool quitsAfterListing = false;
  std::vector<ExtraSpec> extras;  // in "AXChildren" order
  // "AXWindows": the windows' element trees. Only the agent that draws the menu bar on
  // macOS 27 is given any; elsewhere the list is empty.
  std::vector<ExtraSpec> windows;
};

struct ScreenSpec {
  Rect frame;
  std::optional<Rect> topLeftArea;  // the usable areas beside a camera housing
  std::optional<Rect> topRightArea;
  bool operator==(const ScreenSpec&) const = default;
};

// A press that reached an application.
struct PressEvent {
  ProcessID pid = 0;
  std::optional<std::string> appName;
  ExtraID extra = 0;
  std::optional<std::string> description;
  AXError result = AXError::success;
};

struct DesktopEvent {
  enum class Kind {
    launched,    // pid
    quit,        // pid
    appChanged,  // pid: the app or one of its extras was edited
    pressed,     // press
    screenChanged,
    permissionChanged,
    permissionPrompted,  // the system showed its permission prompt
  };
  Kind kind = Kind::appChanged;
  ProcessID pid = 0;
  std::optional<PressEvent> press;
};

// A model of the Mac that the program runs on: the running applications with their menu bar
// extras, the main screen and the Accessibility permission. It stands for other processes
// and the system, so it may be used from any thread: the main thread launches and quits
// applications while Accessibility requests arrive from the scan queue. All state is guarded
// by one mutex, and observers are called without it held, on the thread that caused the
// event (presses arrive on the scan queue's thread).
class Desktop {
 public:
  using Observer = std::function<void(const DesktopEvent&)>;
  static constexpr size_t kPressHistoryLimit = 256;

  Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // Applications, in workspace order.

  // Adds the application at the end of the workspace's list; the extras get their ids. None
  // when another listed application already has that pid.
  std::optional<ProcessID> launch(AppSpec app);
  // The process ends and leaves the list; every element of it stops answering. False when
  // no application has that pid.
  bool quit(ProcessID pid);
  // Edits an application in place (its pid stays). Extras added with id 0 get ids. Setting
  // `terminated` ends its process for good. False when no application has that pid.
  bool updateApp(ProcessID pid, const std::function<void(AppSpec&)>& edit);
  std::optional<ExtraID> addExtra(ProcessID pid, ExtraSpec extra);
  bool updateExtra(ProcessID pid, ExtraID extra, const std::function<void(ExtraSpec&)>& edit);
  bool removeExtra(ProcessID pid, ExtraID extra);

  std::vector<AppSpec> apps() const;
  std::optional<AppSpec> app(ProcessID pid) const;
  // The workspace's view: every listed application, terminated ones included. Applications
  // that quit after being listed do so now.
  std::vector<RunningApplication> runningApplications();

  // The only screen; none when the Mac has no screen.
  void setScreen(std::optional<ScreenSpec> screen);
  // Every screen, the first holding the menu bar; `main` is the one with the keyboard
  // focus (NSScreen.mainScreen), which need not be the first.
  void setScreens(std::vector<ScreenSpec> screens, size_t main);
  // The screen holding the menu bar.
  std::optional<ScreenSpec> screen() const;
  std::vector<ScreenSpec> screens() const;
  std::optional<ScreenSpec> mainScreen() const;
  std::optional<std::pair<size_t, ScreenSpec>> mainScreenAndIndex() const;

  // The Accessibility permission of the program.
  void setAccessibilityGranted(bool granted);
  bool accessibilityGranted() const;
  // The system's prompt offering the permission; shown only while it is missing. Returns
  // whether the permission is granted.
  bool promptForAccessibility();
  int permissionPromptCount() const;

  // The latest presses that reached an application, oldest first.
  std::vector<PressEvent> presses() const;

  // Returns a token for removeObserver.
  size_t addObserver(Observer observer);
  void removeObserver(size_t token);

  // The system's side of Accessibility requests, answered at once; SimAccessibility adds
  // permission checks, response delays and messaging time-outs.
  uint64_t id() const { return id_; }
  ElementAddress applicationAddress(ProcessID pid) const;
  // 0 when the process is gone (a request then fails at once).
  double responseDelay(const ElementAddress& element) const;
  AXError readAttribute(const ElementAddress& element, std::string_view attribute, AXRef& value);
  AXError readActionNames(const ElementAddress& element, AXRef& names);
  AXError performAction(const ElementAddress& element, std::string_view action);

 private:
  struct Running {
    AppSpec definition;
    uint64_t generation = 0;  // 0 once the process is gone
    // Where each extra sits in definition.extras, so that a request to one extra costs the
    // same however many there are. Rebuilt whenever the list changes other than at its end.
    std::unordered_map<ExtraID, size_t> extraIndex;
    // The elements below the extras and in the windows; their vectors only change when the
    // whole definition or one extra is edited, which rebuilds this.
    std::unordered_map<ExtraID, const ExtraSpec*> nodeIndex;

    void reindex();
    void reindexNodes();
    const ExtraSpec* extra(ExtraID id) const;
    ExtraSpec* extra(ExtraID id);
  };
  using Events = std::vector<DesktopEvent>;

  Running* find(ProcessID pid);
  const Running* find(ProcessID pid) const;
  const Running* findAlive(const ElementAddress& element) const;
  AXRef makeValue(ValueKind kind, const ElementAddress& owner) const;
  AXError answerFault(const AttributeFault& fault, const ElementAddress& owner, AXRef& value) const;
  AXError answerElement(const ExtraSpec& definition, const ElementAddress& element,
                        std::string_view attribute, AXRef& value) const;
  AXRef childElement(const ExtraSpec& child, const ElementAddress& parent) const;
  void assignIds(AppSpec& app);
  void quitLocked(ProcessID pid, Events& events);
  void notify(const Events& events);

  const uint64_t id_;
  mutable std::mutex mutex_;
  std::vector<Running> apps_;
  std::unordered_map<ProcessID, size_t> appIndex_;  // where each pid sits in apps_
  uint64_t nextGeneration_ = 1;
  ExtraID nextExtra_ = 1;
  ProcessID nextPid_ = 1000;
  std::vector<ScreenSpec> screens_;
  size_t mainScreen_ = 0;
  bool granted_ = false;  // a freshly installed program has no permission
  int prompts_ = 0;
  std::deque<PressEvent> presses_;
  std::map<size_t, Observer> observers_;
  size_t nextObserver_ = 1;
};

}  // namespace strandel::sim
