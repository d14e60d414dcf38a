#include <gtest/gtest.h>

#include <cmath>

#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

using Range = MenuBarScanner::Range;
using test::ScannerWorld;

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
      {"neither", std::nullopt, std::nullopt, std::nullopt},
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
  world.desktop->setScreen(sim::ScreenSpec{Rect{{0, 0}, {1512, 982}}, Rect{{0, 0}, {660, 32}},
                                           Rect{{852, 0}, {660, 32}}});
  sim::AppSpec own = test::appNamed("Strandel", {}, ScannerWorld::kOwnPid);
  sim::AppSpec gone = test::appNamed("Gone", {}, 11);
  gone.terminated = true;
  sim::AppSpec prohibited = test::appNamed("Daemon", {}, 12);
  prohibited.activationPolicy = ActivationPolicy::prohibited;
  sim::AppSpec accessory = test::appNamed("Helper", {}, 13);
  accessory.activationPolicy = ActivationPolicy::accessory;
  sim::AppSpec nameless = test::appNamed(std::nullopt, {}, 14);
  nameless.icon = nullptr;
  world.launch(test::appNamed("Zeta", {}, 30));
  world.launch(own);
  world.launch(gone);
  world.launch(prohibited);
  world.launch(accessory);
  world.launch(nameless);
  world.launch(test::appNamed("Alpha", {}, 5));

  const MenuBarScanner::Context context = MenuBarScanner::makeContext(ScannerWorld::kOwnPid);

  std::vector<ProcessID> pids;
  for (const auto& app : context.apps) pids.push_back(app.pid);
  EXPECT_EQ(pids, (std::vector<ProcessID>{30, 13, 14, 5}));
  EXPECT_EQ(context.apps[0].name, "Zeta");
  EXPECT_EQ(context.apps[0].icon, world.desktop->app(30)->icon);  // the same object
  EXPECT_EQ(context.apps[2].name, std::nullopt);
  EXPECT_EQ(context.apps[2].icon, nullptr);
  EXPECT_EQ(context.notch, (Range{660, 852}));
  EXPECT_EQ(context.screenWidth, 1512);
}

TEST(MakeContext, NoMainScreenGivesAnEmptyContextWithoutReadingApps) {
  ScannerWorld world;
  sim::AppSpec app = test::appNamed("Mail", {test::extraAt(10, 20, "Clock")}, 20);
  app.quitsAfterListing = true;  // would quit if the workspace were asked
  world.launch(app);
  world.desktop->setScreen(std::nullopt);

  const MenuBarScanner::Context context = MenuBarScanner::makeContext(ScannerWorld::kOwnPid);

  EXPECT_TRUE(context.apps.empty());
  EXPECT_EQ(context.notch, std::nullopt);
  EXPECT_EQ(context.screenWidth, 0);
  EXPECT_TRUE(world.desktop->app(20).has_value());
  EXPECT_TRUE(MenuBarScanner::scan(context).empty());
}

TEST(MakeContext, ScreenWidthIsTheStandardizedWidth) {
  ScannerWorld world;
  world.desktop->setScreen(sim::ScreenSpec{Rect{{1440, 0}, {-1440, 900}}, {}, {}});
  EXPECT_EQ(MenuBarScanner::makeContext(0).screenWidth, 1440);
}

TEST(ScanQueue, IsMadeOnceWithItsLabelAndQuality) {
  ScannerWorld world;
  DispatchQueue& first = MenuBarScanner::queue();
  DispatchQueue& second = MenuBarScanner::queue();
  EXPECT_EQ(&first, &second);
  ASSERT_EQ(world.dispatch->made.size(), 1u);
  EXPECT_EQ(world.dispatch->made[0].label, "com.quillet.strandel.ax");
  EXPECT_EQ(world.dispatch->made[0].qos, QualityOfService::userInitiated);
  EXPECT_EQ(first.label(), "com.quillet.strandel.ax");
}

}  // namespace
}  // namespace strandel
