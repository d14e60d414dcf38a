#include "adapters/sim/simulator/simulator.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include <nlohmann/json.hpp>

#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/desktop/sim_workspace.h"
#include "adapters/sim/net/curl_http_session.h"
#include "adapters/sim/services/file_user_defaults.h"
#include "adapters/sim/services/posix_urls.h"
#include "adapters/sim/services/strings_bundle.h"
#include "adapters/sim/services/syslog_log.h"
#include "adapters/sim/services/xdg_login_items.h"
#include "adapters/sim/simulator/report_file.h"
#include "adapters/sim/simulator/transcript.h"
#include "adapters/sim/simulator/virtual_http_session.h"
#include "app/entry_point.h"
#include "update/update_checker.h"

#ifndef STRANDEL_VERSION
#define STRANDEL_VERSION "1.0.0"
#endif
#ifndef STRANDEL_RESOURCES_DIR
#define STRANDEL_RESOURCES_DIR "resources"
#endif

namespace strandel::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kManifestPath = "/Harrowlark/strandel/version.json";

std::string describeValue(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, int64_t>) {
          return std::to_string(v) + " (integer)";
        } else if constexpr (std::is_same_v<T, double>) {
          return formatNumber(v) + " (number)";
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "true (boolean)" : "false (boolean)";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return quoted(v) + " (string)";
        } else {
          return v.description + " (other)";
        }
      },
      value);
}

nlohmann::json defaultsJSON(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> nlohmann::json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, OtherDefaultsValue>) {
          return nlohmann::json::parse(v.description, nullptr, false);
        } else {
          return nlohmann::json(v);
        }
      },
      value);
}

bool hasScheme(const std::string& text, std::string_view scheme) {
  if (text.size() <= scheme.size() || text[scheme.size()] != ':') return false;
  for (size_t i = 0; i < scheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i]) return false;
  }
  return true;
}

fs::path makeTemporaryDirectory() {
  std::string pattern = (fs::temp_directory_path() / "strandel-sim-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    throw std::runtime_error("cannot make a temporary directory under " +
                             fs::temp_directory_path().string());
  }
  return pattern;
}

// Answers with the real session and tells the simulator how each request ended.
class ReportingHTTPSession final : public HTTPSession {
 public:
  using Report = std::function<void(const URLRequest&, bool failed, size_t bytes)>;
  ReportingHTTPSession(std::shared_ptr<HTTPSession> real, Report report)
      : real_(std::move(real)), report_(std::move(report)) {}

  void dataTask(const URLRequest& request, DataTaskCompletion completion) override {
    real_->dataTask(request, [request, report = report_, completion = std::move(completion)](
                                 std::optional<Bytes> body, std::optional<PlatformError> error) {
      report(request, error.has_value(), body ? body->size() : 0);
      completion(std::move(body), std::move(error));
    });
  }

 private:
  std::shared_ptr<HTTPSession> real_;
  Report report_;
};

}  // namespace

// Counts what the scan queue's current block asked of other applications.
struct Simulator::Work {
  std::atomic<int> apps{0};
  std::atomic<int> labels{0};
  std::atomic<int> presses{0};
  std::atomic<int> reports{0};  // a report asks for the system's version once
};

class Simulator::ObservedMenus final : public Menus {
 public:
  explicit ObservedMenus(Simulator& simulator) : simulator_(simulator) {}

  MenuRef makeMenu() override {
    auto menu = std::make_shared<SimMenu>();
    std::weak_ptr<SimMenu> weak = menu;
    Simulator* simulator = &simulator_;
    menu->onChange = [simulator, weak] {
      if (auto shown = weak.lock()) simulator->menuChanged(*shown);
    };
    // The status item's menu is the one the program makes first.
    if (simulator_.menu_.expired()) simulator_.menu_ = menu;
    menu->setOptionKeyDown(simulator_.optionDown_);
    return menu;
  }
  MenuItemRef makeItem(const std::string& title, std::optional<std::string> action,
                       const std::string& keyEquivalent) override {
    return inner_.makeItem(title, std::move(action), keyEquivalent);
  }
  MenuItemRef separatorItem() override { return inner_.separatorItem(); }

