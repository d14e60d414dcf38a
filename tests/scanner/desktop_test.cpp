#include <gtest/gtest.h>

#include <thread>

#include "adapters/sim/desktop/ax_objects.h"
#include "scanner/ax_read.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

using sim::DesktopEvent;
using test::appNamed;
using test::extraAt;
using test::ScannerWorld;

TEST(SimAccessibility, PermissionGatesRequestsAndThePromptShowsOnlyWhileMissing) {
  ScannerWorld world;
  std::vector<DesktopEvent::Kind> events;
  world.desktop->addObserver([&](const DesktopEvent& e) { events.push_back(e.kind); });
  const ProcessID pid = world.launch(appNamed("Mail", {extraAt(10, 10, "Clock")}));
  const AXRef app = world.ax->createApplication(pid);

  world.desktop->setAccessibilityGranted(false);
  AXRef value;
  EXPECT_EQ(world.ax->copyAttributeValue(app, "AXExtrasMenuBar", value), AXError::apiDisabled);
  EXPECT_FALSE(value);
  EXPECT_FALSE(world.ax->isProcessTrusted());
  EXPECT_FALSE(world.ax->isProcessTrustedWithOptions(false));
  EXPECT_EQ(world.desktop->permissionPromptCount(), 0);
  EXPECT_FALSE(world.ax->isProcessTrustedWithOptions(true));
  EXPECT_EQ(world.desktop->permissionPromptCount(), 1);

  world.desktop->setAccessibilityGranted(true);
  EXPECT_TRUE(world.ax->isProcessTrustedWithOptions(true));
  EXPECT_EQ(world.desktop->permissionPromptCount(), 1);
  EXPECT_EQ(world.ax->copyAttributeValue(app, "AXExtrasMenuBar", value), AXError::success);
  EXPECT_EQ(world.ax->typeID(value), world.ax->elementTypeID());
  EXPECT_EQ(events,
            (std::vector<DesktopEvent::Kind>{
                DesktopEvent::Kind::launched, DesktopEvent::Kind::permissionChanged,
                DesktopEvent::Kind::permissionPrompted, DesktopEvent::Kind::permissionChanged}));
}

TEST(SimAccessibility, ElementsOfAQuitAppStayDeadEvenUnderARelaunchedPid) {
  ScannerWorld world;
  const ProcessID pid = world.launch(appNamed("Mail", {extraAt(10, 10, "Clock")}, 77));
  const AXRef app = world.ax->createApplication(pid);
  const AXRef bar = axCopy(app, "AXExtrasMenuBar");
  const AXRef extra = world.ax->arrayValues(axCopy(bar, "AXChildren")).at(0);

  EXPECT_FALSE(world.desktop->launch(appNamed("Twin", {}, 77)));  // pid in use
  ASSERT_TRUE(world.desktop->quit(pid));
  EXPECT_FALSE(world.desktop->quit(pid));
  ASSERT_EQ(world.desktop->launch(appNamed("Mail", {extraAt(10, 10, "Clock")}, 77)), 77);

  AXRef value;
  EXPECT_EQ(world.ax->copyAttributeValue(app, "AXExtrasMenuBar", value), AXError::cannotComplete);
  EXPECT_EQ(world.ax->copyAttributeValue(bar, "AXChildren", value), AXError::invalidUIElement);
  EXPECT_EQ(world.ax->copyAttributeValue(extra, "AXSize", value), AXError::invalidUIElement);
  EXPECT_EQ(world.ax->performAction(extra, "AXPress"), AXError::invalidUIElement);
  const AXRef fresh = world.ax->createApplication(77);
  EXPECT_EQ(world.ax->copyAttributeValue(fresh, "AXExtrasMenuBar", value), AXError::success);

  // A terminated entry stays listed, flagged, and its process answers nothing.
  world.desktop->updateApp(77, [](sim::AppSpec& a) { a.terminated = true; });
  EXPECT_TRUE(world.desktop->runningApplications().at(0).isTerminated);
  EXPECT_EQ(world.ax->copyAttributeValue(fresh, "AXExtrasMenuBar", value), AXError::cannotComplete);
}

