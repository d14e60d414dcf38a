#pragma once

#include <string>
#include <vector>

// Scenes that break the format, each with where the fault is (line and JSON pointer) and
// what the message says; shared by the loader's tests and the program's.
namespace strandel::sim::fixtures {

struct BrokenScene {
  const char* what;
  std::string text;
  int line;
  std::string pointer;  // empty for JSON syntax faults
  std::string problem;
};

// A scene with no apps, or with the app A (pid 5), and these members besides.
inline std::string scene(const std::string& members) {
  return R"({"screen": null, "apps": [], )" + members + "}";
}
inline std::string withApp(const std::string& members) {
  return R"({"screen": null, "apps": [{"pid": 5, "name": "A"}], )" + members + "}";
}

// The app A on line 2 with these members; its one extra on line 3.
inline std::string app(const std::string& members) {
  return "{\"screen\": null, \"apps\": [\n{\"pid\": 5, \"name\": \"A\", " + members + "}]}";
}
inline std::string extra(const std::string& members) {
  return app("\"extras\": [\n{\"frame\": [1, 0, 20, 24], " + members + "}]");
}

inline std::vector<BrokenScene> brokenScenes() {
  return {
      {"not JSON", "{\n  \"screen\": null,\n  \"apps\": [}\n", 3, "",
       "invalid JSON: expected a value"},
      {"invalid UTF-8", scene("\"name\": \"\xFF\""), 1, "", "invalid UTF-8"},
      {"an array", "[]", 1, "(top level)", "expected an object, found an array"},
      {"no apps", R"({"screen": null})", 1, "(top level)", "missing member \"apps\""},
      {"unknown member", "{\"screen\": null, \"apps\": [],\n \"a/p~p\": []}", 2, "/a~1p~0p",
       "unknown member \"a/p~p\""},
      {"pid a string", "{\"screen\": null, \"apps\": [\n{\"pid\": \"5\", \"name\": \"A\"}]}", 2,
       "/apps/0/pid", "expected an integer, found a string"},
      {"pid zero", R"({"screen": null, "apps": [{"pid": 0, "name": "A"}]})", 1, "/apps/0/pid",
       "the integer must be from 1 to 2147483647"},
      {"duplicate pid",
       "{\"screen\": null, \"apps\": [{\"pid\": 5, \"name\": \"A\"},\n{\"pid\": 5, \"name\": "
       "\"B\"}]}",
       2, "/apps/1/pid", "the pid 5 is already used by /apps/0"},
      {"the program's pid", withApp(R"("strandel": {"pid": 5})"), 1, "/apps/0/pid",
       "already used by /strandel/pid (the program itself)"},
      {"frame of three", R"({"screen": {"frame": [0, 0, 10]}, "apps": []})", 1, "/screen/frame",
       "expected [x, y, width, height], found an array of 3"},
      {"screen width zero", R"({"screen": {"frame": [0, 0, 0, 10]}, "apps": []})", 1,
       "/screen/frame/2", "the width must be greater than 0"},
      {"area width negative",
       R"({"screen": {"frame": [0, 0, 10, 10], "topLeftArea": [0, 0, -4, 2]}, "apps": []})", 1,
       "/screen/topLeftArea/2", "the width cannot be negative"},
      {"frame not numbers", app("\"extras\": [\n{\"frame\": [1, \"0\", 20, 24]}]"), 3,
       "/apps/0/extras/0/frame/1", "expected a number, found a string"},
      {"extra without frame", app("\"extras\": [\n{\"description\": \"x\"}]"), 3,
       "/apps/0/extras/0", "missing member \"frame\""},
      {"unknown fault", extra(R"("faults": {"AXValue": {"error": "failure"}})"), 3,
       "/apps/0/extras/0/faults/AXValue",
       "unknown fault \"AXValue\" (faults here: AXPosition, AXSize, AXDescription, "
       "AXActionNames, AXTitle, AXRole, AXSubrole, AXIdentifier, AXEnabled, AXChildren)"},
      {"app fault", app(R"("faults": {"AXChildren": {"value": null}})"), 2,
       "/apps/0/faults/AXChildren", "(faults here: AXExtrasMenuBar, AXWindows)"},
      {"screen and screens", R"({"screen": null, "screens": [], "apps": []})", 1, "(top level)",
       "a scene has either \"screen\" (one screen or null) or \"screens\" (a list)"},
      {"no screens", R"({"screens": [], "apps": []})", 1, "/screens",
       "a list of screens cannot be empty"},
      {"main screen beyond the list",
       R"({"screens": [{"frame": [0, 0, 9, 9]}], "mainScreen": 1, "apps": []})", 1, "/mainScreen",
       "the integer must be from 0 to 0"},
      {"slot of no extra",
       app("\"windows\": [{\"children\": [\n{\"extraOf\": {\"pid\": 5, \"index\": 0}}]}]"), 3,
       "/apps/0/windows/0/children/0/extraOf",
       "no app of the scene with pid 5 has an extra at index 0"},
      {"unknown error", extra(R"("faults": {"AXSize": {"error": "oops"}})"), 3,
       "/apps/0/extras/0/faults/AXSize/error", "unknown error \"oops\""},
      {"error code too large", extra(R"("faults": {"AXSize": {"error": 2147483648}})"), 3,
       "/apps/0/extras/0/faults/AXSize/error", "the integer must be from -2147483648 to"},
      {"action not a string", extra(R"("actions": ["AXPress", 1])"), 3,
       "/apps/0/extras/0/actions/1", "expected a string, found an integer"},
      {"empty fault", extra(R"("faults": {"AXSize": {}})"), 3, "/apps/0/extras/0/faults/AXSize",
       "a fault needs \"error\", \"value\" or both"},
      {"unknown value kind", extra(R"("faults": {"AXSize": {"value": "colour"}})"), 3,
       "/apps/0/extras/0/faults/AXSize/value", "unknown value kind \"colour\""},
      {"unknown policy", app(R"("policy": "background")"), 2, "/apps/0/policy",
       "unknown policy \"background\""},
      {"long glyph", app(R"("icon": {"glyph": "abcde"})"), 2, "/apps/0/icon/glyph",
       "the glyph must be one character"},
      {"negative delay", app(R"("responseDelay": -1)"), 2, "/apps/0/responseDelay",
       "a delay cannot be negative"},
      {"launch of a running app", withApp("\"timeline\": [\n{\"at\": 1, \"launch\": \"A\"}]"), 2,
       "/timeline/0/launch", "the app with pid 5 is already running at that time"},
      {"quit of a stopped app",
       withApp("\"timeline\": [\n{\"at\": 1, \"quit\": 5}, {\"at\": 2, \"quit\": 5}]"), 2,
       "/timeline/1/quit", "the app with pid 5 is not running at that time"},
      {"unknown app", scene(R"("timeline": [{"at": 1, "launch": "Zed"}])"), 1, "/timeline/0/launch",
       "no app in the scene is named or has the pid \"Zed\""},
      {"ambiguous name",
       R"({"screen": null, "apps": [{"pid": 1, "name": "Twin"}, {"pid": 2, "name": "Twin"}],
           "timeline": [{"at": 1, "quit": "Twin"}]})",
       2, "/timeline/0/quit", "the name \"Twin\" belongs to 2 apps; use the pid"},
      {"two kinds", withApp(R"("timeline": [{"at": 1, "quit": 5, "accessibility": true}])"), 1,
       "/timeline/0", "exactly one of"},
      {"no answers", scene(R"("updateServer": [])"), 1, "/updateServer",
       "a list of answers cannot be empty"},
      {"manifest and body", scene(R"("updateServer": {"manifest": {}, "body": ""})"), 1,
       "/updateServer", "an answer has either \"manifest\" or \"body\""},
      {"unknown login status", scene(R"("loginItem": {"status": "on"})"), 1, "/loginItem/status",
       "unknown status \"on\""},
      {"version not a version", scene(R"("os": {"version": "14.x"})"), 1, "/os/version",
       "expected a version like \"14.2.1\", found \"14.x\""},
      {"granted as text", scene(R"("accessibilityGranted": "yes")"), 1, "/accessibilityGranted",
       "expected true or false, found a string"},
  };
}

}  // namespace strandel::sim::fixtures