 private:
  Simulator& simulator_;
  SimMenus inner_;
};

class Simulator::ObservedDispatch final : public Dispatch {
 public:
  ObservedDispatch(std::shared_ptr<Dispatch> inner, Simulator& simulator)
      : inner_(std::move(inner)), simulator_(simulator) {}

  MainQueue& mainQueue() override { return inner_->mainQueue(); }

  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                 QualityOfService qos) override {
    auto queue = inner_->makeSerialQueue(label, qos);
    if (label != kScanQueueLabel) return queue;
    return std::make_shared<ScanQueue>(std::move(queue), simulator_);
  }

 private:
  // Reports each block that read the menu bar as one scan.
  class ScanQueue final : public DispatchQueue {
   public:
    ScanQueue(std::shared_ptr<DispatchQueue> inner, Simulator& simulator)
        : inner_(std::move(inner)), simulator_(simulator) {}
    void async(Block block) override {
      Simulator* simulator = &simulator_;
      std::shared_ptr<Work> work = simulator_.work_;
      inner_->async([simulator, work, block = std::move(block)] {
        work->apps = 0;
        work->labels = 0;
        work->presses = 0;
        work->reports = 0;
        block();
        int apps = work->apps.exchange(0);
        int labels = work->labels.exchange(0);
        // Every block on this queue is a scan, a report or a press; an empty scan asks no
        // app at all.
        if (work->presses.exchange(0) > 0) return;
        bool report = work->reports.exchange(0) > 0;
        std::string counts = std::to_string(apps) + (apps == 1 ? " app, " : " apps, ") +
                             std::to_string(labels) + (labels == 1 ? " extra" : " extras");
        if (report) {
          simulator->emitFromAnyThread({SimEvent::Kind::report, "report: " + counts + " read", {}});
        } else {
          simulator->emitFromAnyThread({SimEvent::Kind::scan, "scan: " + counts, {}});
        }
      });
    }
    std::string label() const override { return inner_->label(); }

   private:
    std::shared_ptr<DispatchQueue> inner_;
    Simulator& simulator_;
  };

  std::shared_ptr<Dispatch> inner_;
  Simulator& simulator_;
};

class Simulator::RecordingDefaults final : public UserDefaults {
 public:
  RecordingDefaults(std::shared_ptr<FileUserDefaults> inner, Simulator& simulator)
      : inner_(std::move(inner)), simulator_(simulator) {}
  std::optional<DefaultsValue> objectForKey(const std::string& key) override {
    return inner_->objectForKey(key);
  }
  void setInteger(int64_t value, const std::string& key) override {
    inner_->setInteger(value, key);
    // A write that failed is never shown as done; the system log says why.
    simulator_.emit({SimEvent::Kind::defaultsWrite,
                     "defaults: " + quoted(key) + " = " + describeValue(DefaultsValue{value}) +
                         (inner_->lastError() ? ", not saved (kept in memory only)" : ""),
                     {}});
  }

 private:
  std::shared_ptr<FileUserDefaults> inner_;
  Simulator& simulator_;
};

// The login item as the scene sets it up: the XDG entry, or a failure for every change.
class Simulator::SceneLoginItems final : public LoginItemService {
 public:
  SceneLoginItems(std::shared_ptr<LoginItemService> inner, std::optional<std::string> failure,
                  Simulator& simulator)
      : inner_(std::move(inner)), failure_(std::move(failure)), simulator_(simulator) {}

  LoginItemStatus status() override { return inner_->status(); }
  std::optional<PlatformError> registerService() override {
    return change("register", [&] { return inner_->registerService(); });
  }
  std::optional<PlatformError> unregisterService() override {
    return change("unregister", [&] { return inner_->unregisterService(); });
  }

