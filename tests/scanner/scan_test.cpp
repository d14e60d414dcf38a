#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "adapters/sim/desktop/ax_objects.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

using sim::AttributeFault;
using sim::PressBehavior;
using sim::ValueKind;
using test::appNamed;
using test::extraAt;
using test::ScannerWorld;
using test::signatures;
using Request = sim::SimAccessibility::Request;

MenuBarScanner::Context contextFor(std::vector<ProcessID> pids,
                                   std::optional<MenuBarScanner::Range> notch = std::nullopt,
                                   double width = 900) {
  MenuBarScanner::Context context;
  for (ProcessID pid : pids)
    context.apps.push_back({pid, "App" + std::to_string(pid), nullptr, std::nullopt, std::nullopt});
  context.notch = notch;
  context.screenWidth = width;
  return context;
}

TEST(Scan, AnAppWhoseBarOrChildrenCannotBeReadContributesNothing) {
  using Spoil = std::function<void(sim::AppSpec&)>;
  const auto onBar = [](AttributeFault f) {
    return Spoil([f](sim::AppSpec& a) { a.appFaults["AXExtrasMenuBar"] = f; });
  };
  const auto onChildren = [](AttributeFault f) {
    return Spoil([f](sim::AppSpec& a) { a.barFaults["AXChildren"] = f; });
  };
  const std::pair<const char*, Spoil> cases[] = {
      {"no extras bar", [](sim::AppSpec& a) { a.hasExtrasBar = false; }},
      {"bar read fails", onBar(AttributeFault::failWith(AXError::cannotComplete))},
      {"bar has no value", onBar(AttributeFault::noValue())},
      {"bar is a number", onBar(AttributeFault::wrongKind(ValueKind::number))},
      {"bar is an array", onBar(AttributeFault::wrongKind(ValueKind::array))},
      {"bar handed back with an error",
       onBar(AttributeFault::failHandingBack(AXError::failure, ValueKind::element))},
      {"children read fails", onChildren(AttributeFault::failWith(AXError::attributeUnsupported))},
      {"children have no value", onChildren(AttributeFault::noValue())},
      {"children are an element", onChildren(AttributeFault::wrongKind(ValueKind::element))},
      {"children are not elements", onChildren(AttributeFault::wrongKind(ValueKind::array))},
      {"no children", [](sim::AppSpec& a) { a.extras.clear(); }},
      {"terminated", [](sim::AppSpec& a) { a.terminated = true; }},
  };
  for (const auto& [name, spoil] : cases) {
    SCOPED_TRACE(name);
    ScannerWorld world;
    const long live = sim::liveAXObjects();
    sim::AppSpec victim = appNamed("Victim", {extraAt(10, 20, "Lost")}, 7);
    spoil(victim);
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
  std::vector<sim::ExtraSpec> unread;  // each with one frame attribute that does not read
  for (const auto& [attribute, fault] :
       std::initializer_list<std::pair<const char*, AttributeFault>>{
           {"AXSize", AttributeFault::noValue()},
           {"AXPosition", AttributeFault::wrongKind(ValueKind::number)},
           {"AXPosition", AttributeFault::wrongKind(ValueKind::string)},
           {"AXSize", AttributeFault::wrongKind(ValueKind::point)},
           {"AXSize", AttributeFault::failHandingBack(AXError::failure, ValueKind::size)}}) {
    unread.push_back(extraAt(30, 10, "Unread"));
    unread.back().faults[attribute] = fault;
  }
  const double nan = std::nan("");
  // A NaN width is not wider than 0; NaN positions go last, in the order found.
  world.launch(appNamed(
      "Mail",
      {extraAt(nan, 10, "NanX"), extraAt(120, 0.5, "Thin"), noSize, extraAt(50, 0, "ZeroWidth"),
       extraAt(20, nan, "NanWidth"), extraAt(60, -0.0, "NegativeZero"),
       extraAt(100, -20, "Reversed"), extraAt(10, 10, "First"), extraAt(nan, 10, "NanX2")},
      7));
  {
    const ExtraItems items = MenuBarScanner::scan(contextFor({7, 8}));
    EXPECT_EQ(signatures(items),
              (std::vector<std::string>{"First|false|10", "Reversed|false|80", "Thin|false|120",
                                        "NanX|false|0", "NanX2|false|0"}));
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[1]->frame, (Rect{{100, 0}, {-20, 22}}));  // kept as read
    EXPECT_EQ(sim::liveAXObjects(), live + 5);
  }
  EXPECT_EQ(sim::liveAXObjects(), live);
}

