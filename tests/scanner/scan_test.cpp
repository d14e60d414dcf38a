#include <gtest/gtest.h>

#include <cmath>

#include "adapters/sim/desktop/ax_objects.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

using sim::AttributeFault;
using sim::ValueKind;
using test::appNamed;
using test::extraAt;
using test::ScannerWorld;
using Request = sim::SimAccessibility::Request;

std::vector<std::string> signatures(const ExtraItems& items) {
  std::vector<std::string> out;
  for (const auto& item : items) out.push_back(item->signature());
  return out;
}

MenuBarScanner::Context contextFor(std::vector<ProcessID> pids,
                                   std::optional<MenuBarScanner::Range> notch = std::nullopt,
                                   double width = 900) {
  MenuBarScanner::Context context;
  for (ProcessID pid : pids) context.apps.push_back({pid, "App" + std::to_string(pid), nullptr});
  context.notch = notch;
  context.screenWidth = width;
  return context;
}

TEST(Scan, AnAppWhoseBarOrChildrenCannotBeReadContributesNothing) {
  struct Case {
    const char* name;
    void (*spoil)(sim::AppSpec&);
  };
  const Case cases[] = {
      {"no extras bar", [](sim::AppSpec& a) { a.hasExtrasBar = false; }},
      {"bar read fails",
       [](sim::AppSpec& a) {
         a.appFaults["AXExtrasMenuBar"] = AttributeFault::failWith(AXError::cannotComplete);
       }},
      {"bar has no value",
       [](sim::AppSpec& a) { a.appFaults["AXExtrasMenuBar"] = AttributeFault::noValue(); }},
      {"bar is a number",
       [](sim::AppSpec& a) {
         a.appFaults["AXExtrasMenuBar"] = AttributeFault::wrongKind(ValueKind::number);
       }},
      {"bar is an array",
       [](sim::AppSpec& a) {
         a.appFaults["AXExtrasMenuBar"] = AttributeFault::wrongKind(ValueKind::array);
       }},
      {"bar is a string",
       [](sim::AppSpec& a) {
         a.appFaults["AXExtrasMenuBar"] = AttributeFault::wrongKind(ValueKind::string);
       }},
      {"bar handed back with an error",
       [](sim::AppSpec& a) {
         a.appFaults["AXExtrasMenuBar"] =
             AttributeFault::failHandingBack(AXError::failure, ValueKind::element);
       }},
      {"children read fails",
       [](sim::AppSpec& a) {
         a.barFaults["AXChildren"] = AttributeFault::failWith(AXError::attributeUnsupported);
       }},
      {"children have no value",
       [](sim::AppSpec& a) { a.barFaults["AXChildren"] = AttributeFault::noValue(); }},
      {"children are an element",
       [](sim::AppSpec& a) {
         a.barFaults["AXChildren"] = AttributeFault::wrongKind(ValueKind::element);
       }},
      {"children are a string",
       [](sim::AppSpec& a) {
         a.barFaults["AXChildren"] = AttributeFault::wrongKind(ValueKind::string);
       }},
      {"children are not elements",
       [](sim::AppSpec& a) {
         a.barFaults["AXChildren"] = AttributeFault::wrongKind(ValueKind::array);
       }},
      {"no children", [](sim::AppSpec& a) { a.extras.clear(); }},
      {"terminated", [](sim::AppSpec& a) { a.terminated = true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScannerWorld world;
    const long live = sim::liveAXObjects();
    sim::AppSpec victim = appNamed("Victim", {extraAt(10, 20, "Lost")}, 7);
    c.spoil(victim);
    world.launch(victim);
    world.launch(appNamed("Other", {extraAt(40, 20, "Kept")}, 8));
    {
      const ExtraItems items = MenuBarScanner::scan(contextFor({7, 8}));
      EXPECT_EQ(signatures(items), std::vector<std::string>{"Kept|false|40"});
      EXPECT_EQ(sim::liveAXObjects(), live + 1);  // only the kept item's element
    }
    EXPECT_EQ(sim::liveAXObjects(), live);
  }
}

TEST(Scan, AChildWithoutAUsableFrameIsLeftOutAndItsSiblingsStay) {
  ScannerWorld world;
  const long live = sim::liveAXObjects();
  sim::ExtraSpec noSize = extraAt(20, 10, "NoSize");
  noSize.faults["AXSize"] = AttributeFault::failWith(AXError::cannotComplete);
  sim::ExtraSpec pointSize = extraAt(30, 10, "PointSize");
  pointSize.faults["AXSize"] = AttributeFault::wrongKind(ValueKind::point);
  sim::ExtraSpec noPosition = extraAt(40, 10, "NoPosition");
  noPosition.faults["AXPosition"] = AttributeFault::noValue();
  world.launch(appNamed(
      "Mail",
      {extraAt(10, 10, "First"), noSize, pointSize, noPosition, extraAt(50, 0, "ZeroWidth"),
       extraAt(60, -0.0, "NegativeZero"), extraAt(100, -20, "Reversed"), extraAt(120, 0.5, "Thin")},
      7));
  {
    const ExtraItems items = MenuBarScanner::scan(contextFor({7}));
    EXPECT_EQ(signatures(items),
              (std::vector<std::string>{"First|false|10", "Reversed|false|80", "Thin|false|120"}));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1]->frame, (Rect{{100, 0}, {-20, 22}}));  // kept as read
    EXPECT_EQ(sim::liveAXObjects(), live + 3);
  }
  EXPECT_EQ(sim::liveAXObjects(), live);
}