 private:
  template <typename Change>
  std::optional<PlatformError> change(const std::string& what, Change perform) {
    std::optional<PlatformError> error =
        failure_ ? std::optional<PlatformError>(PlatformError{*failure_}) : perform();
    std::string text = "login item: " + what;
    if (error) {
      text += " failed: " + error->localizedDescription;
    } else {
      text += " -> " + std::string(nameOf(inner_->status()));
    }
    simulator_.emit({SimEvent::Kind::loginItem, text, {}});
    return error;
  }

  std::shared_ptr<LoginItemService> inner_;
  std::optional<std::string> failure_;
  Simulator& simulator_;
};

Simulator::Simulator(Scene scene, Options options)
    : scene_(std::move(scene)), options_(std::move(options)), work_(std::make_shared<Work>()) {
  if (options_.time == Time::virtualTime) {
    virtualLoop_ = std::make_shared<VirtualEventLoop>();
  } else {
    realLoop_ = std::make_shared<RealEventLoop>();
  }
  prepareDirectories();
  try {
    seedDefaults();
    server_ = std::make_shared<UpdateServer>(scene_.updateServer, options_.time == Time::realTime);
    if (!server_->startError().empty()) {
      throw std::runtime_error("cannot start the update server: " + server_->startError());
    }
    compose();
  } catch (...) {
    // No destructor runs for a simulator that was never made; leave nothing behind.
    if (desktop_ && desktopObserver_ != 0) desktop_->removeObserver(desktopObserver_);
    if (temporaryDirectory_) {
      std::error_code ignored;
      fs::remove_all(*temporaryDirectory_, ignored);
    }
    throw;
  }
  // The check goes to the scene's own server instead of the web.
  UpdateChecker::setCheckURLForTesting(URL{server_->address() + kManifestPath});
}

Simulator::~Simulator() {
  if (desktopObserver_ != 0) desktop_->removeObserver(desktopObserver_);
  accessibility_->setRequestObserver(nullptr);
  // Let the scan queue finish first: its blocks report to this simulator.
  platform_.scanQueue.reset();
  UpdateChecker::setCheckURLForTesting(std::nullopt);
  server_->stop();
  if (temporaryDirectory_) {
    std::error_code ignored;
    fs::remove_all(*temporaryDirectory_, ignored);
  }
}

void Simulator::prepareDirectories() {
  if (!options_.defaultsDirectory || !options_.autostartDirectory) {
    temporaryDirectory_ = makeTemporaryDirectory();
  }
  defaultsDirectory_ =
      options_.defaultsDirectory ? *options_.defaultsDirectory : *temporaryDirectory_ / "defaults";
  autostartDirectory_ = options_.autostartDirectory ? *options_.autostartDirectory
                                                    : *temporaryDirectory_ / "autostart";
}

void Simulator::seedDefaults() {
  // Only a directory of the simulator's own is seeded: a person's settings stay untouched.
  if (options_.defaultsDirectory || scene_.defaults.empty()) return;
  nlohmann::json object = nlohmann::json::object();
  for (const auto& [key, value] : scene_.defaults) object[key] = defaultsJSON(value);
  fs::create_directories(defaultsDirectory_);
  std::ofstream out(defaultsDirectory_ / "defaults.json", std::ios::binary);
  out << object.dump(2) << "\n";
  if (!out) throw std::runtime_error("cannot write the scene's defaults");
}

