// The platform reads under every scan: signatures, the notch and the snapshot of running
// applications.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scanner/displays.h"
#include "scanner/extra_item.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

using test::appNamed;
using test::extraAt;
using test::ScannerWorld;
using Range = MenuBarScanner::Range;

TEST(ExtraItem, SignatureRoundsMinimumXHalfAwayFromZero) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, std::string> cases[] = {
      {120.5, "121"},
      {-0.5, "-1"},
      {99.49, "99"},
      {0.49999999999999994, "0"},
      {0, "0"},
      {-0.0, "0"},
      // Never reported by the platform; the text stays well-formed.
      {1e300, "9223372036854775807"},
      {-inf, "-9223372036854775808"},
      {std::nan(""), "0"}};
  for (const auto& [x, written] : cases) {
    const ExtraItem item("Clock", nullptr, nullptr, Rect{{x, 0}, {20, 22}}, false);
    EXPECT_EQ(item.signature(), "Clock|false|" + written);
  }
  // Only the minimum x of the frame counts, and a bar in the label is not escaped.
  EXPECT_EQ(ExtraItem("A|b", nullptr, nullptr, Rect{{100, 7}, {-20, 3}}, true).signature(),
            "A|b|true|80");
}

TEST(NotchRange, SpansTheGapBetweenTheTopAreas) {
  struct Case {
    const char* name;
    std::optional<Rect> left;
    std::optional<Rect> right;
    std::optional<Range> expected;
  };
  const auto area = [](double x, double w) { return Rect{{x, 0}, {w, 24}}; };
  const Case cases[] = {
      {"gap", area(0, 400), area(500, 400), Range{400, 500}},
      {"standardized: negative widths", area(400, -400), area(900, -400), Range{400, 500}},
      {"touching", area(0, 450), area(450, 450), std::nullopt},
      {"crossed", area(0, 520), area(480, 420), std::nullopt},
      {"only the left area", area(0, 400), std::nullopt, std::nullopt},
      {"only the right area", std::nullopt, area(500, 400), std::nullopt},
      {"not comparable", area(std::nan(""), 400), area(500, 400), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const sim::SimScreen screen(sim::ScreenSpec{Rect{{0, 0}, {900, 600}}, c.left, c.right});
    EXPECT_EQ(MenuBarScanner::notchRange(screen), c.expected);
  }
}

TEST(MakeContext, ListsTheScannableAppsInWorkspaceOrder) {
  ScannerWorld world;
  // A frame stored with a negative width still measures 1512.
  world.desktop->setScreen(sim::ScreenSpec{Rect{{1512, 0}, {-1512, 982}}, Rect{{0, 0}, {660, 32}},
                                           Rect{{852, 0}, {660, 32}}});
  for (ProcessID pid : {30, ScannerWorld::kOwnPid, 11, 12, 13, 14, 5}) {
    world.launch(appNamed("App" + std::to_string(pid), {}, pid));
  }
  world.desktop->updateApp(11, [](sim::AppSpec& a) { a.terminated = true; });
  world.desktop->updateApp(12, [](auto& a) { a.activationPolicy = ActivationPolicy::prohibited; });
  world.desktop->updateApp(13, [](auto& a) { a.activationPolicy = ActivationPolicy::accessory; });
  world.desktop->updateApp(14, [](sim::AppSpec& a) {
    a.name = std::nullopt;
    a.icon = nullptr;
  });
  world.desktop->updateApp(30, [](sim::AppSpec& a) { a.bundleIdentifier = "com.example.thirty"; });
  // The agent counts whatever its policy; a terminated one does not.
  sim::AppSpec gone = appNamed("MenuBarAgent", {}, 39);
  gone.terminated = true;
  world.launch(gone);
  // Known by its executable, not by its localized name.
  sim::AppSpec agent = appNamed("Agent de la barre des menus", {}, 40);
  agent.executable = "MenuBarAgent";
  agent.activationPolicy = ActivationPolicy::prohibited;
  world.launch(agent);
  sim::AppSpec namesake = appNamed("MenuBarAgent", {}, 41);
  namesake.executable = "Namesake";
  namesake.activationPolicy = ActivationPolicy::prohibited;
  world.launch(namesake);
  const MenuBarScanner::Context context = MenuBarScanner::makeContext(ScannerWorld::kOwnPid);

  std::vector<ProcessID> pids;
  for (const auto& app : context.apps) pids.push_back(app.pid);
  EXPECT_EQ(pids, (std::vector<ProcessID>{30, 13, 14, 5}));
  EXPECT_EQ(context.apps[0].name, "App30");
  EXPECT_EQ(context.apps[0].icon, world.desktop->app(30)->icon);  // the same object
  EXPECT_EQ(context.apps[2].name, std::nullopt);
  EXPECT_EQ(context.apps[2].icon, nullptr);
  EXPECT_EQ(context.notch, (Range{660, 852}));
  EXPECT_EQ(context.screenWidth, 1512);
  EXPECT_EQ(context.apps[0].bundleIdentifier, "com.example.thirty");
  EXPECT_EQ(context.apps[1].bundleIdentifier, std::nullopt);
  EXPECT_EQ(context.agent, 40);
  EXPECT_EQ(context.screens, (std::vector<MenuBarScanner::Context::Display>{
                                 {Rect{{0, 0}, {1512, 982}}, Range{660, 852}, 32}}));
}

TEST(MakeContext, NoMainScreenGivesAnEmptyContextWithoutReadingApps) {
  ScannerWorld world;
  sim::AppSpec app = appNamed("Mail", {extraAt(10, 20, "Clock")}, 20);
  app.quitsAfterListing = true;  // would quit if the workspace were asked
  world.launch(app);
  world.desktop->setScreen(std::nullopt);

  const MenuBarScanner::Context context = MenuBarScanner::makeContext(ScannerWorld::kOwnPid);

  EXPECT_TRUE(context.apps.empty());
  EXPECT_TRUE(world.desktop->app(20).has_value());
}

}  // namespace
}  // namespace strandel
