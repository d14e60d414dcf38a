#include "adapters/sim/simulator/scene.h"

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

// A broken scene: where the fault is (line and JSON pointer) and what the message says.
struct BrokenScene {
  const char* what;
  std::string text;
  int line;
  std::string pointer;  // empty for JSON syntax faults
  std::string problem;
};

std::string app(const std::string& members) {
  return R"({"screen": null, "apps": [)"
         "\n"
         R"({"pid": 5, "name": "A", )" +
         members + "}]}";
}

std::string extra(const std::string& members) {
  return app(R"("extras": [)"
             "\n"
             R"({"frame": [1, 0, 20, 24], )" +
             members + "}]");
}

TEST(SceneTest, EveryBrokenSceneIsRefusedWithThePlaceAndTheProblem) {
  const BrokenScene cases[] = {
      {"not JSON", "{\n  \"screen\": null,\n  \"apps\": [}\n", 3, "",
       "invalid JSON: expected a value"},
      {"trailing comma", "{\"screen\": null, \"apps\": [],\n}", 2, "", "a trailing ','"},
      {"member twice", "{\"screen\": null,\n\"screen\": null, \"apps\": []}", 2, "",
       "the member \"screen\" is given twice"},
      {"an array", "[]", 1, "(top level)", "expected an object, found an array"},
      {"no apps", R"({"screen": null})", 1, "(top level)", "missing member \"apps\""},
      {"no screen", R"({"apps": []})", 1, "(top level)", "missing member \"screen\""},
      {"unknown member", "{\"screen\": null, \"apps\": [],\n \"app\": []}", 2, "/app",
       "unknown member \"app\""},
      {"apps not a list", R"({"screen": null, "apps": {}})", 1, "/apps",
       "expected an array, found an object"},
      {"pid a string",
       R"({"screen": null, "apps": [)"
       "\n"
       R"({"pid": "5", "name": "A"}]})",
       2, "/apps/0/pid", "expected an integer, found a string"},
      {"pid zero", R"({"screen": null, "apps": [{"pid": 0, "name": "A"}]})", 1, "/apps/0/pid",
       "the integer must be from 1 to 2147483647"},
      {"pid fraction", R"({"screen": null, "apps": [{"pid": 2.5, "name": "A"}]})", 1, "/apps/0/pid",
       "expected an integer, found a number"},
      {"pid too big", R"({"screen": null, "apps": [{"pid": 99999999999, "name": "A"}]})", 1,
       "/apps/0/pid", "the integer must be from 1"},
      {"duplicate pid",
       R"({"screen": null, "apps": [{"pid": 5, "name": "A"},)"
       "\n"
       R"({"pid": 5, "name": "B"}]})",
       2, "/apps/1/pid", "the pid 5 is already used by /apps/0"},
      {"the program's pid",
       R"({"screen": null, "strandel": {"pid": 5}, "apps": [{"pid": 5, "name": "A"}]})", 1,
       "/apps/0/pid", "already used by /strandel/pid (the program itself)"},
      {"installed pid used",
       R"({"screen": null, "apps": [{"pid": 5, "name": "A"}], "installed": [{"pid": 5, "name": "B"}]})",
       1, "/installed/0/pid", "already used by /apps/0"},
      {"no name", R"({"screen": null, "apps": [{"pid": 5}]})", 1, "/apps/0",
       "missing member \"name\""},
      {"name a number", R"({"screen": null, "apps": [{"pid": 5, "name": 3}]})", 1, "/apps/0/name",
       "expected a string, found an integer"},
      {"frame of three", R"({"screen": {"frame": [0, 0, 10]}, "apps": []})", 1, "/screen/frame",
       "expected [x, y, width, height], found an array of 3"},
      {"screen width zero", R"({"screen": {"frame": [0, 0, 0, 10]}, "apps": []})", 1,
       "/screen/frame/2", "the width must be greater than 0"},
      {"screen height negative", R"({"screen": {"frame": [0, 0, 10, -1]}, "apps": []})", 1,
       "/screen/frame/3", "the height must be greater than 0"},
      {"area width negative",
       R"({"screen": {"frame": [0, 0, 10, 10], "topLeftArea": [0, 0, -4, 2]}, "apps": []})", 1,
       "/screen/topLeftArea/2", "the width cannot be negative"},
      {"frame not numbers",
       R"({"screen": null, "apps": [)"
       "\n"
       R"({"pid": 5, "name": "A", "extras": [)"
       "\n"
       R"({"frame": [1, "0", 20, 24]}]}]})",
       3, "/apps/0/extras/0/frame/1", "expected a number, found a string"},
      {"extra without frame",
       app(R"("extras": [)"
           "\n"
           R"({"description": "x"}])"),
       3, "/apps/0/extras/0", "missing member \"frame\""},
      {"unknown fault", extra(R"("faults": {"AXTitle": {"error": "failure"}})"), 3,
       "/apps/0/extras/0/faults/AXTitle",
       "unknown fault \"AXTitle\" (faults here: AXPosition, AXSize, AXDescription)"},
      {"fault of another place", extra(R"("faults": {"AXChildren": {"value": null}})"), 3,
       "/apps/0/extras/0/faults/AXChildren", "unknown fault \"AXChildren\""},
      {"unknown error", extra(R"("faults": {"AXSize": {"error": "oops"}})"), 3,
       "/apps/0/extras/0/faults/AXSize/error", "unknown error \"oops\""},
      {"empty fault", extra(R"("faults": {"AXSize": {}})"), 3, "/apps/0/extras/0/faults/AXSize",
       "a fault needs \"error\", \"value\" or both"},
      {"unknown value kind", extra(R"("faults": {"AXSize": {"value": "colour"}})"), 3,
       "/apps/0/extras/0/faults/AXSize/value", "unknown value kind \"colour\""},
      {"app fault", app(R"("faults": {"AXChildren": {"value": null}})"), 2,
       "/apps/0/faults/AXChildren", "(faults here: AXExtrasMenuBar)"},
      {"unknown press", extra(R"("press": "tap")"), 3, "/apps/0/extras/0/press",
       "unknown press \"tap\""},
      {"press failing with success", extra(R"("press": {"fail": "success"})"), 3,
       "/apps/0/extras/0/press/fail", "unknown error \"success\" for a failing press"},
      {"unknown policy", app(R"("policy": "background")"), 2, "/apps/0/policy",
       "unknown policy \"background\""},
      {"unknown colour", app(R"("icon": {"glyph": "x", "colour": "mauve"})"), 2,
       "/apps/0/icon/colour", "unknown colour \"mauve\""},
      {"empty glyph", app(R"("icon": {"glyph": ""})"), 2, "/apps/0/icon/glyph",
       "the glyph cannot be empty"},
      {"long glyph", app(R"("icon": {"glyph": "abcde"})"), 2, "/apps/0/icon/glyph",
       "the glyph must be one character"},
      {"negative delay", app(R"("responseDelay": -1)"), 2, "/apps/0/responseDelay",
       "a delay cannot be negative"},
      {"launch of a running app",
       R"({"screen": null, "apps": [{"pid": 5, "name": "A"}], "timeline": [)"
       "\n"
       R"({"at": 1, "launch": "A"}]})",
       2, "/timeline/0/launch", "the app with pid 5 is already running at that time"},
      {"quit of a stopped app",
       R"({"screen": null, "apps": [{"pid": 5, "name": "A"}], "timeline": [)"
       "\n"
       R"({"at": 1, "quit": 5}, {"at": 2, "quit": 5}]})",
       2, "/timeline/1/quit", "the app with pid 5 is not running at that time"},
      {"unknown app", R"({"screen": null, "apps": [], "timeline": [{"at": 1, "launch": "Zed"}]})",
       1, "/timeline/0/launch", "no app in the scene is named or has the pid \"Zed\""},
      {"two kinds",
       R"({"screen": null, "apps": [{"pid": 5, "name": "A"}], "timeline": [{"at": 1, "quit": 5, "accessibility": true}]})",
       1, "/timeline/0", "exactly one of"},
      {"negative time",
       R"({"screen": null, "apps": [], "timeline": [{"at": -1, "accessibility": true}]})", 1,
       "/timeline/0/at", "a time cannot be negative"},
      {"no answers", R"({"screen": null, "apps": [], "updateServer": []})", 1, "/updateServer",
       "a list of answers cannot be empty"},
      {"offline inside a list", R"({"screen": null, "apps": [], "updateServer": ["offline"]})", 1,
       "/updateServer/0", "\"offline\" stands only for the whole server"},
      {"manifest and body",
       R"({"screen": null, "apps": [], "updateServer": {"manifest": {}, "body": ""}})", 1,
       "/updateServer", "an answer has either \"manifest\" or \"body\""},
      {"bad status", R"({"screen": null, "apps": [], "updateServer": {"body": "", "status": 99}})",
       1, "/updateServer/status", "the integer must be from 100 to 599"},
      {"unknown answer", R"({"screen": null, "apps": [], "updateServer": "maybe"})", 1,
       "/updateServer", "unknown answer \"maybe\""},
      {"unknown login status", R"({"screen": null, "apps": [], "loginItem": {"status": "on"}})", 1,
       "/loginItem/status", "unknown status \"on\""},
      {"null default", R"({"screen": null, "apps": [], "defaults": {"k": null}})", 1, "/defaults/k",
       "expected an integer, a number, a boolean, a string, an array or an object"},
      {"granted as text", R"({"screen": null, "apps": [], "accessibilityGranted": "yes"})", 1,
       "/accessibilityGranted", "expected true or false, found a string"},
      {"invalid UTF-8", "{\"screen\": null, \"apps\": [], \"name\": \"\xFF\"}", 1, "",
       "invalid UTF-8"},
  };
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
