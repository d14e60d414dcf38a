#include <gtest/gtest.h>

#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

using sim::PressBehavior;
using test::appNamed;
using test::extraAt;
using test::ScannerWorld;
using Request = sim::SimAccessibility::Request;

MenuBarScanner::Context contextFor(ProcessID pid) {
  MenuBarScanner::Context context;
  context.apps.push_back({pid, "App", nullptr});
  context.screenWidth = 900;
  return context;
}

// Scans the one app and returns its only extra.
ExtraItemRef onlyItem(ScannerWorld& world, ProcessID pid) {
  const ExtraItems items = MenuBarScanner::scan(contextFor(pid));
  EXPECT_EQ(items.size(), 1u);
  world.ax->clearRequests();
  return items.empty() ? nullptr : items[0];
}

TEST(Press, PerformsAXPressWithATwoSecondTimeout) {
  ScannerWorld world;
  const ProcessID pid = world.launch(appNamed("Mail", {extraAt(10, 10, "Clock")}));
  const ExtraItemRef item = onlyItem(world, pid);
  ASSERT_TRUE(item);

  EXPECT_TRUE(MenuBarScanner::press(*item));
  EXPECT_TRUE(MenuBarScanner::press(*item));

  const auto requests = world.ax->requests();
  ASSERT_EQ(requests.size(), 4u);
  for (size_t i = 0; i < 4; i += 2) {
    EXPECT_EQ(requests[i].kind, Request::Kind::setMessagingTimeout);
    EXPECT_EQ(requests[i].target, sim::ElementKind::extra);
    EXPECT_EQ(requests[i].timeout, 2.0f);
    EXPECT_EQ(requests[i + 1].kind, Request::Kind::performAction);
    EXPECT_EQ(requests[i + 1].name, "AXPress");
  }
  const auto presses = world.desktop->presses();
  ASSERT_EQ(presses.size(), 2u);
  EXPECT_EQ(presses[0].pid, pid);
  EXPECT_EQ(presses[0].appName, "Mail");
  EXPECT_EQ(presses[0].description, "Clock");
  EXPECT_EQ(presses[0].extra, world.desktop->app(pid)->extras[0].id);
}

TEST(Press, IsTrueOnlyWhenTheAppAcceptedIt) {
  struct Case {
    const char* name;
    PressBehavior behavior;
    double delay;
    void (*meanwhile)(sim::Desktop&, ProcessID);
    bool accepted;
    double waited;
    size_t pressesSeen;
  };
  const auto nothing = [](sim::Desktop&, ProcessID) {};
  const Case cases[] = {
      {"accepted", PressBehavior::accept(), 0, nothing, true, 0, 1},
      {"refused", PressBehavior::fail(AXError::actionUnsupported), 0, nothing, false, 0, 1},
      {"app quits on the press", PressBehavior::quitApp(), 0, nothing, false, 0, 1},
      {"app quit since the scan", PressBehavior::accept(), 0,
       [](sim::Desktop& d, ProcessID pid) { d.quit(pid); }, false, 0, 0},
      {"app quit even though slow", PressBehavior::accept(), 30,
       [](sim::Desktop& d, ProcessID pid) { d.quit(pid); }, false, 0, 0},
      {"extra removed since the scan", PressBehavior::accept(), 0,
       [](sim::Desktop& d, ProcessID pid) { d.removeExtra(pid, d.app(pid)->extras[0].id); }, false,
       0, 0},
      {"permission withdrawn", PressBehavior::accept(), 0,
       [](sim::Desktop& d, ProcessID) { d.setAccessibilityGranted(false); }, false, 0, 0},
      {"slow but in time", PressBehavior::accept(), 1.5, nothing, true, 1.5, 1},
      {"slower than the timeout", PressBehavior::accept(), 3, nothing, false, 2.0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScannerWorld world;
    sim::ExtraSpec extra = extraAt(10, 10, "Clock");
    extra.press = c.behavior;
    const ProcessID pid = world.launch(appNamed("Mail", {extra}));
    const ExtraItemRef item = onlyItem(world, pid);
    ASSERT_TRUE(item);
    world.desktop->updateApp(pid, [&](sim::AppSpec& app) { app.responseDelay = c.delay; });
    c.meanwhile(*world.desktop, pid);
    const double start = world.time->now;

    EXPECT_EQ(MenuBarScanner::press(*item), c.accepted);
    EXPECT_EQ(world.time->now - start, c.waited);
    EXPECT_EQ(world.desktop->presses().size(), c.pressesSeen);
  }
}

TEST(Press, ScansAndPressesShareTheOneSerialQueue) {
  ScannerWorld world;
  const ProcessID pid = world.launch(appNamed("Mail", {extraAt(10, 10, "Clock")}));
  const ExtraItemRef item = onlyItem(world, pid);
  ASSERT_TRUE(item);
  world.desktop->quit(pid);

  std::vector<std::string> ran;
  MenuBarScanner::queue().async([&] { ran.push_back(MenuBarScanner::press(*item) ? "t" : "f"); });
  MenuBarScanner::queue().async(
      [&] { ran.push_back(std::to_string(MenuBarScanner::scan(contextFor(pid)).size())); });
  MenuBarScanner::queue().async([&] { ran.push_back(MenuBarScanner::press(*item) ? "t" : "f"); });
  EXPECT_TRUE(ran.empty());  // nothing runs outside the queue

  ASSERT_EQ(world.dispatch->serial.size(), 1u);
  EXPECT_EQ(world.dispatch->serial[0]->drain(), 3u);
  EXPECT_EQ(ran, (std::vector<std::string>{"f", "0", "f"}));
  EXPECT_EQ(world.time->now, 0);  // a gone app does not hold the queue
}

}  // namespace
}  // namespace strandel
