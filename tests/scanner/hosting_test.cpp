// Extras that the system draws for apps: Control Center's copies on macOS 26 and the agent's
// slots on macOS 27.
#include <gtest/gtest.h>

#include "scanner/displays.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

using test::appNamed;
using test::extraAt;
using test::ScannerWorld;
using test::signatures;
using Request = sim::SimAccessibility::Request;

// macOS 26: Control Center's second copy of another app's extra. The app Tidewater lists its
// own child (when `own`), Control Center lists one lying near it plus its own Wi-Fi.
TEST(Scan, AControlCenterChildLyingOnAnotherAppsChildIsThatExtra) {
  struct Case {
    const char* name;
    std::optional<Rect> own;
    Rect hosting;
    std::optional<std::string> hostingDescription;
    std::vector<std::string> expected;
    const char* hostBundle = "com.apple.controlcenter";
    std::optional<Rect> ownItem = std::nullopt;  // where this program's own item is drawn
  };
  const Rect own{{600, 0}, {30, 24}};
  const auto at = [](double x, double y = 0, double w = 30) { return Rect{{x, y}, {w, 24}}; };
  const std::string tidewater = "Tidewater|false|600";
  // Control Center's Wi-Fi follows in every case.
  const Case cases[] = {
      {"the same frame", own, own, "Tidewater", {tidewater}},
      {"2 points wider", own, at(600, 0, 32), "Tidewater", {tidewater}},
      {"centres 3 apart", own, at(603), "Tidewater", {tidewater}},
      {"centres 3.5 apart", own, at(603.5), "Hosted", {tidewater, "Hosted|false|604"}},
      {"4 points lower", own, at(600, 4), "Hosted", {tidewater, "Hosted|false|600"}},
      {"switched off at x = -1",
       at(-1, 575, 38),
       at(-1, 575, 38),
       "Tidewater",
       {"Tidewater|true|-1"}},
      {"no child of its own: labelled from its description",
       std::nullopt,
       own,
       "Ledger, synced",
       {"Ledger|false|600"}},
      {"no child of its own and no description",
       std::nullopt,
       own,
       std::nullopt,
       {"Control Center|false|600"}},
      {"this program's own item: never listed",
       std::nullopt,
       at(601, 0, 32),
       "Strandel",
       {},
       "com.apple.controlcenter",
       own},
      {"only Control Center's copies go",
       own,
       own,
       "Twin",
       {tidewater, "Twin|false|600"},
       "com.example.twin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScannerWorld world;
    std::vector<sim::ExtraSpec> ownExtras;
    if (c.own)
      ownExtras.push_back(
          extraAt(c.own->origin.x, c.own->size.width, "Tidewater", c.own->origin.y));
    world.launch(appNamed("Tidewater", ownExtras, 7));
    sim::AppSpec host = appNamed("Control Center",
                                 {extraAt(c.hosting.origin.x, c.hosting.size.width,
                                          c.hostingDescription, c.hosting.origin.y),
                                  extraAt(800, 30, "Wi-Fi")},
                                 8);
    host.bundleIdentifier = c.hostBundle;
    world.launch(host);
    MenuBarScanner::Context context = MenuBarScanner::makeContext(ScannerWorld::kOwnPid);
    context.ownItem = c.ownItem;
    const ExtraItems items = MenuBarScanner::scan(context);
    std::vector<std::string> expected = c.expected;
    expected.push_back("Wi-Fi|false|800");
    EXPECT_EQ(signatures(items), expected);
    // The app's own child stays, with its icon.
    if (c.own) {
      EXPECT_EQ(items[0]->icon, world.desktop->app(7)->icon);
    }
  }
}

// macOS 27: the agent's slots place the apps' extras. Mail lists one extra whose own frame is
// a placeholder left of the screen; Other lists none of its own. The screen is 1512 wide with
// the notch from 662 to 850.
TEST(Scan, TheAgentsSlotPlacesEachAppsExtra) {
  using Window = std::vector<test::AgentSlot>;
  constexpr ProcessID kMail = 7;
  constexpr ProcessID kOther = 8;
  constexpr ProcessID kAgent = 9;
  const auto at = [](double x, double w = 30, double y = 0) { return Rect{{x, y}, {w, 24}}; };
  struct Case {
    const char* name;
    std::vector<Window> windows;
    std::vector<std::string> expected;
    bool secondScreenBelow = false;
  };
  const Case cases[] = {
      {"framed by its slot", {{{at(1300), kMail, 0}}}, {"Inbox|false|1300"}},
      {"behind the notch", {{{at(700), kMail, 0}}}, {"Inbox|true|700"}},
      {"across the right edge", {{{at(1500), kMail, 0}}}, {"Inbox|true|1500"}},
      {"not laid out", {{{std::nullopt, kMail, 0}}}, {"Inbox|true|0"}},
      {"laid out without width", {{{at(1300, 0), kMail, 0}}}, {"Inbox|true|1300"}},
      {"stacked in the overflow",
       {{{at(1300), kMail, 0}, {at(1300), kOther, 0}}},
       {"Inbox|true|1300", "Other|true|1300"}},
      {"below every screen", {{{at(1300, 30, 990), kMail, 0}}}, {"Inbox|true|1300"}},
      {"no slot", {{}}, {"Inbox|true|0"}},
      {"the agent's own extra",
       {{{at(1300), kMail, 0}, {at(1440), kAgent, 0}}},
       {"Inbox|false|1300"}},
      {"this program's own item",
       {{{at(1300), kMail, 0}, {at(1400), ScannerWorld::kOwnPid, 0}}},
       {"Inbox|false|1300"}},
      {"a slot of an app that lists no child of its own",
       {{{at(1300), kMail, 0}, {at(1200), kOther, 0}}},
       {"Other|false|1200", "Inbox|false|1300"}},
      {"one item on two screens, shown on the second",
       {{{at(700), kMail, 0}}, {{at(700, 30, 982), kMail, 0}}},
       {"Inbox|false|700"},
       true},
      {"one item on two screens, hidden on both",
       {{{at(700), kMail, 0}}, {{std::nullopt, kMail, 0}}},
       {"Inbox|true|700"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScannerWorld world;
    world.desktop->setScreen(sim::ScreenSpec{Rect{{0, 0}, {1512, 982}}, Rect{{0, 950}, {662, 32}},
                                             Rect{{850, 950}, {662, 32}}});
    world.launch(appNamed("Mail", {extraAt(-300, 30, "Inbox, 3 unread")}, kMail));
    world.launch(appNamed("Other", {}, kOther));
    world.launch(appNamed("Strandel", {extraAt(-300, 30, "Strandel")}, ScannerWorld::kOwnPid));
    sim::ExtraSpec clock = extraAt(1440, 30, std::nullopt);
    clock.actions = {};
    sim::AppSpec agent = appNamed("MenuBarAgent", {clock}, kAgent);
    agent.activationPolicy = ActivationPolicy::accessory;  // listed among the apps
    for (const Window& window : c.windows) agent.windows.push_back(test::agentWindow(window));
    world.launch(agent);
    MenuBarScanner::Context context = MenuBarScanner::makeContext(ScannerWorld::kOwnPid);
    ASSERT_EQ(context.agent, kAgent);
    if (c.secondScreenBelow)
      context.screens.push_back({Rect{{0, 982}, {1920, 1080}}, std::nullopt});
    const ExtraItems items = MenuBarScanner::scan(context);
    EXPECT_EQ(signatures(items), c.expected);
    // One request for "AXWindows", one per window and one per slot; its own bar is not read,
    // as its extras cannot be pressed.
    size_t agentReads = 0;
    size_t expectedReads = 1 + c.windows.size();
    for (const Window& window : c.windows) expectedReads += window.size();
    for (const auto& request : world.ax->requests()) {
      if (request.pid != kAgent || request.kind == Request::Kind::createApplication) continue;
      if (request.kind == Request::Kind::setMessagingTimeout) {
        EXPECT_EQ(request.timeout, MenuBarScanner::kScanTimeout);
      } else {
        ++agentReads;
      }
    }
    EXPECT_EQ(agentReads, expectedReads);
    // What is listed is the app's own element, which presses.
    for (const auto& item : items)
      EXPECT_TRUE(item->appName != "Inbox" || MenuBarScanner::press(*item));
  }
}

// The program's own item, judged from its button's window frame (y upwards from the bottom of
// the first screen) on a 1512x982 screen with the notch from 662 to 850.
TEST(OwnItem, IsSeenOnlyInTheMenuBarClearOfTheNotchAndEdges) {
  using Place = displays::OwnItemPlace;
  struct Case {
    const char* name;
    std::optional<Rect> frame;
    Place expected;
    bool isVisible = true;
  };
  const auto at = [](double x, double y = 958) { return Rect{{x, y}, {24, 24}}; };
  const Case cases[] = {
      {"right of the notch", at(1300), Place::visible},
      {"behind the notch", at(700), Place::behindNotch},
      {"in the overflow, left of the screen", at(-300), Place::notShown},
      {"switched off near the bottom", Rect{{-1, 2}, {38, 24}}, Place::notShown},
      {"taken out of the bar", at(1300), Place::notShown, false},
      {"no window", std::nullopt, Place::notShown},
  };
  const std::vector<std::shared_ptr<const Screen>> screens{
      std::make_shared<sim::SimScreen>(sim::ScreenSpec{
          Rect{{0, 0}, {1512, 982}}, Rect{{0, 950}, {662, 32}}, Rect{{850, 950}, {662, 32}}})};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(displays::ownItemPlace(c.frame, c.isVisible, screens), c.expected);
  }
}

}  // namespace
}  // namespace strandel
