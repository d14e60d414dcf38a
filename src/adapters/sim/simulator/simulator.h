#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/desktop/sim_accessibility.h"
#include "adapters/sim/loop/real_event_loop.h"
#include "adapters/sim/loop/virtual_event_loop.h"
#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/update_server.h"
#include "adapters/sim/system/sim_application.h"
#include "adapters/sim/system/sim_hot_keys.h"
#include "adapters/sim/system/sim_notification_center.h"
#include "adapters/sim/system/sim_pasteboard.h"
#include "adapters/sim/ui/sim_alerts.h"
#include "adapters/sim/ui/sim_menu.h"
#include "adapters/sim/ui/sim_status_bar.h"
#include "ports/platform.h"

namespace strandel::sim {

// Something that happened on the simulated Mac that a person watching would notice: the
// transcript writes one line (and its details) per event, the interactive view logs them.
struct SimEvent {
  enum class Kind {
    scan,           // the program read the menu bar
    press,          // an extra was pressed
    alert,          // an alert came up (details: its texts and buttons)
    alertAnswered,  // the user answered it
    log,            // a line in the system log
    openURL,        // an address was opened, and by what
    defaultsWrite,  // the program wrote a user default
    loginItem,      // the program changed its login item
    prompt,         // the system asked the user for the permission
    permission,     // the permission changed
    privacyPane,    // the privacy pane opened or closed
    loginPane,      // System Settings' Login Items opened or closed
    appLaunched,    // an application started
    appQuit,        // an application quit
    notification,   // a notification was posted
    http,           // a request to the update server ended
    report,         // the program read the menu bar for a report
    pasteboard,     // the program put text on the pasteboard
    hotKey,         // a hot key was registered, refused, unregistered or pressed
    quit,           // the program quit
  };
  Kind kind = Kind::scan;
  std::string text;
  std::vector<std::string> details;
};

// The simulated Mac as one machine: the desktop of a scene joined with the real Linux
// services, composed into the Platform that the program runs on. It runs the program with
// the entry point itself, on virtual time (scripts, tests) or on real time (the
// interactive view).
//
// Main thread only, like the program: a UI or a script drives it through the user's
// operations below, from inside `run`'s drive function. Events reach `onEvent` on the main
// thread, also those caused on the scan queue (they are handed over through the main queue).
class Simulator {
 public:
  enum class Time { virtualTime, realTime };

  struct Options {
    Time time = Time::virtualTime;
    // Where the program keeps its user defaults and its autostart entry. Empty: a fresh
    // temporary directory per simulator, removed afterwards (the scene's defaults and login
    // item are written there first).
    std::optional<std::filesystem::path> defaultsDirectory;
    std::optional<std::filesystem::path> autostartDirectory;
    // Also write log lines to the real system log.
    bool writeSyslog = false;
    // The string table's languages, most preferred first.
    std::vector<std::string> languages = {"en"};
    // The resources directory (string tables).
    std::optional<std::filesystem::path> resourcesDirectory;
    // Where each text put on the pasteboard is also written as a report file; none: kept
    // on the pasteboard only.
    std::optional<std::filesystem::path> reportDirectory;
  };

  using EventSink = std::function<void(const SimEvent&)>;