TEST(Scan, OcclusionUsesStrictComparisons) {
  struct Case {
    double from;
    double to;
    bool withNotch;
    bool occluded;
  };
  const Case cases[] = {
      {880, 900, false, false}, {880, 900.5, false, true},  {-3, 20, false, true},
      {0, 20, false, false},    {-0.0, 20, false, false},   {380, 400, true, false},
      {380, 401, true, true},   {500, 520, true, false},    {490, 520, true, true},
      {420, 480, true, true},   {399.5, 400.5, true, true}, {380, 520, true, true},
      {880, 900, true, false},  {895, 905, true, true},     {420, 480, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + ".." + std::to_string(c.to) +
                 (c.withNotch ? " notch" : ""));
    ScannerWorld world;
    world.launch(appNamed("Mail", {extraAt(c.from, c.to - c.from, "X")}, 7));
    const auto notch = c.withNotch ? std::optional(MenuBarScanner::Range{400, 500}) : std::nullopt;
    const ExtraItems items = MenuBarScanner::scan(contextFor({7}, notch));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->occluded, c.occluded);
  }
}

TEST(Scan, SortsLeftToRightKeepingTheFoundOrderForTies) {
  ScannerWorld world;
  const ImageRef icon = std::make_shared<sim::SimImage>("M", "red");
  sim::AppSpec a = appNamed(
      "A", {extraAt(300, 10, "a300"), extraAt(100, 10, "a100"), extraAt(100, 10, "a100bis")}, 7);
  a.icon = icon;
  world.launch(a);
  world.launch(appNamed(
      "B", {extraAt(100, 10, "b100"), extraAt(-50, 10, "b-50"), extraAt(1000, 10, "b1000")}, 8));
  const ExtraItems items = MenuBarScanner::scan(contextFor({7, 8}));
  EXPECT_EQ(signatures(items),
            (std::vector<std::string>{"b-50|true|-50", "a100|false|100", "a100bis|false|100",
                                      "b100|false|100", "a300|false|300", "b1000|true|1000"}));
  // The workspace's order of apps decides ties, whatever the pids.
  const ExtraItems reversed = MenuBarScanner::scan(contextFor({8, 7}));
  EXPECT_EQ(reversed[1]->signature(), "b100|false|100");
  EXPECT_EQ(reversed[2]->signature(), "a100|false|100");
  // The items share their app's icon object.
  MenuBarScanner::Context withIcon = contextFor({7});
  withIcon.apps[0].icon = icon;
  for (const auto& item : MenuBarScanner::scan(withIcon)) EXPECT_EQ(item->icon, icon);
}

