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

inline std::string app(const std::string& members) {
  return R"({"screen": null, "apps": [)"
         "\n"
         R"({"pid": 5, "name": "A", )" +
         members + "}]}";
}

inline std::string extra(const std::string& members) {
  return app(R"("extras": [)"
             "\n"
             R"({"frame": [1, 0, 20, 24], )" +
             members + "}]");
}

inline std::vector<BrokenScene> brokenScenes() {
  return {
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
}

}  // namespace strandel::sim::fixtures