  // Throws std::runtime_error when the machine cannot be set up (no temporary directory,
  // no loopback port).
  Simulator(Scene scene, Options options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  void setEventSink(EventSink sink) { sink_ = std::move(sink); }
  // Answers the program's alerts: returns the chosen button's index, running the machine
  // for as long as the user takes. Without one, alerts take their first button at once.
  void setAlertPresenter(AlertPresenter presenter) { presenter_ = std::move(presenter); }
  // Called after every change of the status menu's rows and when it opens or closes.
  void setMenuObserver(std::function<void()> observer) { menuObserver_ = std::move(observer); }

  // Installs the platform and runs the program's entry point, whose event loop is `drive`:
  // it runs the machine and returns when the session ends (or soon after the program quits,
  // which `terminated` tells). The scene's timeline is scheduled before `drive` starts.
  // Returns the entry point's result. Runs once per simulator.
  int run(std::function<void()> drive);

  // The user's side. Each acts at once and returns; what follows runs on the event loop.
  void hover();
  // Opens the status item's menu; false when there is no status item with a menu yet.
  bool openMenu();
  void closeMenu();
  // By 1-based row number; false when the menu is closed or the row cannot be chosen.
  bool choose(long row);
  // The row with this title; hidden extras' rows also answer to the label alone.
  bool choose(const std::string& title);
  bool chooseKey(const std::string& key);
  // A global shortcut pressed in whichever app is in front.
  void pressShortcut(const HotKeyCombo& combo);
  // The shortcut the program registered, if any.
  std::optional<HotKeyCombo> registeredShortcut() const { return hotKeys_->firstRegistered(); }
  // Text typed into the open menu (its open submenu, if any): the row it selects, as an
  // index among the shown rows, or -1 when no row matches or no menu is open. `continuing`:
  // the text follows what was typed before, without a pause.
  long typeIntoMenu(const std::string& text, bool continuing = false);
  // Return in the open menu: chooses the highlighted row, or without one hands the key to
  // the focused search field; false when neither takes it.
  bool pressReturn();
  // The arrow keys and Escape in the open menu (see SimMenu::moveHighlight). Escape goes to
  // the focused search field first; when the field leaves it, the deepest menu closes.
  void pressArrow(bool down);
  void pressEscape();
  // The status menu's search field while it has the keyboard focus (no submenu open).
  SimSearchField* focusedSearchField() const;
  // The deepest open menu: an open submenu or the status menu; none when it is closed.
  std::shared_ptr<SimMenu> activeMenu() const;
  // The Option key, held or released: menus show their alternate rows while it is held.
  void setOptionKeyDown(bool down);
  bool optionKeyDown() const { return optionDown_; }
  // The privacy pane: the user opens it (also opened by its address), and grants or
  // withdraws the permission there (opening it first when needed).
  void openPrivacyPane();
  void closePrivacyPane();
  void grant();
  void withdraw();
  // System Settings' Login Items, which the program opens for the person to approve its
  // login item; the person closes it.
  void openLoginItemsPane();
  void closeLoginItemsPane();
  // Apps of the scene (running or installed) start and quit; false when that app is already
  // running, or not running.
  bool launch(ProcessID pid);
  bool quit(ProcessID pid);

  // What there is to see.
  const Scene& scene() const { return scene_; }
  Desktop& desktop() { return *desktop_; }
  Platform& platform() { return platform_; }
  SimApplication& application() { return *application_; }
  std::shared_ptr<SimStatusItem> statusItem() const;
  std::shared_ptr<SimMenu> menu() const;
  bool privacyPaneOpen() const { return paneOpen_; }
  bool loginItemsPaneOpen() const { return loginItemsPaneOpen_; }
  // Where the login item's autostart entry goes: the person's own in the interactive view.
  const std::filesystem::path& autostartDirectory() const { return autostartDirectory_; }
  bool terminated() const { return application_->isTerminated(); }
  const UpdateServer& updateServer() const { return *server_; }
  const SimPasteboard& pasteboard() const { return *pasteboard_; }
  // The loop in use; the other one is null.
  VirtualEventLoop* virtualLoop() { return virtualLoop_.get(); }
  RealEventLoop* realLoop() { return realLoop_.get(); }
  MainQueue& mainQueue();
  double secondsSinceStart();
  Date startDate() const { return start_; }
  // The text with the loopback server's address replaced by "{server}".
  std::string scrub(const std::string& text) const;

  // Findings of a row title, for scripts and the UI: the 0-based index or -1.
  long findRow(const std::string& title) const;

  static constexpr const char* kPrivacyPaneAddress =
      "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
  static constexpr const char* kAccessibilityNotification = "com.apple.accessibility.api";
  static constexpr const char* kScanQueueLabel = "com.quillet.strandel.ax";
  static constexpr const char* kReportQueueLabel = "com.quillet.strandel.report";
  static constexpr const char* kSessionQueueLabel = "com.quillet.strandel.sim.urlsession";

 private:
  class ObservedMenus;
  class ObservedDispatch;
  class RecordingDefaults;
  class SceneLoginItems;
  struct Work;

  void prepareDirectories();
  void seedDefaults();
  void compose();
  void scheduleTimeline();
  void onDesktopEvent(const DesktopEvent& event);
  void pasteboardWritten(const std::string& text, const std::string& type);
  bool openURL(const URL& url);
  void menuChanged(SimMenu& menu);
  size_t presentAlert(const AlertRecord& alert);
  void emit(SimEvent event);
  // Hands `event` to the main thread first when the caller may be elsewhere.
  void emitFromAnyThread(SimEvent event);
  std::string appLabel(ProcessID pid) const;

  Scene scene_;
  Options options_;
  Date start_;
  bool ran_ = false;
  bool paneOpen_ = false;
  bool loginItemsPaneOpen_ = false;
  bool tracking_ = false;
  bool optionDown_ = false;

  std::optional<std::filesystem::path> temporaryDirectory_;
  std::filesystem::path defaultsDirectory_;
  std::filesystem::path autostartDirectory_;

  std::shared_ptr<VirtualEventLoop> virtualLoop_;
  std::shared_ptr<RealEventLoop> realLoop_;
  std::shared_ptr<Desktop> desktop_;
  std::shared_ptr<SimAccessibility> accessibility_;
  std::shared_ptr<SimNotificationCenter> workspaceCenter_;
  std::shared_ptr<SimNotificationCenter> distributedCenter_;
  std::shared_ptr<SimStatusBar> statusBar_;
  std::shared_ptr<SimApplication> application_;
  std::shared_ptr<UpdateServer> server_;
  std::shared_ptr<SimPasteboard> pasteboard_;
  std::shared_ptr<SimHotKeys> hotKeys_;
  std::shared_ptr<Work> work_;  // shared with the scan queue's observer
  size_t desktopObserver_ = 0;
  std::weak_ptr<SimMenu> menu_;
  std::function<void()> drive_;

  EventSink sink_;
  AlertPresenter presenter_;
  std::function<void()> menuObserver_;

  Platform platform_;
};

}  // namespace strandel::sim
