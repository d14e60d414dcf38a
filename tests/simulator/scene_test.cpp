#include "adapters/sim/simulator/scene.h"

#include "broken_scenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

namespace strandel::sim {
namespace {

TEST(SceneTest, ReadsEveryPartOfAScene) {
  const std::string text = R"({
    "name": "test Mac",
    "screen": {"frame": [0, 0, 1512, 982], "topLeftArea": [0, 950, 662, 32],
               "topRightArea": [850, 950, 662, 32]},
    "accessibilityGranted": true,
    "strandel": {"pid": 77, "version": "2.0"},
    "apps": [
      {"pid": 5, "name": "Mail", "icon": {"glyph": "✉", "colour": "blue"}, "policy": "accessory",
       "responseDelay": 0.3, "faults": {"AXExtrasMenuBar": {"error": "cannotComplete"}},
       "barFaults": {"AXChildren": {"value": "number"}},
       "extras": [
         {"frame": [100, 0, -20, 24], "description": "Mail, 3 unread",
          "faults": {"AXSize": {"error": "failure", "value": "point"}, "AXDescription": {"value": null}},
          "press": {"fail": "cannotComplete"}},
         {"frame": [130, 0, 20, 24], "press": "quitApp"}
       ]},
      {"pid": 6, "name": null, "terminated": true, "extrasBar": false, "quitsAfterListing": true}
    ],
    "installed": [{"pid": 9, "name": "Sonar"}],
    "timeline": [
      {"at": 4, "quit": "Mail"},
      {"at": 2, "launch": 9},
      {"at": 2, "accessibility": false}
    ],
    "updateServer": [{"manifest": {"version": "2.1"}, "delay": 0.5}, "silence",
                     {"body": "gone", "status": 410, "contentType": "text/html"}, "disconnect"],
    "defaults": {"a": 1, "b": 2.5, "c": true, "d": "text", "e": [1, 2]},
    "loginItem": {"status": "requiresApproval", "failure": "denied"}
  })";
  SceneLoad load = parseScene(text, "test.json");
  ASSERT_TRUE(load.scene) << load.error;
  const Scene& scene = *load.scene;
  EXPECT_EQ(scene.name, "test Mac");
  ASSERT_TRUE(scene.screen);
  EXPECT_EQ(scene.screen->topRightArea, (Rect{{850, 950}, {662, 32}}));
  EXPECT_TRUE(scene.accessibilityGranted);
  EXPECT_EQ(scene.selfPid, 77);
  EXPECT_EQ(scene.version, "2.0");

  ASSERT_EQ(scene.apps.size(), 2u);
  const AppSpec& mail = scene.apps[0].spec;
  EXPECT_EQ(scene.apps[0].icon, (IconSpec{"✉", "blue"}));
  EXPECT_EQ(mail.activationPolicy, ActivationPolicy::accessory);
  EXPECT_DOUBLE_EQ(mail.responseDelay, 0.3);
  EXPECT_EQ(mail.appFaults.at("AXExtrasMenuBar"),
            AttributeFault::failWith(AXError::cannotComplete));
  EXPECT_EQ(mail.barFaults.at("AXChildren"), AttributeFault::wrongKind(ValueKind::number));
  ASSERT_EQ(mail.extras.size(), 2u);
  EXPECT_EQ(mail.extras[0].frame(), (Rect{{100, 0}, {-20, 24}}));
  EXPECT_EQ(mail.extras[0].description, "Mail, 3 unread");
  EXPECT_EQ(mail.extras[0].faults.at("AXSize"),
            AttributeFault::failHandingBack(AXError::failure, ValueKind::point));
  EXPECT_EQ(mail.extras[0].faults.at("AXDescription"), AttributeFault::noValue());
  EXPECT_EQ(mail.extras[0].press, PressBehavior::fail(AXError::cannotComplete));
  EXPECT_FALSE(mail.extras[1].description);
  EXPECT_EQ(mail.extras[1].press, PressBehavior::quitApp());
  const AppSpec& nameless = scene.apps[1].spec;
  EXPECT_FALSE(nameless.name);
  EXPECT_TRUE(nameless.terminated);
  EXPECT_FALSE(nameless.hasExtrasBar);
  EXPECT_TRUE(nameless.quitsAfterListing);

  // The timeline is in time order, file order kept at equal times.
  ASSERT_EQ(scene.timeline.size(), 3u);
  EXPECT_EQ(scene.timeline[0].kind, SceneEvent::Kind::launch);
  EXPECT_EQ(scene.timeline[0].pid, 9);
  EXPECT_EQ(scene.timeline[1].kind, SceneEvent::Kind::accessibility);
  EXPECT_FALSE(scene.timeline[1].granted);
  EXPECT_EQ(scene.timeline[2].kind, SceneEvent::Kind::quit);
  EXPECT_EQ(scene.timeline[2].pid, 5);

  const auto& answers = scene.updateServer.answers;
  EXPECT_FALSE(scene.updateServer.offline);
  ASSERT_EQ(answers.size(), 4u);
  EXPECT_EQ(answers[0].body, R"({"version":"2.1"})");
  EXPECT_EQ(answers[0].contentType, "application/json");
  EXPECT_DOUBLE_EQ(answers[0].delay, 0.5);
  EXPECT_EQ(answers[1].kind, ServerAnswer::Kind::silence);
  EXPECT_EQ(answers[2].status, 410);
  EXPECT_EQ(answers[2].contentType, "text/html");
  EXPECT_EQ(answers[3].kind, ServerAnswer::Kind::disconnect);

