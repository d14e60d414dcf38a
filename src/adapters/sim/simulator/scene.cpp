#include "adapters/sim/simulator/scene.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "adapters/sim/services/regular_file.h"
#include "adapters/sim/simulator/json_reader.h"
#include "adapters/sim/simulator/scene_apps.h"
#include "adapters/sim/simulator/scene_reading.h"
#include "adapters/sim/simulator/scene_timeline.h"

#ifndef STRANDEL_RESOURCES_DIR
#define STRANDEL_RESOURCES_DIR "resources"
#endif

namespace strandel::sim {

namespace {

using namespace scene_reading;

constexpr struct {
  std::string_view name;
  LoginItemStatus status;
} kLoginStatuses[] = {
    {"notRegistered", LoginItemStatus::notRegistered},
    {"enabled", LoginItemStatus::enabled},
    {"requiresApproval", LoginItemStatus::requiresApproval},
    {"notFound", LoginItemStatus::notFound},
};

// "major.minor.patch"; the minor and patch numbers may be left out.
OperatingSystemVersion readVersion(const Node& node) {
  const std::string text = node.string();
  int64_t parts[3] = {0, 0, 0};
  size_t count = 0;
  size_t at = 0;
  for (;;) {
    size_t end = text.find('.', at);
    std::string_view part =
        std::string_view(text).substr(at, end == std::string::npos ? std::string::npos : end - at);
    bool digits =
        !part.empty() && part.size() <= 9 &&
        std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || count == 3)
      node.fail("expected a version like \"14.2.1\", found " + inQuotes(text));
    parts[count++] = std::stoll(std::string(part));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return OperatingSystemVersion{parts[0], parts[1], parts[2]};
}

SystemSpec readSystem(const Node& node) {
  node.object({"version", "description"}, {"version"});
  SystemSpec system;
  system.version = readVersion(node.member("version"));
  system.description = node.has("description") ? node.member("description").string() : "";
  return system;
}

ScreenSpec readScreen(const Node& node) {
  node.object({"frame", "topLeftArea", "topRightArea"}, {"frame"});
  ScreenSpec screen;
  screen.frame = readRect(node.member("frame"), true, false);
  for (auto which : {"topLeftArea", "topRightArea"}) {
    if (!node.has(which)) continue;
    Node area = node.member(which);
    if (area.value.is_null()) continue;
    Rect r = readRect(area, false, false);
    (std::string_view(which) == "topLeftArea" ? screen.topLeftArea : screen.topRightArea) = r;
  }
  return screen;
}

// "screen" for a Mac with one screen or none, "screens" for several (the first holds the
// menu bar), and which of them has the keyboard focus.
void readScreens(const Node& root, Scene& scene) {
  if (root.has("screen") == root.has("screens")) {
    root.fail("a scene has either \"screen\" (one screen or null) or \"screens\" (a list)");
  }
  size_t count = 0;
  if (root.has("screen")) {
    Node screen = root.member("screen");
    if (!screen.value.is_null()) scene.screen = readScreen(screen);
    count = scene.screen ? 1 : 0;
  } else {
    Node list = root.member("screens");
    const auto& items = list.array();
    if (items.empty()) list.fail("a list of screens cannot be empty (use \"screen\": null)");
    scene.screen = readScreen(list.element(0));
    for (size_t i = 1; i < items.size(); ++i) {
      scene.moreScreens.push_back(readScreen(list.element(i)));
    }
    count = items.size();
  }
  if (root.has("mainScreen")) {
    Node main = root.member("mainScreen");
    if (count == 0) main.fail("a Mac without a screen has no main screen");
    scene.mainScreen = static_cast<size_t>(main.integer(0, static_cast<int64_t>(count) - 1));
  }
}

ServerAnswer readAnswer(const Node& node) {
  if (node.value.is_string()) {
    std::string kind = node.string();
    ServerAnswer answer;
    if (kind == "disconnect") {
      answer.kind = ServerAnswer::Kind::disconnect;
    } else if (kind == "silence") {
      answer.kind = ServerAnswer::Kind::silence;
    } else if (kind == "offline") {
      node.fail("\"offline\" stands only for the whole server, not for one answer");
    } else {
      node.fail("unknown answer " + inQuotes(kind) +
                " (known: \"disconnect\", \"silence\", or an object with \"manifest\" or "
                "\"body\")");
    }
    return answer;
  }
  node.object({"manifest", "body", "status", "contentType", "delay"});
  if (node.has("manifest") == node.has("body")) {
    node.fail("an answer has either \"manifest\" or \"body\"");
  }
  ServerAnswer answer;
  if (node.has("manifest")) {
    answer.body = node.member("manifest").value.dump();
  } else {
    answer.body = node.member("body").string();
    answer.contentType = "text/plain; charset=utf-8";
  }
  if (node.has("status")) answer.status = static_cast<int>(node.member("status").integer(100, 599));
  if (node.has("contentType")) {
    Node c = node.member("contentType");
    answer.contentType = c.string();
    if (answer.contentType.find_first_of("\r\n") != std::string::npos) {
      c.fail("a content type cannot hold line breaks");
    }
  }
  if (node.has("delay")) {
    Node d = node.member("delay");
    answer.delay = d.atLeast(0, "a delay");
    if (answer.delay > 60) d.fail("an answer delay above 60 seconds");
  }
  return answer;
}

UpdateServerSpec readUpdateServer(const Node& node) {
  UpdateServerSpec server;
  if (node.value.is_null() || (node.value.is_string() && node.value == "offline")) return server;
  server.offline = false;
  if (node.value.is_array()) {
    const auto& items = node.array();
    if (items.empty()) node.fail("a list of answers cannot be empty");
    for (size_t i = 0; i < items.size(); ++i) {
      server.answers.push_back(readAnswer(node.element(i)));
    }
  } else {
    server.answers.push_back(readAnswer(node));
  }
  return server;
}

DefaultsValue readDefault(const Node& node) {
  const json& v = node.value;
  if (v.is_boolean()) return v.get<bool>();
  if (v.is_number_integer() || v.is_number_unsigned()) return node.integer(INT64_MIN, INT64_MAX);
  if (v.is_number_float()) return node.number();
  if (v.is_string()) return v.get<std::string>();
  // Data, dates, arrays and dictionaries are values the program never writes.
  if (v.is_array() || v.is_object()) return OtherDefaultsValue{v.dump()};
  node.expected("an integer, a number, a boolean, a string, an array or an object");
}

LoginItemSpec readLoginItem(const Node& node) {
  node.object({"status", "failure"});
  LoginItemSpec definition;
  if (node.has("status")) {
    Node s = node.member("status");
    std::string name = s.string();
    auto found = std::find_if(std::begin(kLoginStatuses), std::end(kLoginStatuses),
                              [&](const auto& k) { return k.name == name; });
    if (found == std::end(kLoginStatuses)) {
      s.fail("unknown status " + inQuotes(name) + " (known: " + namesOf(kLoginStatuses) + ")");
    }
    definition.status = found->status;
  }
  if (node.has("failure")) {
    Node f = node.member("failure");
    if (!f.value.is_null()) definition.failure = f.string();
  }
  return definition;
}

// Every element that stands for another app's extra names an extra of the scene.
void checkReferences(const Scene& scene) {
  const std::function<void(const std::vector<ExtraSpec>&, const std::string&)> check =
      [&](const std::vector<ExtraSpec>& elements, const std::string& pointer) {
        for (size_t i = 0; i < elements.size(); ++i) {
          const std::string at = pointer + "/" + std::to_string(i);
          if (const auto& reference = elements[i].standsFor) {
            const SceneApp* owner = scene.findApp(reference->pid);
            if (!owner || reference->index >= owner->definition.extras.size()) {
              throw FormatError{at + "/extraOf",
                                "no app of the scene with pid " + std::to_string(reference->pid) +
                                    " has an extra at index " + std::to_string(reference->index)};
            }
          }
          check(elements[i].children, at + "/children");
        }
      };
  for (const char* key : {"apps", "installed"}) {
    const auto& list = std::string_view(key) == "apps" ? scene.apps : scene.installed;
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string app = "/" + std::string(key) + "/" + std::to_string(i);
      check(list[i].definition.extras, app + "/extras");
      check(list[i].definition.windows, app + "/windows");
    }
  }
}

std::set<HotKeyCombo> readHotKeysTaken(const Node& list) {
  std::set<HotKeyCombo> taken;
  const auto& items = list.array();
  for (size_t i = 0; i < items.size(); ++i) {
    Node entry = list.element(i);
    auto combo = parseHotKey(entry.string());
    if (!combo) {
      entry.fail("expected a key combination like \"ctrl+opt+cmd+space\", found " +
                 inQuotes(entry.string()));
    }
    taken.insert(*combo);
  }
  return taken;
}

Scene readScene(const Node& root) {
  root.object(
      {"name", "os", "screen", "screens", "mainScreen", "accessibilityGranted", "strandel", "apps",
       "installed", "timeline", "updateServer", "defaults", "loginItem", "hotKeysTaken"},
      {"apps"});
  Scene scene;
  if (root.has("name")) scene.name = root.member("name").string();
  if (root.has("os")) scene.os = readSystem(root.member("os"));
  readScreens(root, scene);
  if (root.has("accessibilityGranted")) {
    scene.accessibilityGranted = root.member("accessibilityGranted").boolean();
  }
  if (root.has("strandel")) {
    Node self = root.member("strandel");
    self.object({"pid", "version"});
    if (self.has("pid"))
      scene.selfPid = static_cast<ProcessID>(self.member("pid").integer(1, kMaxPid));
    if (self.has("version")) scene.version = self.member("version").string();
  }

  std::map<ProcessID, std::string> pids{{scene.selfPid, "/strandel/pid (the program itself)"}};
  auto readApps = [&](const char* key, std::vector<SceneApp>& into) {
    if (!root.has(key)) return;
    Node list = root.member(key);
    const auto& items = list.array();
    for (size_t i = 0; i < items.size(); ++i) {
      Node entry = list.element(i);
      SceneApp app = readApp(entry);
      auto [at, inserted] = pids.emplace(app.definition.pid, entry.pointer());
      if (!inserted) {
        entry.member("pid").fail("the pid " + std::to_string(app.definition.pid) +
                                 " is already used by " + at->second);
      }
      into.push_back(std::move(app));
    }
  };
  readApps("apps", scene.apps);
  readApps("installed", scene.installed);
  checkReferences(scene);

  if (root.has("timeline")) readTimeline(root.member("timeline"), scene);
  if (root.has("updateServer")) scene.updateServer = readUpdateServer(root.member("updateServer"));
  if (root.has("loginItem")) scene.loginItem = readLoginItem(root.member("loginItem"));
  if (root.has("hotKeysTaken")) scene.hotKeysTaken = readHotKeysTaken(root.member("hotKeysTaken"));
  return scene;
}

// "defaults" takes any member names, so it is read apart from the fixed-member objects.
void readDefaults(const Node& root, Scene& scene) {
  if (!root.has("defaults")) return;
  Node defaults = root.member("defaults");
  if (!defaults.value.is_object()) defaults.expected("an object");
  for (const auto& [key, unused] : defaults.value.items()) {
    scene.defaults[key] = readDefault(defaults.member(key));
  }
}

std::string place(const std::string& fileName, TextPosition at) {
  return fileName + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

}  // namespace

std::vector<ScreenSpec> Scene::screens() const {
  std::vector<ScreenSpec> out;
  if (screen) out.push_back(*screen);
  out.insert(out.end(), moreScreens.begin(), moreScreens.end());
  return out;
}

const SceneApp* Scene::findApp(ProcessID pid) const {
  for (const auto* list : {&apps, &installed}) {
    for (const auto& app : *list) {
      if (app.definition.pid == pid) return &app;
    }
  }
  return nullptr;
}

std::variant<ProcessID, std::string> Scene::resolveApp(std::string_view reference) const {
  return scene_reading::AppIndex(*this).resolve(reference);
}

SceneLoad parseScene(std::string_view text, const std::string& fileName) {
  SceneLoad load;
  JsonDocument document;
  try {
    document = readJson(text);
  } catch (const JsonSyntaxError& e) {
    load.error = place(fileName, e.position) + ": invalid JSON: " + e.what();
    return load;
  }
  try {
    Node root{document.root};
    // The format's own fields come first; a defaults object is any key to any value.
    Scene scene = readScene(root);
    readDefaults(root, scene);
    load.scene = std::move(scene);
  } catch (const FormatError& e) {
    load.error = place(fileName, document.positionOf(e.pointer)) + ": " +
                 (e.pointer.empty() ? "(top level)" : e.pointer) + ": " + e.what;
  }
  return load;
}

SceneLoad loadSceneFile(const std::string& path) {
  ReadFailure failure;
  auto text = readWholeFile(path, &failure, kLargeFileLimit);
  if (!text) {
    SceneLoad load;
    load.error = path + ": cannot read the scene: " + failure.describe();
    return load;
  }
  return parseScene(*text, path);
}

std::string defaultScenePath() {
  return std::string(STRANDEL_RESOURCES_DIR) + "/scenes/default.json";
}

std::optional<AXError> axErrorNamed(std::string_view name) {
  return strandel::axErrorNamed(name);
}

std::string_view nameOf(AXError error) {
  return axErrorName(error).value_or("unknown");
}

std::string_view nameOf(ActivationPolicy policy) {
  switch (policy) {
    case ActivationPolicy::regular:
      return "regular";
    case ActivationPolicy::accessory:
      return "accessory";
    case ActivationPolicy::prohibited:
      return "prohibited";
  }
  return "unknown";
}

std::string_view nameOf(LoginItemStatus status) {
  for (const auto& entry : kLoginStatuses) {
    if (entry.status == status) return entry.name;
  }
  return "unknown";
}

const std::vector<std::string>& iconColours() {
  static const std::vector<std::string> colours = {"label", "red",   "orange", "yellow", "green",
                                                   "teal",  "cyan",  "blue",   "indigo", "purple",
                                                   "pink",  "brown", "grey",   "white",  "black"};
  return colours;
}

}  // namespace strandel::sim
