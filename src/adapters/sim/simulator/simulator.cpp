#include "adapters/sim/simulator/simulator.h"

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
#include "adapters/sim/simulator/simulator_observers.h"
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

fs::path makeTemporaryDirectory() {
  std::string pattern = (fs::temp_directory_path() / "strandel-sim-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    throw std::runtime_error("cannot make a temporary directory under " +
                             fs::temp_directory_path().string());
  }
  return pattern;
}

}  // namespace

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
  // Let the scan and report queues finish first: their blocks report to this simulator.
  platform_.scanQueue.reset();
  platform_.reportQueue.reset();
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
  desktop_->setScreens(scene_.screens(), scene_.mainScreen);
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
    platform_.http = std::make_shared<observers::ReportingHTTPSession>(
        curl,
        [this](const URLRequest& request, const std::optional<PlatformError>& error, size_t bytes) {
          // A failure says why, as the person needs to know what to fix.
          std::string outcome = error ? " -> failed: " + error->localizedDescription
                                      : " -> " + std::to_string(bytes) + " bytes";
          emitFromAnyThread({SimEvent::Kind::http,
                             "http: " + request.method + " " + request.url.absoluteString + outcome,
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
  hotKeys_ = std::make_shared<SimHotKeys>(scene_.hotKeysTaken, [this](const std::string& line) {
    emit({SimEvent::Kind::hotKey, line, {}});
  });
  platform_.hotKeys = hotKeys_;
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
  // it ends with the run, whichever way the run ends. A scan or press still at work reads
  // the platform: it finishes while the platform is installed.
  struct EndOfLife {
    Platform& platform;
    ~EndOfLife() {
      platform.scanQueue.reset();
      platform.reportQueue.reset();
      strandel::delegate.reset();
      strandel::app.reset();
    }
  } endOfLife{platform_};
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

void Simulator::emit(SimEvent event) {
  if (sink_) sink_(event);
}

void Simulator::emitFromAnyThread(SimEvent event) {
  mainQueue().async([this, event = std::move(event)] { emit(event); });
}

}  // namespace strandel::sim