TEST(SimAccessibility, RejectsWhatIsNotAnElementOrATimeout) {
  ScannerWorld world;
  const ProcessID pid = world.launch(appNamed("Mail", {extraAt(10, 10, "Clock")}));
  const AXRef app = world.ax->createApplication(pid);
  const AXRef text = std::make_shared<const sim::SimString>("text");
  AXRef value;
  EXPECT_EQ(world.ax->copyAttributeValue(nullptr, "AXChildren", value), AXError::illegalArgument);
  EXPECT_EQ(world.ax->copyAttributeValue(text, "AXChildren", value), AXError::illegalArgument);
  EXPECT_EQ(world.ax->copyAttributeValue(app, "", value), AXError::illegalArgument);
  EXPECT_EQ(world.ax->copyAttributeValue(app, "AXTitle", value), AXError::attributeUnsupported);
  EXPECT_EQ(world.ax->performAction(app, "AXPress"), AXError::actionUnsupported);
  EXPECT_EQ(world.ax->setMessagingTimeout(app, -1), AXError::illegalArgument);
  EXPECT_EQ(world.ax->setMessagingTimeout(text, 1), AXError::illegalArgument);
  EXPECT_EQ(world.ax->setMessagingTimeout(app, 0.5f), AXError::success);
  Point point{9, 9};
  EXPECT_FALSE(world.ax->valueGetPoint(text, point));
  EXPECT_EQ(point, (Point{9, 9}));
  EXPECT_EQ(world.ax->typeID(nullptr), 0u);

  // An element of another desktop is not one of this desktop's.
  ScannerWorld other;
  other.launch(appNamed("Mail", {}, pid));
  EXPECT_EQ(other.ax->copyAttributeValue(app, "AXExtrasMenuBar", value), AXError::invalidUIElement);
}

TEST(SimAccessibility, WithoutATimeoutASlowAppIsGivenTheDefaultSixSeconds) {
  ScannerWorld world;
  sim::AppSpec slow = appNamed("Slow", {extraAt(10, 10, "Clock")});
  slow.responseDelay = 60;
  const ProcessID pid = world.launch(slow);
  AXRef value;
  EXPECT_EQ(
      world.ax->copyAttributeValue(world.ax->createApplication(pid), "AXExtrasMenuBar", value),
      AXError::cannotComplete);
  EXPECT_EQ(world.time->now, 6.0);
}

TEST(Desktop, EditsKeepIdsAndTellObservers) {
  ScannerWorld world;
  std::vector<DesktopEvent> events;
  const size_t token =
      world.desktop->addObserver([&](const DesktopEvent& e) { events.push_back(e); });
  const ProcessID pid = world.launch(appNamed("Mail", {extraAt(10, 10, "a")}));
  EXPECT_GE(pid, 1000);
  const sim::ExtraID first = world.desktop->app(pid)->extras[0].id;
  const std::optional<sim::ExtraID> second = world.desktop->addExtra(pid, extraAt(30, 10, "b"));
  ASSERT_TRUE(second);
  EXPECT_NE(*second, first);
  EXPECT_TRUE(world.desktop->updateExtra(pid, *second, [](sim::ExtraSpec& e) {
    e.description = "B";
    e.id = 999;  // ids are not the editor's to change
  }));
  EXPECT_TRUE(world.desktop->updateApp(pid, [](sim::AppSpec& a) {
    a.pid = 1;
    a.extras.push_back(extraAt(50, 10, "c"));
  }));
  EXPECT_FALSE(world.desktop->updateExtra(pid, 999, [](sim::ExtraSpec&) {}));
  EXPECT_FALSE(world.desktop->addExtra(pid + 1, extraAt(0, 1, "x")));

  const sim::AppSpec app = *world.desktop->app(pid);
  ASSERT_EQ(app.extras.size(), 3u);
  EXPECT_EQ(app.extras[1].id, *second);
  EXPECT_EQ(app.extras[1].description, "B");
  EXPECT_NE(app.extras[2].id, 0u);
  EXPECT_EQ(app.pid, pid);

  const auto items = MenuBarScanner::scan(MenuBarScanner::makeContext(ScannerWorld::kOwnPid));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_TRUE(MenuBarScanner::press(*items[1]));
  world.desktop->removeObserver(token);
  world.desktop->quit(pid);

  std::vector<DesktopEvent::Kind> kinds;
  for (const auto& e : events) kinds.push_back(e.kind);
  using K = DesktopEvent::Kind;
  EXPECT_EQ(kinds,
            (std::vector<K>{K::launched, K::appChanged, K::appChanged, K::appChanged, K::pressed}));
  ASSERT_TRUE(events.back().press);
  EXPECT_EQ(events.back().press->extra, *second);
  EXPECT_EQ(events.back().press->description, "B");
}

