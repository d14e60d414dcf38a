#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/desktop/sim_accessibility.h"
#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/desktop/sim_workspace.h"
#include "adapters/sim/loop/virtual_event_loop.h"
#include "adapters/sim/system/sim_application.h"
#include "adapters/sim/system/sim_hot_keys.h"
#include "adapters/sim/system/sim_notification_center.h"
#include "adapters/sim/system/sim_pasteboard.h"
#include "adapters/sim/ui/sim_alerts.h"
#include "adapters/sim/ui/sim_menu.h"
#include "adapters/sim/ui/sim_status_bar.h"
#include "app/app_delegate.h"
#include "ports/http.h"
#include "ports/platform.h"
#include "support/app_delegate_access.h"
#include "support/fakes.h"

namespace strandel::test {

// URL(string:) for tests: text with a scheme ("letter (letter|digit|+|-|.)*:") and no blank
// or control character is a URL, unless it is listed in `rejected`.
class FakeURLs final : public URLs {
 public:
  std::optional<URL> urlWithString(const std::string& text) override;
  std::set<std::string> rejected;
};

// An HTTP session that never touches the network: it records each request and keeps its
// completion until the test answers it (from the test's thread, which stands for the
// session's own queue).
class FakeHTTPSession final : public HTTPSession {
 public:
  struct Task {
    URLRequest request;
    DataTaskCompletion completion;
    bool answered = false;
  };
  void dataTask(const URLRequest& request, DataTaskCompletion completion) override {
    tasks.push_back(Task{request, std::move(completion)});
  }
  // Answers the task at `index` with a body or a transport error; false if there is no such
  // unanswered task.
  bool respond(size_t index, const std::string& body);
  bool fail(size_t index, const std::string& description);

  std::vector<Task> tasks;
};

// A whole simulated Mac for one test, on virtual time, installed as the platform for the
// test's scope. Nothing runs on its own: the test steps the main queue (runMain, advance)
// and the scan queue (runScanStep) explicitly, or lets everything settle.
//
// Every piece is a public member, so a test can reach past the helpers:
//   loop          the main queue, the serial queues, timers and the clock
//   desktop       running applications with their extras, the screen, the permission
//   accessibility the Accessibility interface over the desktop (requests can be recorded)
//   workspace     runningApplications from the desktop; openURL recorded in openedURLs
//   workspaceCenter / distributedCenter   the two notification centres
//   menus, statusBar, images, alerts      the window system
//   userDefaults, systemLog, loginItems, bundle, urls, http, application, pasteboard,
//   processInfo
//
// Defaults: Accessibility granted (Options::trusted), a 1440 x 900 main screen without a
// notch, no running applications, the English string table, login item not registered,
// version "1.0.0", every alert answered with its first button.
class TestPlatform {
 public:
  struct Options {
    bool trusted = true;
    bool statusItemsHaveButtons = true;
    ProcessID processIdentifier = 4242;
  };

  static constexpr const char* kScanQueue = "com.quillet.strandel.ax";

  TestPlatform() : TestPlatform(Options{}) {}
  explicit TestPlatform(Options options);
  ~TestPlatform();
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;

  // The delegate as the entry point makes it (shared, so its callbacks can hold it weakly).
  // Its menu reports opening and closing to the loop as menu tracking.
  std::shared_ptr<AppDelegate> makeDelegate();
  // makeDelegate, then applicationDidFinishLaunching; leaves the main queue unrun.
  std::shared_ptr<AppDelegate> launchDelegate();

  // Desktop shortcuts. An extra of `width` points at x, described by `description`.
  struct Extra {
    std::optional<std::string> description;
    double x = 0;
    double width = 22;
  };
  // Adds a running application with these extras and an icon of its own; returns its pid.
  ProcessID launchApp(const std::string& name, const std::vector<Extra>& extras);
  void setTrusted(bool trusted) { desktop->setAccessibilityGranted(trusted); }

  // Stepping.
  size_t runMain() { return loop->runMain(); }
  void advance(double seconds) { loop->advance(seconds); }
  bool runScanStep() { return loop->runSerialStep(kScanQueue); }
  size_t pendingScanBlocks() const { return loop->pendingSerial(kScanQueue); }
  // One scan-queue block, then the main-queue blocks it handed back.
  bool finishScanStep();
  // Runs the main queue and the scan queue until nothing is due now; time stands still.
  void drain() { loop->runUntil(loop->now()); }
  // Runs everything, delayed blocks included, until nothing but repeating timers is left;
  // time moves to the moment the loop became idle.
  void settle(double maxSeconds = 60) { loop->runUntilIdle(maxSeconds); }
  Date now() { return loop->now(); }

  // The status item that start-up made (the first one), and the delegate's menu.
  std::shared_ptr<sim::SimStatusItem> statusItem() const;
  static std::shared_ptr<sim::SimMenu> menuOf(AppDelegate& delegate);

  std::shared_ptr<sim::VirtualEventLoop> loop;
  std::shared_ptr<sim::Desktop> desktop;
  std::shared_ptr<sim::SimAccessibility> accessibility;
  std::shared_ptr<sim::SimNotificationCenter> workspaceCenter;
  std::shared_ptr<sim::SimNotificationCenter> distributedCenter;
  std::shared_ptr<sim::SimWorkspace> workspace;
  std::shared_ptr<sim::SimScreens> screens;
  std::shared_ptr<sim::SimImages> images;
  std::shared_ptr<sim::SimMenus> menus;
  std::shared_ptr<sim::SimStatusBar> statusBar;
  std::shared_ptr<sim::SimAlerts> alerts;
  std::shared_ptr<MemoryUserDefaults> userDefaults;
  std::shared_ptr<RecordingSystemLog> systemLog;
  std::shared_ptr<FakeLoginItems> loginItems;
  std::shared_ptr<MapBundle> bundle;
  std::shared_ptr<FakeURLs> urls;
  std::shared_ptr<FakeHTTPSession> http;
  std::shared_ptr<sim::SimApplication> application;
  std::shared_ptr<sim::SimPasteboard> pasteboard = std::make_shared<sim::SimPasteboard>();
  std::shared_ptr<sim::SimProcessInfo> processInfo =
      std::make_shared<sim::SimProcessInfo>(OperatingSystemVersion{15, 0, 0}, "Version 15.0");
  // Every hot-key registration, refusal, unregistration and press, in order; others' holds
  // are added with hotKeys->take.
  std::vector<std::string> hotKeyEvents;
  std::shared_ptr<sim::SimHotKeys> hotKeys;

  // What the workspace was asked to open, in order, and what it answers.
  std::vector<URL> openedURLs;
  bool openURLResult = true;
  // Every alert shown, in order; each is answered with its first button.
  std::vector<sim::AlertRecord> alertsShown;

  Platform platform;

 private:
  std::unique_ptr<ScopedPlatform> scope_;
  int nextIcon_ = 0;
};

}  // namespace strandel::test