void Simulator::compose() {
  std::shared_ptr<TimeSource> time;
  std::shared_ptr<Dispatch> dispatch;
  if (virtualLoop_) {
    time = virtualLoop_;
    dispatch = virtualLoop_;
    platform_.clock = virtualLoop_;
    platform_.timers = virtualLoop_;
  } else {
    time = realLoop_;
    dispatch = realLoop_;
    platform_.clock = realLoop_;
    platform_.timers = realLoop_;
  }
  start_ = platform_.clock->now();
  MainQueue& main = dispatch->mainQueue();

  desktop_ = std::make_shared<Desktop>();
  desktop_->setScreen(scene_.screen);
  desktop_->setAccessibilityGranted(scene_.accessibilityGranted);
  for (const auto& app : scene_.apps) {
    AppSpec definition = app.definition;
    if (app.icon)
      definition.icon = std::make_shared<SimImage>(app.icon->glyph, app.icon->colour, Size{32, 32});
    desktop_->launch(std::move(definition));
  }
  // The program itself is running too, and is the last to have started.
  AppSpec self;
  self.pid = scene_.selfPid;
  self.name = "Strandel";
  self.activationPolicy = ActivationPolicy::accessory;
  desktop_->launch(std::move(self));
  desktopObserver_ = desktop_->addObserver([this](const DesktopEvent& e) { onDesktopEvent(e); });

  accessibility_ = std::make_shared<SimAccessibility>(desktop_, time);
  std::shared_ptr<Work> work = work_;
  accessibility_->setRequestObserver([work](const SimAccessibility::Request& request) {
    using Kind = SimAccessibility::Request::Kind;
    if (request.kind == Kind::createApplication) ++work->apps;
    if (request.kind == Kind::copyAttributeValue && request.name == "AXDescription") {
      ++work->labels;
    }
    if (request.kind == Kind::performAction) ++work->presses;
  });

  workspaceCenter_ = std::make_shared<SimNotificationCenter>(main);
  distributedCenter_ = std::make_shared<SimNotificationCenter>(main);
  statusBar_ = std::make_shared<SimStatusBar>();
  SimApplication::Loop loop;
  loop.run = [this] {
    scheduleTimeline();
    if (drive_) drive_();
  };
  // On virtual time the driver itself sees that the program has quit.
  loop.stop = [this] {
    if (realLoop_) realLoop_->stop();
  };
  application_ = std::make_shared<SimApplication>(main, std::move(loop));
  application_->onTerminate = [this] { emit({SimEvent::Kind::quit, "quit: Strandel quits", {}}); };

  std::string version = scene_.version.value_or(STRANDEL_VERSION);
  fs::path resources = options_.resourcesDirectory.value_or(STRANDEL_RESOURCES_DIR);

  // First, so that the services can tell what went wrong with the user's files. Lines go
  // through the main queue, as they may come from any thread.
  auto log = std::make_shared<SyslogLog>(
      [this, queue = &main](const std::string& line) {
        queue->async([this, line] { emit({SimEvent::Kind::log, "log: " + line, {}}); });
      },
      options_.writeSyslog);
  auto report = [log](const std::string& line) { log->log(line); };

  std::optional<fs::path> executable = currentExecutablePath();
  if (scene_.loginItem.status == LoginItemStatus::notFound) executable.reset();
  auto xdg = std::make_shared<XdgLoginItems>(autostartDirectory_, executable, report);
  if (!options_.autostartDirectory) {
    if (scene_.loginItem.status == LoginItemStatus::enabled ||
        scene_.loginItem.status == LoginItemStatus::requiresApproval) {
      if (auto error = xdg->registerService()) {
        throw std::runtime_error("cannot set up the scene's login item: " +
                                 error->localizedDescription);
      }
    }
    if (scene_.loginItem.status == LoginItemStatus::requiresApproval) {
      // Switched off by the user in the session's settings: registered, not yet allowed.
      std::ofstream entry(xdg->entryPath(), std::ios::app);
      entry << "Hidden=true\n";
    }
  }

  std::shared_ptr<HTTPSession> curl = std::make_shared<CurlHTTPSession>();
  if (virtualLoop_) {
    platform_.http = std::make_shared<VirtualHTTPSession>(
        curl, main, virtualLoop_->makeSerialQueue(kSessionQueueLabel, QualityOfService::utility),
        server_, [this](const VirtualHTTPSession::Outcome& outcome) {
          emit({SimEvent::Kind::http, "http: " + describeOutcome(outcome), {}});
        });
  } else {
    platform_.http = std::make_shared<ReportingHTTPSession>(
        curl, [this](const URLRequest& request, bool failed, size_t bytes) {
          emitFromAnyThread(
              {SimEvent::Kind::http,
               "http: " + request.method + " " + request.url.absoluteString +
                   (failed ? " -> failed" : " -> " + std::to_string(bytes) + " bytes"),
               {}});
        });
  }

  platform_.accessibility = accessibility_;
  platform_.workspace = std::make_shared<SimWorkspace>(
      desktop_, workspaceCenter_, [this](const URL& url) { return openURL(url); });
  platform_.screens = std::make_shared<SimScreens>(desktop_);
  platform_.urls = std::make_shared<PosixURLs>();
  platform_.images = std::make_shared<SimImages>();
  platform_.dispatch = std::make_shared<ObservedDispatch>(dispatch, *this);
  platform_.application = application_;
  platform_.userDefaults = std::make_shared<RecordingDefaults>(
      std::make_shared<FileUserDefaults>(defaultsDirectory_, report), *this);
  platform_.bundle =
      std::make_shared<StringsBundle>(resources, version, options_.languages, report);
  platform_.distributedCenter = distributedCenter_;
  platform_.loginItems = std::make_shared<SceneLoginItems>(xdg, scene_.loginItem.failure, *this);
  platform_.systemLog = log;
  platform_.statusBar = statusBar_;
  platform_.menus = std::make_shared<ObservedMenus>(*this);
  platform_.alerts =
      std::make_shared<SimAlerts>([this](const AlertRecord& alert) { return presentAlert(alert); });
  pasteboard_ = std::make_shared<SimPasteboard>(
      [this](const std::string& text, const std::string& type) { pasteboardWritten(text, type); });
  platform_.generalPasteboard = pasteboard_;
  platform_.processInfo = std::make_shared<SimProcessInfo>(scene_.os.version, scene_.os.description,
                                                           [work] { ++work->reports; });
  platform_.processIdentifier = scene_.selfPid;
}