  EXPECT_EQ(scene.defaults.at("a"), DefaultsValue{int64_t{1}});
  EXPECT_EQ(scene.defaults.at("b"), DefaultsValue{2.5});
  EXPECT_EQ(scene.defaults.at("c"), DefaultsValue{true});
  EXPECT_EQ(scene.defaults.at("d"), DefaultsValue{std::string("text")});
  EXPECT_EQ(scene.defaults.at("e"), DefaultsValue{OtherDefaultsValue{"[1,2]"}});
  EXPECT_EQ(scene.loginItem.status, LoginItemStatus::requiresApproval);
  EXPECT_EQ(scene.loginItem.failure, "denied");
}

TEST(SceneTest, TheSmallestSceneHasItsDefaults) {
  SceneLoad load = parseScene(R"({"screen": null, "apps": []})", "min.json");
  ASSERT_TRUE(load.scene) << load.error;
  EXPECT_FALSE(load.scene->screen);
  EXPECT_FALSE(load.scene->accessibilityGranted);
  EXPECT_TRUE(load.scene->updateServer.offline);
  EXPECT_EQ(load.scene->loginItem.status, LoginItemStatus::notRegistered);
  EXPECT_EQ(load.scene->selfPid, 4242);
}

TEST(SceneTest, AppsAreFoundByUniqueNameOrByPid) {
  SceneLoad load = parseScene(R"({"screen": null, "apps": [
      {"pid": 1, "name": "Twin"}, {"pid": 2, "name": "Twin"}, {"pid": 3, "name": "Solo"}],
      "installed": [{"pid": 40, "name": "Later"}]})",
                              "s.json");
  ASSERT_TRUE(load.scene) << load.error;
  const Scene& scene = *load.scene;
  EXPECT_EQ(std::get<ProcessID>(scene.resolveApp("Solo")), 3);
  EXPECT_EQ(std::get<ProcessID>(scene.resolveApp("Later")), 40);
  EXPECT_EQ(std::get<ProcessID>(scene.resolveApp("2")), 2);
  EXPECT_EQ(std::get<std::string>(scene.resolveApp("Twin")),
            "the name \"Twin\" belongs to 2 apps; use the pid");
  EXPECT_EQ(std::get<std::string>(scene.resolveApp("99")),
            "no app in the scene is named or has the pid \"99\"");
}

TEST(SceneTest, TheDefaultSceneIsACrowdedMacBookWithANotch) {
  SceneLoad load = loadSceneFile(defaultScenePath());
  ASSERT_TRUE(load.scene) << load.error;
  const Scene& scene = *load.scene;
  ASSERT_TRUE(scene.screen && scene.screen->topLeftArea && scene.screen->topRightArea);
  double lower = maxX(*scene.screen->topLeftArea);
  double upper = minX(*scene.screen->topRightArea);
  ASSERT_LT(lower, upper);

  size_t extras = 0, behindNotch = 0, offLeft = 0, apps = 0;
  bool generic = false;
  for (const auto& app : scene.apps) {
    if (!app.spec.extras.empty()) ++apps;
    for (const auto& extra : app.spec.extras) {
      ++extras;
      Rect frame = extra.frame();
      if (minX(frame) < 0) ++offLeft;
      if (minX(frame) >= 0 && lower < maxX(frame) && minX(frame) < upper) ++behindNotch;
      if (extra.description == "status menu" || extra.description == "상태 메뉴") generic = true;
    }
  }
  EXPECT_GE(extras, 18u);
  EXPECT_LE(extras, 24u);
  EXPECT_GE(apps, 10u);
  EXPECT_GE(behindNotch, 2u);
  EXPECT_GE(offLeft, 1u);
  EXPECT_TRUE(generic);
  EXPECT_FALSE(scene.accessibilityGranted);
  EXPECT_FALSE(scene.updateServer.offline);
}

TEST(SceneTest, AMissingFileIsNamed) {
  SceneLoad load = loadSceneFile("/nonexistent/scene.json");
  EXPECT_FALSE(load.scene);
  EXPECT_EQ(load.error.rfind("/nonexistent/scene.json: cannot read the scene", 0), 0u)
      << load.error;
}

TEST(SceneTest, EveryBrokenSceneIsRefusedWithThePlaceAndTheProblem) {
  const auto cases = fixtures::brokenScenes();
  const std::regex place(R"(^broken\.json:(\d+):(\d+): )");
  for (const auto& c : cases) {
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

TEST(SceneTest, TheMessageGivesTheExactPlace) {
  const std::string text =
      "{\n"
      "  \"screen\": null,\n"
      "  \"apps\": [\n"
      "    {\"pid\": 5, \"name\": \"A\",\n"
      "     \"extras\": [{\"frame\": [1, 0, 20, 24], \"faults\": {\"AXSize\": {\"error\": 7}}}]}\n"
      "  ]\n"
      "}\n";
  EXPECT_EQ(parseScene(text, "scene.json").error,
            "scene.json:5:74: /apps/0/extras/0/faults/AXSize/error: expected a string, found an "
            "integer");
}

}  // namespace
}  // namespace strandel::sim
