#include "adapters/sim/simulator/scene.h"

#include "broken_scenes.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace strandel::sim {
namespace {

// The parts the golden runs hardly show: event order, answer lists, value kinds, raw frames.
TEST(SceneTest, ReadsThePartsThatRunsDoNotShow) {
  const std::string text = R"({
    "screen": null,
    "apps": [
      {"pid": 5, "name": "Mail", "extras": [{"frame": [100, 0, -20, 24]}]},
      {"pid": 6, "name": null}
    ],
    "installed": [{"pid": 9, "name": "Sonar"}],
    "timeline": [{"at": 4, "quit": "Mail"}, {"at": 2, "launch": 9}, {"at": 2, "accessibility": true}],
    "updateServer": [{"manifest": {"version": "2.1"}, "delay": 0.5}, "silence",
                     {"body": "gone", "status": 410}, "disconnect"],
    "defaults": {"a": 1, "b": 2.5, "c": true, "d": "text", "e": [1, 2]}
  })";
  SceneLoad load = parseScene(text, "test.json");
  ASSERT_TRUE(load.scene) << load.error;
  const Scene& scene = *load.scene;
  // Frames as given: the scan standardizes them.
  EXPECT_EQ(scene.apps[0].definition.extras[0].frame(), (Rect{{100, 0}, {-20, 24}}));
  EXPECT_FALSE(scene.apps[1].definition.name);

  // In time order, file order kept at equal times; apps named by name or pid.
  ASSERT_EQ(scene.timeline.size(), 3u);
  EXPECT_EQ(scene.timeline[0].kind, SceneEvent::Kind::launch);
  EXPECT_EQ(scene.timeline[0].pid, 9);
  EXPECT_EQ(scene.timeline[1].kind, SceneEvent::Kind::accessibility);
  EXPECT_EQ(scene.timeline[2].pid, 5);

  const auto& answers = scene.updateServer.answers;
  ASSERT_EQ(answers.size(), 4u);
  EXPECT_EQ(answers[0].body, R"({"version":"2.1"})");
  EXPECT_EQ(answers[0].contentType, "application/json");
  EXPECT_EQ(answers[1].kind, ServerAnswer::Kind::silence);
  EXPECT_EQ(answers[3].kind, ServerAnswer::Kind::disconnect);

  EXPECT_EQ(scene.defaults.at("a"), DefaultsValue{int64_t{1}});
  EXPECT_EQ(scene.defaults.at("b"), DefaultsValue{2.5});
  EXPECT_EQ(scene.defaults.at("e"), DefaultsValue{OtherDefaultsValue{"[1,2]"}});

  // The smallest scene: nothing granted, no server, not registered, the standard pid.
  load = parseScene(R"({"screen": null, "apps": []})", "min.json");
  ASSERT_TRUE(load.scene) << load.error;
  EXPECT_FALSE(load.scene->accessibilityGranted);
  EXPECT_TRUE(load.scene->updateServer.offline);
  EXPECT_EQ(load.scene->loginItem.status, LoginItemStatus::notRegistered);
  EXPECT_EQ(load.scene->selfPid, 4242);
}

// An agent's slot holds the very element of the app that made the item, and it goes with that
// app. How today's menu bars read otherwise (unplaced slots, hosted children without
// "AXEnabled", the menu bar on the first screen, not the main one) is in the agent_macos27,
// hosted_macos26 and two_displays transcripts.
TEST(SceneTest, AnAgentsSlotHoldsTheElementOfTheAppThatMadeTheItem) {
  const char* text = R"({"screen": {"frame": [0, 0, 800, 600]}, "apps": [
      {"pid": 5, "name": "Mail", "extras": [{"frame": [-300, 0, 30, 24]}]},
      {"pid": 6, "name": "MenuBarAgent", "windows": [{"role": "AXWindow", "frame": [0, 0, 800, 24],
       "children": [{"frame": [700, 0, 30, 24], "children": [{"extraOf": {"pid": 5, "index": 0}}]}]}]}]})";
  SceneLoad load = parseScene(text, "today.json");
  ASSERT_TRUE(load.scene) << load.error;
  Desktop desktop;
  for (const SceneApp& app : load.scene->apps) desktop.launch(app.definition);
  desktop.setAccessibilityGranted(true);
  AXRef value;
  // By value: the address may live in the very value that the read replaces.
  auto read = [&](ElementAddress at, const char* attribute) {
    value.reset();
    return desktop.readAttribute(at, attribute, value);
  };
  auto firstChild = [&](const ElementAddress& at, const char* attribute) {
    EXPECT_EQ(read(at, attribute), AXError::success) << attribute;
    const auto* list = dynamic_cast<const SimArray*>(value.get());
    const auto* first = list && !list->values().empty()
                            ? dynamic_cast<const SimElement*>(list->values()[0].get())
                            : nullptr;
    EXPECT_TRUE(first) << attribute;
    return first ? first->address() : ElementAddress{};
  };
  ASSERT_EQ(read(desktop.applicationAddress(5), "AXExtrasMenuBar"), AXError::success);
  const ElementAddress mailExtra =
      firstChild(dynamic_cast<const SimElement&>(*value).address(), "AXChildren");
  const ElementAddress slot =
      firstChild(firstChild(desktop.applicationAddress(6), "AXWindows"), "AXChildren");
  const ElementAddress held = firstChild(slot, "AXChildren");
  EXPECT_EQ(held, mailExtra);
  EXPECT_EQ(read(held, "AXPosition"), AXError::success);
  desktop.quit(5);
  EXPECT_EQ(read(held, "AXPosition"), AXError::invalidUIElement);
  EXPECT_EQ(read(slot, "AXPosition"), AXError::invalidUIElement);  // its slot goes too
}

TEST(SceneTest, EveryBrokenSceneIsRefusedWithThePlaceAndTheProblem) {
  const std::regex place(R"(^broken\.json:(\d+):(\d+): )");
  for (const auto& c : fixtures::brokenScenes()) {
    SCOPED_TRACE(c.what);
    SceneLoad load = parseScene(c.text, "broken.json");
    EXPECT_FALSE(load.scene);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(load.error, match, place)) << load.error;
    EXPECT_EQ(std::stoi(match[1]), c.line) << load.error;
    if (!c.pointer.empty()) {
      EXPECT_NE(load.error.find(": " + c.pointer + ": "), std::string::npos) << load.error;
    }
    EXPECT_NE(load.error.find(c.problem), std::string::npos) << load.error;
  }
}

}  // namespace
}  // namespace strandel::sim