void Simulator::pasteboardWritten(const std::string& text, const std::string& type) {
  std::string line = "pasteboard: " + std::to_string(text.size()) + " bytes of " +
                     (type == kPasteboardTypeString ? std::string("text") : quoted(type));
  if (options_.reportDirectory) {
    auto written = writeReportFile(*options_.reportDirectory, text);
    if (auto* path = std::get_if<fs::path>(&written)) {
      line += ", written to " + path->string();
    } else {
      line += "; " + std::get<std::string>(written);
    }
  }
  // After the line of the work that made the text, which is on its way to the main queue.
  emitFromAnyThread({SimEvent::Kind::pasteboard, line, {}});
}

int Simulator::run(std::function<void()> drive) {
  if (ran_) throw std::logic_error("a simulator runs once");
  ran_ = true;
  drive_ = std::move(drive);
  ScopedPlatform scope(platform_);
  // The program keeps its delegate for the life of its process; one run is such a life, so
  // it ends with the run, whichever way the run ends.
  struct EndOfLife {
    ~EndOfLife() {
      strandel::delegate.reset();
      strandel::app.reset();
    }
  } endOfLife;
  return runApplication();
}

void Simulator::scheduleTimeline() {
  MainQueue& main = mainQueue();
  for (const SceneEvent& event : scene_.timeline) {
    main.asyncAfter(event.at, [this, event] {
      switch (event.kind) {
        case SceneEvent::Kind::launch:
          launch(event.pid);
          break;
        case SceneEvent::Kind::quit:
          quit(event.pid);
          break;
        case SceneEvent::Kind::accessibility:
          desktop_->setAccessibilityGranted(event.granted);
          break;
      }
    });
  }
}

MainQueue& Simulator::mainQueue() {
  return platform_.dispatch->mainQueue();
}

double Simulator::secondsSinceStart() {
  return platform_.clock->now().timeIntervalSince(start_);
}