TEST(Scan, OcclusionUsesStrictComparisons) {
  struct Case {
    double from;
    double to;
    bool withNotch;
    bool occluded;
    double y = 0;
    // 1: the screen listed alone. 2: an external 1920x1080 screen without a notch, holding the
    // menu bar, above a built-in 1512x982 one with the notch.
    int screens = 0;
  };
  const Case cases[] = {
      {880, 900, false, false},
      {880, 902, false, false},  // a hosting window up to 2 points wider than its item
      {880, 902.5, false, true},
      {-3, 20, false, true},
      {-0.0, 20, false, false},
      {380, 400, true, false},
      {380, 401, true, true},
      {500, 520, true, false},
      {490, 520, true, true},
      {420, 480, true, true},
      {380, 520, true, true},
      {420, 480, false, false},
      // Stored with a negative width: the standardized rectangle counts, not the raw origin.
      {905, 895, false, true},
      {510, 490, true, true},
      {420, 380, true, true},
      // Each screen with its own edges and notch; with one screen, y plays no part.
      {420, 480, true, false, 0, 2},
      {420, 480, true, true, 1080, 2},
      {1500, 1530, false, false, 0, 2},
      {1500, 1530, false, true, 1080, 2},
      {1290, 1313, false, false, 1080, 2},
      {100, 130, false, true, 3000, 2},
      {100, 130, false, false, 3000, 0},
      {100, 130, false, false, 3000, 1},
      // Only the menu-bar strip at a screen's top draws extras: a switched-off item near the
      // first screen's bottom is not shown by the screen below it.
      {-1, 37, false, true, 1079, 2},
      {100, 130, false, true, 1500, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + ".." + std::to_string(c.to) + " at " +
                 std::to_string(c.y) + (c.withNotch ? " notch " : " ") + std::to_string(c.screens));
    ScannerWorld world;
    world.launch(appNamed("Mail", {extraAt(c.from, c.to - c.from, "X", c.y)}, 7));
    const auto notch = c.withNotch ? std::optional(MenuBarScanner::Range{400, 500}) : std::nullopt;
    MenuBarScanner::Context context = contextFor({7}, notch, c.screens == 2 ? 1920 : 900);
    if (c.screens == 1) context.screens = {{Rect{{0, 0}, {900, 600}}, notch}};
    if (c.screens == 2) {
      context.screens = {{Rect{{0, 0}, {1920, 1080}}, std::nullopt},
                         {Rect{{-200, 1080}, {1512, 982}}, MenuBarScanner::Range{400, 500}, 32}};
    }
    const ExtraItems items = MenuBarScanner::scan(context);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->occluded, c.occluded);
  }
}

