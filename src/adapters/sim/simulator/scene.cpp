#include "adapters/sim/simulator/scene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "adapters/sim/services/regular_file.h"
#include "adapters/sim/simulator/json_reader.h"

#ifndef STRANDEL_RESOURCES_DIR
#define STRANDEL_RESOURCES_DIR "resources"
#endif

namespace strandel::sim {

namespace {

using nlohmann::json;

// A fault in a scene that parsed as JSON: where (a JSON pointer) and what.
struct FormatError {
  std::string pointer;
  std::string what;
};

constexpr struct {
  std::string_view name;
  AXError error;
} kAXErrors[] = {
    {"success", AXError::success},
    {"failure", AXError::failure},
    {"illegalArgument", AXError::illegalArgument},
    {"invalidUIElement", AXError::invalidUIElement},
    {"cannotComplete", AXError::cannotComplete},
    {"attributeUnsupported", AXError::attributeUnsupported},
    {"actionUnsupported", AXError::actionUnsupported},
    {"apiDisabled", AXError::apiDisabled},
    {"noValue", AXError::noValue},
};

constexpr struct {
  std::string_view name;
  ValueKind kind;
} kValueKinds[] = {
    {"number", ValueKind::number}, {"string", ValueKind::string},   {"point", ValueKind::point},
    {"size", ValueKind::size},     {"element", ValueKind::element}, {"array", ValueKind::array},
};

constexpr struct {
  std::string_view name;
  LoginItemStatus status;
} kLoginStatuses[] = {
    {"notRegistered", LoginItemStatus::notRegistered},
    {"enabled", LoginItemStatus::enabled},
    {"requiresApproval", LoginItemStatus::requiresApproval},
    {"notFound", LoginItemStatus::notFound},
};

std::string typeName(const json& v) {
  switch (v.type()) {
    case json::value_t::null:
      return "null";
    case json::value_t::boolean:
      return "a boolean";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
      return "an integer";
    case json::value_t::number_float:
      return "a number";
    case json::value_t::string:
      return "a string";
    case json::value_t::array:
      return "an array";
    case json::value_t::object:
      return "an object";
    default:
      return "an unknown value";
  }
}

std::string inQuotes(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

template <typename List>
std::string namesOf(const List& list) {
  std::string out;
  for (const auto& entry : list) {
    if (!out.empty()) out += ", ";
    out += std::string(entry.name);
  }
  return out;
}

size_t codePoints(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// A value of the document with its pointer, so that every complaint can say where.
struct Node {
  const json& value;
  std::string pointer;

  Node member(std::string_view name) const {
    return Node{value.at(std::string(name)), pointer + "/" + jsonPointerToken(name)};
  }
  Node element(size_t index) const {
    return Node{value.at(index), pointer + "/" + std::to_string(index)};
  }
  bool has(std::string_view name) const {
    return value.is_object() && value.contains(std::string(name));
  }

  [[noreturn]] void fail(const std::string& what) const { throw FormatError{pointer, what}; }
  [[noreturn]] void expected(const std::string& what) const {
    fail("expected " + what + ", found " + typeName(value));
  }

  // An object whose members are all among `known`, and that has every one of `required`.
  void object(std::initializer_list<std::string_view> known,
              std::initializer_list<std::string_view> required = {}) const {
    if (!value.is_object()) expected("an object");
    for (const auto& [name, unused] : value.items()) {
      if (std::find(known.begin(), known.end(), name) != known.end()) continue;
      std::string list;
      for (auto k : known) list += (list.empty() ? "" : ", ") + std::string(k);
      member(name).fail("unknown member " + inQuotes(name) + " (known: " + list + ")");
    }
    for (auto name : required) {
      if (!has(name)) fail("missing member " + inQuotes(name));
    }
  }

  const json::array_t& array() const {
    if (!value.is_array()) expected("an array");
    return value.get_ref<const json::array_t&>();
  }

  std::string string() const {
    if (!value.is_string()) expected("a string");
    return value.get<std::string>();
  }

  bool boolean() const {
    if (!value.is_boolean()) expected("true or false");
    return value.get<bool>();
  }

  double number() const {
    if (!value.is_number()) expected("a number");
    double d = value.get<double>();
    if (!std::isfinite(d)) fail("the number is out of range");
    return d;
  }

  double atLeast(double minimum, const char* meaning) const {
    double d = number();
    if (d < minimum) fail(std::string(meaning) + " cannot be negative");
    return d;
  }

  int64_t integer(int64_t minimum, int64_t maximum) const {
    if (value.is_number_float()) {
      double d = value.get<double>();
      if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9e15) {
        return checkRange(static_cast<int64_t>(d), minimum, maximum);
      }
      expected("an integer");
    }
    if (value.is_number_unsigned() &&
        value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
      fail("the integer must be from " + std::to_string(minimum) + " to " +
           std::to_string(maximum));
    }
    if (!value.is_number_integer()) expected("an integer");
    return checkRange(value.get<int64_t>(), minimum, maximum);
  }

  int64_t checkRange(int64_t i, int64_t minimum, int64_t maximum) const {
    if (i < minimum || i > maximum) {
      fail("the integer must be from " + std::to_string(minimum) + " to " +
           std::to_string(maximum));
    }
    return i;
  }
};

constexpr int64_t kMaxPid = std::numeric_limits<int32_t>::max();
constexpr double kMaxTime = 24 * 60 * 60;

Rect readRect(const Node& node, bool sizeMustBePositive, bool sizeMayBeNegative) {
  const auto& items = node.array();
  if (items.size() != 4) {
    node.fail("expected [x, y, width, height], found an array of " + std::to_string(items.size()));
  }
  double n[4];
  for (size_t i = 0; i < 4; ++i) n[i] = node.element(i).number();
  for (size_t i = 2; i < 4; ++i) {
    const char* which = i == 2 ? "width" : "height";
    if (sizeMustBePositive && n[i] <= 0) {
      node.element(i).fail(std::string("the ") + which + " must be greater than 0");
    }
    if (!sizeMayBeNegative && n[i] < 0) {
      node.element(i).fail(std::string("the ") + which + " cannot be negative");
    }
  }
  return Rect{Point{n[0], n[1]}, Size{n[2], n[3]}};
}

AttributeFault readFault(const Node& node) {
  node.object({"error", "value"});
  if (!node.has("error") && !node.has("value")) {
    node.fail("a fault needs \"error\", \"value\" or both");
  }
  AttributeFault fault;
  if (node.has("error")) {
    Node e = node.member("error");
    auto found = axErrorNamed(e.string());
    if (!found) {
      e.fail("unknown error " + inQuotes(e.string()) + " (known: " + namesOf(kAXErrors) + ")");
    }
    fault.error = *found;
  }
  if (node.has("value")) {
    Node v = node.member("value");
    if (!v.value.is_null()) {
      std::string kind = v.string();
      auto found = std::find_if(std::begin(kValueKinds), std::end(kValueKinds),
                                [&](const auto& k) { return k.name == kind; });
      if (found == std::end(kValueKinds)) {
        v.fail("unknown value kind " + inQuotes(kind) + " (known: " + namesOf(kValueKinds) +
               ", or null for no value)");
      }
      fault.value = found->kind;
    }
  }
  return fault;
}

AttributeFaults readFaults(const Node& node, std::initializer_list<std::string_view> attributes) {
  if (!node.value.is_object()) node.expected("an object");
  AttributeFaults faults;
  for (const auto& [name, unused] : node.value.items()) {
    Node entry = node.member(name);
    if (std::find(attributes.begin(), attributes.end(), name) == attributes.end()) {
      std::string list;
      for (auto a : attributes) list += (list.empty() ? "" : ", ") + std::string(a);
      entry.fail("unknown fault " + inQuotes(name) + " (faults here: " + list + ")");
    }
    faults[name] = readFault(entry);
  }
  return faults;
}

PressBehavior readPress(const Node& node) {
  if (node.value.is_string()) {
    std::string kind = node.string();
    if (kind == "accept") return PressBehavior::accept();
    if (kind == "quitApp") return PressBehavior::quitApp();
    node.fail("unknown press " + inQuotes(kind) +
              " (known: \"accept\", \"quitApp\", or {\"fail\": error})");
  }
  if (!node.value.is_object()) node.expected("\"accept\", \"quitApp\" or {\"fail\": error}");
  node.object({"fail"}, {"fail"});
  Node e = node.member("fail");
  auto error = axErrorNamed(e.string());
  if (!error || *error == AXError::success) {
    e.fail("unknown error " + inQuotes(e.string()) + " for a failing press");
  }
  return PressBehavior::fail(*error);
}

ExtraSpec readExtra(const Node& node) {
  node.object({"frame", "description", "faults", "press"}, {"frame"});
  ExtraSpec extra;
  Rect frame = readRect(node.member("frame"), false, true);
  extra.position = frame.origin;
  extra.size = frame.size;
  if (node.has("description")) {
    Node d = node.member("description");
    if (!d.value.is_null()) extra.description = d.string();
  }
  if (node.has("faults")) {
    extra.faults = readFaults(node.member("faults"), {"AXPosition", "AXSize", "AXDescription"});
  }
  if (node.has("press")) extra.press = readPress(node.member("press"));
  return extra;
}

IconSpec readIcon(const Node& node) {
  node.object({"glyph", "colour"}, {"glyph"});
  IconSpec icon;
  Node g = node.member("glyph");
  icon.glyph = g.string();
  if (icon.glyph.empty()) g.fail("the glyph cannot be empty");
  if (codePoints(icon.glyph) > 4) g.fail("the glyph must be one character (at most 4 code points)");
  for (char c : icon.glyph) {
    if (static_cast<unsigned char>(c) < 0x20) g.fail("the glyph cannot hold control characters");
  }
  icon.colour = "label";
  if (node.has("colour")) {
    Node c = node.member("colour");
    icon.colour = c.string();
    const auto& known = iconColours();
    if (std::find(known.begin(), known.end(), icon.colour) == known.end()) {
      std::string list;
      for (const auto& k : known) list += (list.empty() ? "" : ", ") + k;
      c.fail("unknown colour " + inQuotes(icon.colour) + " (known: " + list + ")");
    }
  }
  return icon;
}

SceneApp readApp(const Node& node) {
  node.object({"pid", "name", "icon", "policy", "terminated", "extrasBar", "responseDelay",
               "quitsAfterListing", "faults", "barFaults", "extras"},
              {"pid", "name"});
  SceneApp app;
  AppSpec& definition = app.definition;
  definition.pid = static_cast<ProcessID>(node.member("pid").integer(1, kMaxPid));
  Node name = node.member("name");
  if (!name.value.is_null()) definition.name = name.string();
  if (node.has("icon")) {
    Node icon = node.member("icon");
    if (!icon.value.is_null()) app.icon = readIcon(icon);
  }
  if (node.has("policy")) {
    Node p = node.member("policy");
    std::string policy = p.string();
    if (policy == "regular") {
      definition.activationPolicy = ActivationPolicy::regular;
    } else if (policy == "accessory") {
      definition.activationPolicy = ActivationPolicy::accessory;
    } else if (policy == "prohibited") {
      definition.activationPolicy = ActivationPolicy::prohibited;
    } else {
      p.fail("unknown policy " + inQuotes(policy) + " (known: regular, accessory, prohibited)");
    }
  }
  if (node.has("terminated")) definition.terminated = node.member("terminated").boolean();
  if (node.has("extrasBar")) definition.hasExtrasBar = node.member("extrasBar").boolean();
  if (node.has("responseDelay")) {
    definition.responseDelay = node.member("responseDelay").atLeast(0, "a delay");
    if (definition.responseDelay > 60) {
      node.member("responseDelay").fail("a response delay above 60 seconds");
    }
  }
  if (node.has("quitsAfterListing")) {
    definition.quitsAfterListing = node.member("quitsAfterListing").boolean();
  }
  if (node.has("faults"))
    definition.appFaults = readFaults(node.member("faults"), {"AXExtrasMenuBar"});
  if (node.has("barFaults"))
    definition.barFaults = readFaults(node.member("barFaults"), {"AXChildren"});
  if (node.has("extras")) {
    Node extras = node.member("extras");
    const auto& items = extras.array();
    for (size_t i = 0; i < items.size(); ++i)
      definition.extras.push_back(readExtra(extras.element(i)));
  }
  return app;
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

// A reference to an app in the timeline: its pid, or its name when that is unique.
ProcessID readAppReference(const Node& node, const Scene& scene) {
  if (node.value.is_number()) {
    auto pid = static_cast<ProcessID>(node.integer(1, kMaxPid));
    if (!scene.findApp(pid)) node.fail("no app in the scene has pid " + std::to_string(pid));
    return pid;
  }
  auto resolved = scene.resolveApp(node.string());
  if (auto* error = std::get_if<std::string>(&resolved)) node.fail(*error);
  return std::get<ProcessID>(resolved);
}

void readTimeline(const Node& node, Scene& scene) {
  const auto& items = node.array();
  std::vector<std::pair<SceneEvent, std::string>> events;  // with their pointers
  for (size_t i = 0; i < items.size(); ++i) {
    Node entry = node.element(i);
    entry.object({"at", "launch", "quit", "accessibility"}, {"at"});
    SceneEvent event;
    Node at = entry.member("at");
    event.at = at.atLeast(0, "a time");
    if (event.at > kMaxTime) at.fail("a time beyond 24 hours");
    int kinds = 0;
    if (entry.has("launch")) {
      ++kinds;
      event.kind = SceneEvent::Kind::launch;
      event.pid = readAppReference(entry.member("launch"), scene);
    }
    if (entry.has("quit")) {
      ++kinds;
      event.kind = SceneEvent::Kind::quit;
      event.pid = readAppReference(entry.member("quit"), scene);
    }
    if (entry.has("accessibility")) {
      ++kinds;
      event.kind = SceneEvent::Kind::accessibility;
      event.granted = entry.member("accessibility").boolean();
    }
    if (kinds != 1)
      entry.fail("an event has exactly one of \"launch\", \"quit\", \"accessibility\"");
    events.emplace_back(event, entry.pointer);
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const auto& a, const auto& b) { return a.first.at < b.first.at; });
  // Play the launches and quits through, so that the timeline never asks the impossible.
  std::set<ProcessID> running;
  for (const auto& app : scene.apps) running.insert(app.definition.pid);
  for (const auto& [event, pointer] : events) {
    if (event.kind == SceneEvent::Kind::launch && !running.insert(event.pid).second) {
      throw FormatError{pointer + "/launch", "the app with pid " + std::to_string(event.pid) +
                                                 " is already running at that time"};
    }
    if (event.kind == SceneEvent::Kind::quit && running.erase(event.pid) == 0) {
      throw FormatError{pointer + "/quit", "the app with pid " + std::to_string(event.pid) +
                                               " is not running at that time"};
    }
    scene.timeline.push_back(event);
  }
}

Scene readScene(const Node& root) {
  root.object({"name", "screen", "accessibilityGranted", "strandel", "apps", "installed",
               "timeline", "updateServer", "defaults", "loginItem"},
              {"screen", "apps"});
  Scene scene;
  if (root.has("name")) scene.name = root.member("name").string();
  Node screen = root.member("screen");
  if (!screen.value.is_null()) scene.screen = readScreen(screen);
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
      auto [at, inserted] = pids.emplace(app.definition.pid, entry.pointer);
      if (!inserted) {
        entry.member("pid").fail("the pid " + std::to_string(app.definition.pid) +
                                 " is already used by " + at->second);
      }
      into.push_back(std::move(app));
    }
  };
  readApps("apps", scene.apps);
  readApps("installed", scene.installed);