std::string Simulator::scrub(const std::string& text) const {
  std::string out = text;
  auto replace = [&out](const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = out.find(from); at != std::string::npos; at = out.find(from, at + to.size())) {
      out.replace(at, from.size(), to);
    }
  };
  replace(server_->address(), "{server}");
  if (temporaryDirectory_) replace(temporaryDirectory_->string(), "{tmp}");
  return out;
}

std::shared_ptr<SimStatusItem> Simulator::statusItem() const {
  const auto& items = statusBar_->items();
  return items.empty() ? nullptr : items.front();
}

std::shared_ptr<SimMenu> Simulator::menu() const {
  auto item = statusItem();
  return item ? item->menu() : nullptr;
}

void Simulator::hover() {
  if (auto item = statusItem()) item->hover();
}

bool Simulator::openMenu() {
  auto item = statusItem();
  if (!item || !item->menu() || item->menu()->isOpen()) return false;
  return item->click();
}

void Simulator::closeMenu() {
  if (auto shown = menu(); shown && shown->isOpen()) shown->close();
}

bool Simulator::choose(long row) {
  auto shown = menu();
  return shown && shown->isOpen() && shown->choose(row - 1);
}

long Simulator::findRow(const std::string& title) const {
  auto shown = menu();
  if (!shown) return -1;
  const auto items = shown->shownItems();
  for (size_t i = 0; i < items.size(); ++i) {
    if (!items[i]->isSeparator() && items[i]->title() == title) return static_cast<long>(i);
  }
  // A hidden extra's row starts with its mark; its label alone names it too.
  const std::string marked = "\u25CF  " + title;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!items[i]->isSeparator() && items[i]->title() == marked) return static_cast<long>(i);
  }
  return -1;
}

bool Simulator::choose(const std::string& title) {
  long index = findRow(title);
  return index >= 0 && choose(index + 1);
}

void Simulator::setOptionKeyDown(bool down) {
  optionDown_ = down;
  if (auto shown = menu_.lock()) shown->setOptionKeyDown(down);
}

bool Simulator::chooseKey(const std::string& key) {
  auto shown = menu();
  return shown && shown->isOpen() && shown->chooseKeyEquivalent(key);
}

void Simulator::openPrivacyPane() {
  if (paneOpen_) return;
  paneOpen_ = true;
  emit({SimEvent::Kind::privacyPane, "privacy pane: opened", {}});
}

void Simulator::closePrivacyPane() {
  if (!paneOpen_) return;
  paneOpen_ = false;
  emit({SimEvent::Kind::privacyPane, "privacy pane: closed", {}});
}

void Simulator::grant() {
  openPrivacyPane();
  desktop_->setAccessibilityGranted(true);
}

void Simulator::withdraw() {
  openPrivacyPane();
  desktop_->setAccessibilityGranted(false);
}

bool Simulator::launch(ProcessID pid) {
  const SceneApp* app = scene_.findApp(pid);
  if (!app || desktop_->app(pid)) return false;
  AppSpec definition = app->definition;
  if (app->icon)
    definition.icon = std::make_shared<SimImage>(app->icon->glyph, app->icon->colour, Size{32, 32});
  return desktop_->launch(std::move(definition)).has_value();
}

bool Simulator::quit(ProcessID pid) {
  if (pid == scene_.selfPid) return false;  // the program quits through its own menu
  return desktop_->quit(pid);
}

std::string Simulator::appLabel(ProcessID pid) const {
  if (pid == scene_.selfPid) return "Strandel (pid " + std::to_string(pid) + ")";
  std::string name = "(no name)";
  if (const SceneApp* app = scene_.findApp(pid); app && app->definition.name)
    name = *app->definition.name;
  return name + " (pid " + std::to_string(pid) + ")";
}