TEST(Desktop, KeepsOnlyTheLatestPresses) {
  ScannerWorld world;
  const ProcessID pid = world.launch(appNamed("Mail", {extraAt(10, 10, "a")}));
  const auto items = MenuBarScanner::scan(MenuBarScanner::makeContext(0));
  ASSERT_EQ(items.size(), 1u);
  for (size_t i = 0; i < sim::Desktop::kPressHistoryLimit + 5; ++i) {
    MenuBarScanner::press(*items[0]);
  }
  EXPECT_EQ(world.desktop->presses().size(), sim::Desktop::kPressHistoryLimit);
  EXPECT_EQ(world.desktop->presses().back().pid, pid);
}

TEST(Desktop, AppsComeAndGoWhileAnotherThreadScans) {
  ScannerWorld world;
  world.ax->setRecordingRequests(false);
  world.launch(appNamed("Steady", {extraAt(10, 10, "s")}, 50));
  const long live = sim::liveAXObjects();
  std::atomic<bool> done{false};
  std::atomic<size_t> seen{0};
  MenuBarScanner::Context context;
  context.apps = {{50, "Steady", nullptr}, {60, "Flicker", nullptr}};
  context.screenWidth = 900;
  std::thread scanner([&] {
    do {
      for (const auto& item : MenuBarScanner::scan(context)) {
        MenuBarScanner::press(*item);
        seen.fetch_add(1);
      }
    } while (!done.load());
  });
  for (int i = 0; i < 300; ++i) {
    const ProcessID pid = world.launch(appNamed("Flicker", {extraAt(30, 10, "f")}, 60));
    world.desktop->updateExtra(pid, world.desktop->app(pid)->extras[0].id,
                               [i](sim::ExtraSpec& e) { e.position.x = i; });
    world.desktop->quit(pid);
  }
  done.store(true);
  scanner.join();
  EXPECT_GT(seen.load(), 0u);
  EXPECT_EQ(sim::liveAXObjects(), live);
}

TEST(SimWorkspace, ForwardsAddressesAndKeepsItsCentre) {
  auto desktop = std::make_shared<sim::Desktop>();
  struct Centre final : NotificationCenter {
    void addObserver(const std::string& name, NotificationBlock) override { names.push_back(name); }
    std::vector<std::string> names;
  };
  auto centre = std::make_shared<Centre>();
  sim::SimWorkspace workspace(desktop, centre);
  EXPECT_FALSE(workspace.openURL(URL{"https://example.org/"}));
  std::vector<std::string> opened;
  workspace.setOpenURLHandler([&](const URL& url) {
    opened.push_back(url.absoluteString);
    return true;
  });
  EXPECT_TRUE(workspace.openURL(URL{"https://example.org/"}));
  EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/"});
  workspace.notificationCenter().addObserver("n", [] {});
  EXPECT_EQ(centre->names, std::vector<std::string>{"n"});

  sim::SimWorkspace silent(desktop, nullptr);
  silent.notificationCenter().addObserver("n", [] {});  // accepted, never called
}

TEST(SimImages, KnownSymbolsOnlyAndCopiesAreIndependent) {
  sim::SimImages images;
  EXPECT_EQ(images.systemSymbol("no.such.symbol", "x"), nullptr);
  const ImageRef symbol = images.systemSymbol("ellipsis.circle", "Strandel");
  ASSERT_TRUE(symbol);
  EXPECT_EQ(symbol->accessibilityDescription(), "Strandel");
  EXPECT_FALSE(symbol->isTemplate());
  symbol->setTemplate(true);
  const ImageRef copy = symbol->copy();
  copy->setSize(Size{18, 18});
  copy->setTemplate(false);
  EXPECT_TRUE(symbol->isTemplate());
  EXPECT_NE(symbol->size(), (Size{18, 18}));
  EXPECT_EQ(copy->size(), (Size{18, 18}));
  EXPECT_EQ(dynamic_cast<sim::SimImage&>(*copy).glyph(),
            dynamic_cast<sim::SimImage&>(*symbol).glyph());
}

}  // namespace
}  // namespace strandel
