#include "adapters/sim/simulator/simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

const char* kScene = R"({
  "screen": {"frame": [0, 0, 1440, 900]},
  "accessibilityGranted": true,
  "apps": [{"pid": 101, "name": "Sonar", "extras": [{"frame": [-30, 0, 30, 24], "description": "Sonar"}]}],
  "installed": [{"pid": 102, "name": "Later"}],
  "timeline": [{"at": 1, "accessibility": false}, {"at": 2, "launch": "Later"}],
  "defaults": {"NSStatusItem Preferred Position StrandelControl": 312},
  "updateServer": {"manifest": {"version": "1.0.0", "downloadUrl": "{server}/d"}}
})";

const char* kPositionStored =
    "defaults: \"NSStatusItem Preferred Position StrandelControl\" = 0 (integer)";

// A simulator of kScene that keeps the text of every event it reports.
struct Machine {
  explicit Machine(Simulator::Options options = {})
      : simulator(std::move(*parseScene(kScene, "test.json").scene), std::move(options)) {
    simulator.setEventSink([this](const SimEvent& event) { events.push_back(event.text); });
  }
  bool saw(const std::string& text) const {
    return std::find(events.begin(), events.end(), text) != events.end();
  }

  Simulator simulator;
  std::vector<std::string> events;
};

TEST(SimulatorTest, TheMachineFollowsTheSceneOnVirtualTime) {
  Machine machine;
  Simulator& simulator = machine.simulator;
  simulator.run([&] {
    VirtualEventLoop& loop = *simulator.virtualLoop();
    loop.runUntil(simulator.startDate());
    // A scene's saved position is kept: the login_item_failure transcript stores none.
    EXPECT_FALSE(simulator.launch(101)) << "already running";
    EXPECT_FALSE(simulator.quit(4242)) << "the program quits only through its menu";
    EXPECT_FALSE(simulator.choose(1)) << "the menu is closed";
    ASSERT_TRUE(simulator.openMenu());
    EXPECT_FALSE(simulator.openMenu()) << "already open";
    EXPECT_EQ(simulator.findRow("Nothing"), -1);
    simulator.closeMenu();

    loop.runUntil(Date{simulator.startDate().secondsSinceReference + 2.5});
    EXPECT_TRUE(machine.saw("notification: com.apple.accessibility.api (distributed)"));
    EXPECT_TRUE(machine.saw("app launched: Later (pid 102)"));
    EXPECT_FALSE(simulator.desktop().accessibilityGranted());
  });
  // The server's address shows as {server} in the update_checks transcript.
  EXPECT_THROW(simulator.run([] {}), std::logic_error);  // a simulator runs once
}

// Given directories keep the settings, and are neither seeded from the scene nor removed.
TEST(SimulatorTest, RunsOnRealTimeInGivenDirectoriesAndQuitsThroughItsMenu) {
  test::TempDir home;
  Simulator::Options options;
  options.time = Simulator::Time::realTime;
  options.defaultsDirectory = home.path() / "settings";
  options.autostartDirectory = home.path() / "autostart";
  Machine machine(options);
  Simulator& simulator = machine.simulator;
  bool picked = false, quitting = false;
  // Each step follows from what the machine reports, so no step waits on the clock.
  simulator.setEventSink([&](const SimEvent& event) {
    machine.events.push_back(event.text);
    if (event.kind == SimEvent::Kind::scan && !picked) {
      picked = simulator.openMenu() && simulator.choose("Sonar");
    } else if (event.kind == SimEvent::Kind::press && !quitting) {
      quitting = simulator.openMenu() && simulator.chooseKey("q");
    }
  });
  RealEventLoop& loop = *simulator.realLoop();
  int result = simulator.run([&] {
    loop.mainQueue().asyncAfter(20, [&] { loop.stop(); });  // bounds a broken run
    loop.run();
  });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(simulator.terminated());
  EXPECT_TRUE(machine.saw("press: extra 1 of Sonar (pid 101), \"Sonar\" -> success"));
  EXPECT_EQ(machine.events.back(), "quit: Strandel quits");
  // The scene's saved position went nowhere, so start-up stored the first one.
  EXPECT_TRUE(machine.saw(kPositionStored));
  std::string text = test::readFile(home.path() / "settings" / "defaults.json");
  EXPECT_NE(text.find("\"NSStatusItem Preferred Position StrandelControl\": 0"), std::string::npos)
      << text;
}

}  // namespace
}  // namespace strandel::sim