TEST(Scan, SortsLeftToRightKeepingTheFoundOrderForTies) {
  ScannerWorld world;
  world.launch(appNamed(
      "A", {extraAt(300, 10, "a300"), extraAt(100, 10, "a100"), extraAt(100, 10, "a100bis")}, 7));
  world.launch(appNamed(
      "B", {extraAt(100, 10, "b100"), extraAt(-50, 10, "b-50"), extraAt(1000, 10, "b1000")}, 8));
  MenuBarScanner::Context context = contextFor({7, 8});
  const ImageRef icon = std::make_shared<sim::SimImage>("M", "red");
  context.apps[0].icon = icon;
  const ExtraItems items = MenuBarScanner::scan(context);
  EXPECT_EQ(signatures(items),
            (std::vector<std::string>{"b-50|true|-50", "a100|false|100", "a100bis|false|100",
                                      "b100|false|100", "a300|false|300", "b1000|true|1000"}));
  // The extras of one app share its icon object.
  EXPECT_EQ(items[1]->icon, icon);
  EXPECT_EQ(items[2]->icon, icon);
  EXPECT_EQ(items[3]->icon, nullptr);
  // The workspace's order of apps decides ties, whatever the pids.
  const ExtraItems reversed = MenuBarScanner::scan(contextFor({8, 7}));
  EXPECT_EQ(reversed[1]->signature(), "b100|false|100");
  EXPECT_EQ(reversed[2]->signature(), "a100|false|100");

  // Ties among many more extras than a sort handles by insertion (16): 36 at one x, across
  // three apps and within each.
  ScannerWorld crowded;
  std::vector<std::string> expected = {"left11|false|50", "left12|false|50"};
  for (ProcessID pid : {10, 11, 12}) {
    std::string app = std::to_string(pid);
    std::vector<sim::ExtraSpec> extras;
    for (int i = 0; i < 12; ++i) {
      extras.push_back(extraAt(200, 10, app + "-" + std::to_string(i)));
      expected.push_back(app + "-" + std::to_string(i) + "|false|200");
    }
    extras.push_back(pid == 10 ? extraAt(500, 10, "right") : extraAt(50, 10, "left" + app));
    crowded.launch(appNamed("App" + app, extras, pid));
  }
  expected.push_back("right|false|500");
  EXPECT_EQ(signatures(MenuBarScanner::scan(contextFor({10, 11, 12}))), expected);
}

// A hung app costs one time-out per scan, whatever its number of extras and whoever draws
// the bar: after the request that timed out it is asked nothing more. The others' rows come.
TEST(Scan, AHungAppCostsOneTimeOutWhateverItsExtrasAndTheHosting) {
  enum class Hosting { classic, controlCenter, agent };
  for (const Hosting hosting : {Hosting::classic, Hosting::controlCenter, Hosting::agent}) {
    for (const size_t extras : {1u, 2u, 10u}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(hosting)) + "/" + std::to_string(extras));
      ScannerWorld world;
      std::vector<sim::ExtraSpec> own;
      std::vector<test::AgentSlot> slots = {{Rect{{30, 0}, {10, 22}}, 8, 0}};
      for (size_t i = 0; i < extras; ++i) {
        own.push_back(extraAt(100 + 30.0 * i, 20, "Hung"));
        slots.push_back({Rect{{100 + 30.0 * i, 0}, {20, 22}}, 7, i});
      }
      sim::AppSpec hung = appNamed("Hung", own, 7);
      hung.responseDelay = 60;
      world.launch(hung);
      world.launch(appNamed("Quick", {extraAt(30, 10, "q")}, 8));
      std::vector<std::string> expected = {"q|false|30"};
      sim::AppSpec system = appNamed("Control Center", {extraAt(800, 30, "Wi-Fi")}, 9);
      if (hosting == Hosting::controlCenter) {
        system.bundleIdentifier = "com.apple.controlcenter";
        expected.push_back("Wi-Fi|false|800");
      }
      if (hosting == Hosting::agent) {
        system = appNamed("MenuBarAgent", {}, 9);
        system.activationPolicy = ActivationPolicy::accessory;
        system.windows.push_back(test::agentWindow(slots));
      }
      if (hosting != Hosting::classic) world.launch(system);

      const ExtraItems items =
          MenuBarScanner::scan(MenuBarScanner::makeContext(ScannerWorld::kOwnPid));
      EXPECT_EQ(signatures(items), expected);
      EXPECT_EQ(world.time->now, 0.25);
      size_t asked = 0;
      for (const auto& r : world.ax->requests()) {
        if (r.pid != 7 || r.kind == Request::Kind::createApplication) continue;
        if (r.kind == Request::Kind::setMessagingTimeout) {
          EXPECT_EQ(r.timeout, MenuBarScanner::kScanTimeout);
        } else {
          ++asked;
        }
      }
      EXPECT_EQ(asked, 1u);
    }
  }

  // Slow but within the time-out: each extra is one round trip after the bar and its children.
  ScannerWorld patient;
  sim::AppSpec sluggish = appNamed("Sluggish", {extraAt(10, 10, "s"), extraAt(30, 10, "t")}, 7);
  sluggish.responseDelay = 0.125;
  patient.launch(sluggish);
  EXPECT_EQ(MenuBarScanner::scan(contextFor({7})).size(), 2u);
  EXPECT_EQ(patient.time->now, 4 * 0.125);
  // A request the app has not answered holds it even after its sender gave up: the next
  // one waits for it first, here past the system-wide time-out that it has instead of its own.
  ScannerWorld queued;
  sim::AppSpec busy = appNamed("Busy", {}, 7);
  busy.responseDelay = 0.375;
  queued.launch(busy);
  Accessibility& ax = *queued.ax;
  const AXRef first = ax.createApplication(7);
  ax.setMessagingTimeout(first, 0.25f);
  ax.setMessagingTimeout(ax.createSystemWide(), 0.4f);
  AXRef bar;
  EXPECT_EQ(ax.copyAttributeValue(first, "AXExtrasMenuBar", bar), AXError::cannotComplete);
  EXPECT_EQ(ax.copyAttributeValue(ax.createApplication(7), "AXExtrasMenuBar", bar),
            AXError::cannotComplete);
  EXPECT_DOUBLE_EQ(queued.time->now, 0.25 + 0.4f);
}