  if (root.has("timeline")) readTimeline(root.member("timeline"), scene);
  if (root.has("updateServer")) scene.updateServer = readUpdateServer(root.member("updateServer"));
  if (root.has("loginItem")) scene.loginItem = readLoginItem(root.member("loginItem"));
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

const SceneApp* Scene::findApp(ProcessID pid) const {
  for (const auto* list : {&apps, &installed}) {
    for (const auto& app : *list) {
      if (app.definition.pid == pid) return &app;
    }
  }
  return nullptr;
}

std::variant<ProcessID, std::string> Scene::resolveApp(std::string_view reference) const {
  std::vector<ProcessID> matches;
  for (const auto* list : {&apps, &installed}) {
    for (const auto& app : *list) {
      if (app.definition.name && *app.definition.name == reference)
        matches.push_back(app.definition.pid);
    }
  }
  if (matches.size() == 1) return matches.front();
  if (matches.size() > 1) {
    return "the name " + inQuotes(reference) + " belongs to " + std::to_string(matches.size()) +
           " apps; use the pid";
  }
  int64_t pid = 0;
  bool digits =
      !reference.empty() && reference.size() < 11 &&
      std::all_of(reference.begin(), reference.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits) {
    pid = std::stoll(std::string(reference));
    if (pid <= kMaxPid && findApp(static_cast<ProcessID>(pid))) {
      return static_cast<ProcessID>(pid);
    }
  }
  return "no app in the scene is named or has the pid " + inQuotes(reference);
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
    Node root{document.root, ""};
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
  for (const auto& entry : kAXErrors) {
    if (entry.name == name) return entry.error;
  }
  return std::nullopt;
}

std::string_view nameOf(AXError error) {
  for (const auto& entry : kAXErrors) {
    if (entry.error == error) return entry.name;
  }
  return "unknown";
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
