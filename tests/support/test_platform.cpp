#include "support/test_platform.h"

#include <cctype>

namespace strandel::test {

std::optional<URL> FakeURLs::urlWithString(const std::string& text) {
  if (text.empty() || rejected.count(text) > 0) return std::nullopt;
  auto colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  if (!std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
  for (size_t i = 1; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
  }
  for (unsigned char c : text) {
    if (c <= 0x20 || c == 0x7f) return std::nullopt;
  }
  return URL{text};
}

bool FakeHTTPSession::respond(size_t index, const std::string& body) {
  if (index >= tasks.size() || tasks[index].answered) return false;
  tasks[index].answered = true;
  tasks[index].completion(Bytes(body.begin(), body.end()), std::nullopt);
  return true;
}

bool FakeHTTPSession::fail(size_t index, const std::string& description) {
  if (index >= tasks.size() || tasks[index].answered) return false;
  tasks[index].answered = true;
  tasks[index].completion(std::nullopt, PlatformError{description});
  return true;
}

TestPlatform::TestPlatform(Options options)
    : loop(std::make_shared<sim::VirtualEventLoop>()),
      desktop(std::make_shared<sim::Desktop>()),
      accessibility(std::make_shared<sim::SimAccessibility>(desktop, loop)),
      workspaceCenter(std::make_shared<sim::SimNotificationCenter>(loop->mainQueue())),
      distributedCenter(std::make_shared<sim::SimNotificationCenter>(loop->mainQueue())),
      workspace(std::make_shared<sim::SimWorkspace>(desktop, workspaceCenter)),
      screens(std::make_shared<sim::SimScreens>(desktop)),
      images(std::make_shared<sim::SimImages>()),
      menus(std::make_shared<sim::SimMenus>()),
      statusBar(std::make_shared<sim::SimStatusBar>()),
      alerts(std::make_shared<sim::SimAlerts>([this](const sim::AlertRecord& record) {
        alertsShown.push_back(record);
        return size_t{0};
      })),
      userDefaults(std::make_shared<MemoryUserDefaults>()),
      systemLog(std::make_shared<RecordingSystemLog>()),
      loginItems(std::make_shared<FakeLoginItems>()),
      bundle(std::make_shared<MapBundle>(englishStrings())),
      urls(std::make_shared<FakeURLs>()),
      http(std::make_shared<FakeHTTPSession>()),
      // The tests drive the loop themselves, so run() only announces the launch.
      application(std::make_shared<sim::SimApplication>(loop->mainQueue(),
                                                        sim::SimApplication::Loop{[] {}, [] {}})),
      hotKeys(std::make_shared<sim::SimHotKeys>(
          std::vector<sim::TakenHotKey>{},
          [this](const std::string& line) { hotKeyEvents.push_back(line); })) {
  desktop->setAccessibilityGranted(options.trusted);
  desktop->setScreen(sim::ScreenSpec{Rect{{0, 0}, {1440, 900}}, std::nullopt, std::nullopt});
  statusBar->setItemsHaveButtons(options.statusItemsHaveButtons);
  bundle->info["CFBundleShortVersionString"] = std::string("1.0.0");
  workspace->setOpenURLHandler([this](const URL& url) {
    openedURLs.push_back(url);
    return openURLResult;
  });
  platform.accessibility = accessibility;
  platform.workspace = workspace;
  platform.screens = screens;
  platform.urls = urls;
  platform.images = images;
  platform.dispatch = loop;
  platform.clock = loop;
  platform.timers = loop;
  platform.application = application;
  platform.userDefaults = userDefaults;
  platform.bundle = bundle;
  platform.distributedCenter = distributedCenter;
  platform.loginItems = loginItems;
  platform.http = http;
  platform.systemLog = systemLog;
  platform.statusBar = statusBar;
  platform.menus = menus;
  platform.alerts = alerts;
  platform.generalPasteboard = pasteboard;
  platform.processInfo = processInfo;
  platform.hotKeys = hotKeys;
  platform.processIdentifier = options.processIdentifier;
  scope_ = std::make_unique<ScopedPlatform>(platform);
}

TestPlatform::~TestPlatform() = default;

std::shared_ptr<AppDelegate> TestPlatform::makeDelegate() {
  auto delegate = std::make_shared<AppDelegate>();
  if (auto menu = menuOf(*delegate)) {
    std::weak_ptr<sim::SimMenu> weakMenu = menu;
    std::weak_ptr<sim::VirtualEventLoop> weakLoop = loop;
    // An open menu is the run loop's tracking mode, as on the Mac.
    menu->onChange = [weakMenu, weakLoop] {
      auto shown = weakMenu.lock();
      auto running = weakLoop.lock();
      if (shown && running && running->inMenuTracking() != shown->isOpen()) {
        running->setTracking(shown->isOpen());
      }
    };
  }
  return delegate;
}

std::shared_ptr<AppDelegate> TestPlatform::launchDelegate() {
  auto delegate = makeDelegate();
  delegate->applicationDidFinishLaunching();
  return delegate;
}

ProcessID TestPlatform::launchApp(const std::string& name, const std::vector<Extra>& extras) {
  sim::AppSpec app;
  app.name = name;
  app.icon =
      std::make_shared<sim::SimImage>("◆", "colour" + std::to_string(nextIcon_++), Size{32, 32});
  for (const auto& extra : extras) {
    sim::ExtraSpec definition;
    definition.position = Point{extra.x, 0};
    definition.size = Size{extra.width, 24};
    definition.description = extra.description;
    app.extras.push_back(definition);
  }
  auto pid = desktop->launch(std::move(app));
  return pid.value_or(0);
}

bool TestPlatform::finishScanStep() {
  if (!runScanStep()) return false;
  runMain();
  return true;
}

std::shared_ptr<sim::SimStatusItem> TestPlatform::statusItem() const {
  if (statusBar->items().empty()) return nullptr;
  return statusBar->items().front();
}

std::shared_ptr<sim::SimMenu> TestPlatform::menuOf(AppDelegate& delegate) {
  return std::dynamic_pointer_cast<sim::SimMenu>(AppDelegateAccess::menu(delegate));
}

}  // namespace strandel::test