// Holds the slow app's first answer until exit() has destroyed whatever was made after the
// exit handler was registered (the scan's own tables among them), then hands the handler
// what the scan made of the rest.
class ExitGate final : public sim::TimeSource {
 public:
  double elapsed() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void sleepFor(double seconds) override {
    std::unique_lock lock(mutex_);
    now_ += seconds;
    if (std::exchange(held_, true)) return;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_; });
  }
  void awaitHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return held_; });
  }
  void finished(std::vector<std::string> labels) {
    std::lock_guard lock(mutex_);
    labels_ = std::move(labels);
    changed_.notify_all();
  }
  // Lets the held answer go, then waits for what the scan made of the rest.
  std::vector<std::string> releaseAndAwaitLabels() {
    std::unique_lock lock(mutex_);
    released_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return labels_.has_value(); });
    return *labels_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  double now_ = 0;
  bool held_ = false;
  bool released_ = false;
  std::optional<std::vector<std::string>> labels_;
};

// Made before the scan and never destroyed, as the program's own platform is.
ExitGate* exitGate = nullptr;
ScannerWorld* exitWorld = nullptr;

[[noreturn]] void quitWhileAScanWaitsOnASlowApp() {
  exitGate = new ExitGate;
  std::atexit([] {
    // A table freed by exit() is read here: a sanitizer stops the process, or the generic
    // description is not recognised.
    const std::vector<std::string> expected = {"Wi-Fi", "Mail"};
    if (exitGate->releaseAndAwaitLabels() != expected) std::_Exit(3);
  });
  ScannerWorld* world = exitWorld = new ScannerWorld;
  world->platform.accessibility = std::make_shared<sim::SimAccessibility>(
      world->desktop, std::shared_ptr<sim::TimeSource>(exitGate, [](sim::TimeSource*) {}));
  world->launch(appNamed("Quick", {extraAt(10, 10, "Wi-Fi, connected")}, 8));
  sim::AppSpec slow = appNamed("Slow", {extraAt(30, 10, "Status Menu")}, 7);
  slow.responseDelay = 0.1;
  world->launch(slow);
  MenuBarScanner::Context context = contextFor({8, 7});
  context.apps[1].name = "Mail";
  std::thread([context] {
    std::vector<std::string> labels;
    for (const auto& item : MenuBarScanner::scan(context)) labels.push_back(item->appName);
    exitGate->finished(std::move(labels));
  }).detach();
  exitGate->awaitHeld();  // the first app labelled, the second one answering slowly
  std::exit(0);           // as quitting does
}

TEST(Scan, QuittingWhileASlowAppIsScannedFreesNothingTheScanReads) {
  // A process of its own, in which nothing has been labelled yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(quitWhileAScanWaitsOnASlowApp(), testing::ExitedWithCode(0), "");
}

