#include "adapters/sim/simulator/simulator.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace strandel::sim {
namespace {

Scene sceneFrom(const std::string& text) {
  SceneLoad load = parseScene(text, "test.json");
  EXPECT_TRUE(load.scene) << load.error;
  return load.scene ? *load.scene : Scene{};
}

const char* kScene = R"({
  "screen": {"frame": [0, 0, 1440, 900]},
  "accessibilityGranted": true,
  "apps": [{"pid": 101, "name": "Sonar", "extras": [{"frame": [-30, 0, 30, 24], "description": "Sonar"}]}],
  "installed": [{"pid": 102, "name": "Later"}],
  "timeline": [{"at": 1, "accessibility": false}, {"at": 2, "launch": "Later"}],
  "defaults": {"NSStatusItem Preferred Position StrandelControl": 312},
  "updateServer": {"manifest": {"version": "1.0.0", "downloadUrl": "{server}/d"}}
})";

bool contains(const std::vector<std::string>& events, const std::string& text) {
  return std::find(events.begin(), events.end(), text) != events.end();
}

TEST(SimulatorTest, TheMachineFollowsTheSceneOnVirtualTime) {
  Simulator simulator(sceneFrom(kScene), Simulator::Options{});
  std::vector<std::string> events;
  simulator.setEventSink([&](const SimEvent& event) { events.push_back(event.text); });
  simulator.run([&] {
    VirtualEventLoop& loop = *simulator.virtualLoop();
    loop.runUntil(simulator.startDate());
    // The scene's saved position is there, so start-up writes nothing.
    EXPECT_FALSE(std::any_of(events.begin(), events.end(),
                             [](const auto& e) { return e.rfind("defaults:", 0) == 0; }));
    EXPECT_TRUE(contains(events, "scan: 1 app, 1 extra"));

    EXPECT_FALSE(simulator.launch(101)) << "already running";
    EXPECT_FALSE(simulator.quit(4242)) << "the program quits only through its menu";
    EXPECT_FALSE(simulator.quit(999));
    EXPECT_FALSE(simulator.choose(1)) << "the menu is closed";

    ASSERT_TRUE(simulator.openMenu());
    EXPECT_FALSE(simulator.openMenu()) << "already open";
    EXPECT_EQ(simulator.findRow("Sonar"), 1);  // the hidden row, by its label alone
    EXPECT_EQ(simulator.findRow("●  Sonar"), 1);
    EXPECT_EQ(simulator.findRow("Nothing"), -1);
    simulator.closeMenu();

    loop.runUntil(Date{simulator.startDate().secondsSinceReference + 2.5});
    EXPECT_TRUE(contains(events, "permission: withdrawn"));
    EXPECT_TRUE(contains(events, "notification: com.apple.accessibility.api (distributed)"));
    EXPECT_TRUE(contains(events, "app launched: Later (pid 102)"));
    EXPECT_TRUE(simulator.desktop().app(102).has_value());
    EXPECT_FALSE(simulator.desktop().accessibilityGranted());
  });
  std::string address = simulator.updateServer().address();
  EXPECT_EQ(simulator.scrub("get " + address + "/x"), "get {server}/x");
}

TEST(SimulatorTest, RunsOnRealTimeAndQuitsThroughItsMenu) {
  Simulator::Options options;
  options.time = Simulator::Time::realTime;
  Simulator simulator(sceneFrom(kScene), options);
  RealEventLoop& loop = *simulator.realLoop();
  std::vector<std::string> events;
  bool picked = false;
  bool quitting = false;
  simulator.setEventSink([&](const SimEvent& event) {
    events.push_back(event.text);
    // Each step follows from what the machine reports, so no step waits on the clock.
    if (event.kind == SimEvent::Kind::scan && !picked) {
      picked = true;
      ASSERT_TRUE(simulator.openMenu());
      ASSERT_TRUE(simulator.choose("Sonar"));
    } else if (event.kind == SimEvent::Kind::press && !quitting) {
      quitting = true;
      ASSERT_TRUE(simulator.openMenu());
      ASSERT_TRUE(simulator.chooseKey("q"));
    }
  });
  int result = simulator.run([&] {
    // A bound on a broken run, far beyond what the steps need.
    loop.mainQueue().asyncAfter(20, [&] { loop.stop(); });
    loop.run();
  });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(simulator.terminated());
  EXPECT_TRUE(contains(events, "press: extra 1 of Sonar (pid 101), \"Sonar\" -> success"));
  EXPECT_EQ(events.back(), "quit: Strandel quits");
}

TEST(SimulatorTest, GivenDirectoriesKeepTheSettingsAndAreNeitherSeededNorRemoved) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "strandel-simulator-test-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  fs::path home = pattern;
  {
    Simulator::Options options;
    options.defaultsDirectory = home / "settings";
    options.autostartDirectory = home / "autostart";
    Simulator simulator(sceneFrom(kScene), options);
    std::vector<std::string> events;
    simulator.setEventSink([&](const SimEvent& event) { events.push_back(event.text); });
    simulator.run([&] { simulator.virtualLoop()->runUntil(simulator.startDate()); });
    // The scene's saved position went nowhere, so start-up stored the first one.
    EXPECT_TRUE(contains(
        events, "defaults: \"NSStatusItem Preferred Position StrandelControl\" = 0 (integer)"));
  }
  std::ifstream in(home / "settings" / "defaults.json");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\"NSStatusItem Preferred Position StrandelControl\": 0"), std::string::npos)
      << text;
  std::error_code ignored;
  fs::remove_all(home, ignored);
}

TEST(SimulatorTest, ASimulatorRunsOnce) {
  Simulator simulator(sceneFrom(kScene), Simulator::Options{});
  simulator.run([] {});
  EXPECT_THROW(simulator.run([] {}), std::logic_error);
}

}  // namespace
}  // namespace strandel::sim