TEST(Scan, NumbersThatAreNotNumbersNeitherCrashNorScrambleTheOrder) {
  ScannerWorld world;
  const double nan = std::nan("");
  world.launch(appNamed("A",
                        {extraAt(nan, 10, "nanX"), extraAt(30, 10, "b"), extraAt(20, nan, "nanW"),
                         extraAt(10, 10, "a"), extraAt(nan, 10, "nanX2")},
                        7));
  const ExtraItems items = MenuBarScanner::scan(contextFor({7}));
  std::vector<std::string> labels;
  for (const auto& item : items) labels.push_back(item->appName);
  // A NaN width is not wider than 0; NaN positions go last, in the order found.
  EXPECT_EQ(labels, (std::vector<std::string>{"a", "b", "nanX", "nanX2"}));
}

TEST(Scan, SetsTheShortTimeoutOnAppElementsOnly) {
  ScannerWorld world;
  world.launch(appNamed("A", {extraAt(10, 10, "a"), extraAt(30, 10, "b")}, 7));
  world.launch(appNamed("B", {extraAt(50, 10, "c")}, 8));
  world.ax->clearRequests();
  EXPECT_EQ(MenuBarScanner::scan(contextFor({7, 8, 9})).size(), 3u);

  const auto timeouts = world.requestsOf(Request::Kind::setMessagingTimeout);
  ASSERT_EQ(timeouts.size(), 3u);  // one per app, the one that is gone included
  for (const auto& request : timeouts) {
    EXPECT_EQ(request.target, sim::ElementKind::application);
    EXPECT_EQ(request.timeout, 0.25f);
  }
  EXPECT_EQ(world.requestsOf(Request::Kind::performAction).size(), 0u);
}

TEST(Scan, AnAppThatQuitAfterTheSnapshotYieldsNothing) {
  ScannerWorld world;
  const ProcessID leaving = world.launch(appNamed("Leaving", {extraAt(10, 10, "x")}));
  sim::AppSpec listedThenGone = appNamed("Flaky", {extraAt(20, 10, "y")});
  listedThenGone.quitsAfterListing = true;
  const ProcessID flaky = world.launch(listedThenGone);
  world.launch(appNamed("Staying", {extraAt(30, 10, "z")}));

  const MenuBarScanner::Context context = MenuBarScanner::makeContext(ScannerWorld::kOwnPid);
  ASSERT_EQ(context.apps.size(), 3u);
  EXPECT_EQ(context.apps[1].pid, flaky);
  world.desktop->quit(leaving);

  EXPECT_EQ(signatures(MenuBarScanner::scan(context)), std::vector<std::string>{"z|false|30"});
}

TEST(Scan, ASlowAppFailsAfterExactlyTheTimeout) {
  ScannerWorld world;
  sim::AppSpec slow = appNamed("Slow", {extraAt(10, 10, "x")}, 7);
  slow.responseDelay = 5;
  world.launch(slow);
  world.launch(appNamed("Quick", {extraAt(30, 10, "q")}, 8));

  EXPECT_EQ(signatures(MenuBarScanner::scan(contextFor({7, 8}))),
            std::vector<std::string>{"q|false|30"});
  EXPECT_EQ(world.time->now, 0.25);

  // Slow but within the timeout: every request waits, and the bar and the extras keep the
  // default timeout, so they wait too and answer.
  ScannerWorld patient;
  sim::AppSpec sluggish = appNamed("Sluggish", {extraAt(10, 10, "s")}, 7);
  sluggish.responseDelay = 0.125;
  patient.launch(sluggish);
  EXPECT_EQ(MenuBarScanner::scan(contextFor({7})).size(), 1u);
  // "AXExtrasMenuBar", "AXChildren", "AXPosition", "AXSize", "AXDescription".
  EXPECT_EQ(patient.time->now, 5 * 0.125);
}

TEST(Scan, WithoutThePermissionNothingIsFound) {
  ScannerWorld world;
  world.launch(appNamed("A", {extraAt(10, 10, "a")}, 7));
  world.desktop->setAccessibilityGranted(false);
  EXPECT_TRUE(MenuBarScanner::scan(contextFor({7})).empty());
  for (const auto& request : world.requestsOf(Request::Kind::copyAttributeValue)) {
    EXPECT_EQ(request.result, AXError::apiDisabled);
  }
}

}  // namespace
}  // namespace strandel