// Scans the one app and returns its only extra, forgetting the scan's requests.
ExtraItemRef onlyItem(ScannerWorld& world, ProcessID pid) {
  const ExtraItems items = MenuBarScanner::scan(contextFor({pid}));
  world.ax->clearRequests();
  return items.size() == 1 ? items[0] : nullptr;
}

TEST(Press, IsTrueOnlyWhenTheAppAcceptedIt) {
  using Meanwhile = void (*)(sim::Desktop&, ProcessID);
  const Meanwhile nothing = [](sim::Desktop&, ProcessID) {};
  const Meanwhile quit = [](sim::Desktop& d, ProcessID pid) { d.quit(pid); };
  const Meanwhile quitTheOneBefore = [](sim::Desktop& d, ProcessID) { d.quit(d.apps()[0].pid); };
  const Meanwhile removeIt = [](sim::Desktop& d, ProcessID pid) {
    d.removeExtra(pid, d.app(pid)->extras[0].id);
  };
  struct Case {
    const char* name;
    PressBehavior behavior;
    double delay;
    Meanwhile meanwhile;
    bool accepted;
    double waited;
    size_t pressesSeen;
  };
  const Case cases[] = {
      {"accepted", PressBehavior::accept(), 0, nothing, true, 0, 1},
      {"refused", PressBehavior::fail(AXError::actionUnsupported), 0, nothing, false, 0, 1},
      {"app quits on the press", PressBehavior::quitApp(), 0, nothing, false, 0, 1},
      {"app quit since the scan", PressBehavior::accept(), 0, quit, false, 0, 0},
      {"the app listed before it quit", PressBehavior::accept(), 0, quitTheOneBefore, true, 0, 1},
      {"extra removed since the scan", PressBehavior::accept(), 0, removeIt, false, 0, 0},
      // A gone app answers at once, however slow it was: the queue is free again.
      {"slow app quit since the scan", PressBehavior::accept(), 30, quit, false, 0, 0},
      {"slow but in time", PressBehavior::accept(), 1.5, nothing, true, 1.5, 1},
      {"slower than the timeout", PressBehavior::accept(), 3, nothing, false, 2.0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScannerWorld world;
    sim::ExtraSpec extra = extraAt(10, 10, "Clock");
    extra.press = c.behavior;
    world.launch(appNamed("Before", {extraAt(40, 10, "Other")}));
    const ProcessID pid = world.launch(appNamed("Mail", {extra}));
    const ExtraItemRef item = onlyItem(world, pid);
    ASSERT_TRUE(item);
    world.desktop->updateApp(pid, [&](sim::AppSpec& app) { app.responseDelay = c.delay; });
    c.meanwhile(*world.desktop, pid);

    EXPECT_EQ(MenuBarScanner::press(*item), c.accepted);
    EXPECT_EQ(world.time->now, c.waited);
    EXPECT_EQ(world.desktop->presses().size(), c.pressesSeen);
  }
}

// Each app has one lane, made on first use with the scan queue's label and kept while the
// app runs, so that its scans and presses keep their order and never wait for another app.
TEST(Lanes, OneSerialQueuePerRunningApp) {
  ScannerWorld world;
  DispatchQueue& mail = MenuBarScanner::lane(7);
  EXPECT_EQ(&MenuBarScanner::lane(7), &mail);
  EXPECT_NE(&MenuBarScanner::lane(8), &mail);
  using Made = std::pair<std::string, QualityOfService>;
  const Made lane{"com.quillet.strandel.ax", QualityOfService::userInitiated};
  EXPECT_EQ(world.dispatch->made, std::vector<Made>(2, lane));
  MenuBarScanner::forgetLanesBut({8});
  (void)MenuBarScanner::lane(8);
  (void)MenuBarScanner::lane(7);  // quit and back: a new lane
  EXPECT_EQ(world.dispatch->made, std::vector<Made>(3, lane));
}

}  // namespace
}  // namespace strandel