void Simulator::onDesktopEvent(const DesktopEvent& event) {
  // Desktop events come from whichever thread caused them; everything they lead to happens
  // on the main thread, as the system's notifications do.
  switch (event.kind) {
    case DesktopEvent::Kind::launched:
    case DesktopEvent::Kind::quit: {
      bool launched = event.kind == DesktopEvent::Kind::launched;
      ProcessID pid = event.pid;
      mainQueue().async([this, launched, pid] {
        emit({launched ? SimEvent::Kind::appLaunched : SimEvent::Kind::appQuit,
              (launched ? "app launched: " : "app quit: ") + appLabel(pid),
              {}});
        const char* name =
            launched ? kDidLaunchApplicationNotification : kDidTerminateApplicationNotification;
        emit({SimEvent::Kind::notification,
              std::string("notification: ") + name + " (workspace)",
              {}});
        workspaceCenter_->post(name);
      });
      break;
    }
    case DesktopEvent::Kind::pressed: {
      if (!event.press) break;
      const PressEvent& press = *event.press;
      std::string text = "press: extra " + std::to_string(press.extra) + " of " +
                         appLabel(press.pid) + ", " +
                         (press.description ? quoted(*press.description) : "no description") +
                         " -> " + std::string(nameOf(press.result));
      emitFromAnyThread({SimEvent::Kind::press, text, {}});
      break;
    }
    case DesktopEvent::Kind::permissionChanged:
      mainQueue().async([this] {
        bool granted = desktop_->accessibilityGranted();
        emit({SimEvent::Kind::permission,
              granted ? "permission: granted" : "permission: withdrawn",
              {}});
        emit({SimEvent::Kind::notification,
              std::string("notification: ") + kAccessibilityNotification + " (distributed)",
              {}});
        distributedCenter_->post(kAccessibilityNotification);
      });
      break;
    case DesktopEvent::Kind::permissionPrompted:
      emitFromAnyThread({SimEvent::Kind::prompt,
                         "system prompt: Strandel asks for Accessibility access "
                         "(granted in the privacy pane)",
                         {}});
      break;
    case DesktopEvent::Kind::appChanged:
    case DesktopEvent::Kind::screenChanged:
      break;
  }
}

bool Simulator::openURL(const URL& url) {
  const std::string& text = url.absoluteString;
  if (text == kPrivacyPaneAddress) {
    emit({SimEvent::Kind::openURL, "open: " + text + " -> the privacy pane", {}});
    openPrivacyPane();
    return true;
  }
  if (hasScheme(text, "http") || hasScheme(text, "https")) {
    emit({SimEvent::Kind::openURL, "open: " + text + " -> the browser", {}});
    return true;
  }
  emit({SimEvent::Kind::openURL, "open: " + text + " -> no application opens it", {}});
  return false;
}

void Simulator::menuChanged(SimMenu& shown) {
  // An open menu is tracked: timers only in the default mode wait until it closes.
  if (shown.isOpen() != tracking_) {
    tracking_ = shown.isOpen();
    if (virtualLoop_) virtualLoop_->setTracking(tracking_);
    if (realLoop_) realLoop_->setTracking(tracking_);
  }
  if (menuObserver_) menuObserver_();
}

size_t Simulator::presentAlert(const AlertRecord& alert) {
  std::string style = alert.style == AlertStyle::informational ? "informational"
                      : alert.style == AlertStyle::critical    ? "critical"
                                                               : "warning";
  emit({SimEvent::Kind::alert, "alert (" + style + "):", describeAlert(alert)});
  size_t chosen = presenter_ ? presenter_(alert) : 0;
  if (alert.buttons.empty()) return 0;
  if (chosen >= alert.buttons.size()) chosen = 0;
  emit({SimEvent::Kind::alertAnswered,
        "alert answered: " + std::to_string(chosen + 1) + "=" + quoted(alert.buttons[chosen]),
        {}});
  return chosen;
}

void Simulator::emit(SimEvent event) {
  if (sink_) sink_(event);
}

void Simulator::emitFromAnyThread(SimEvent event) {
  mainQueue().async([this, event = std::move(event)] { emit(event); });
}

}  // namespace strandel::sim
