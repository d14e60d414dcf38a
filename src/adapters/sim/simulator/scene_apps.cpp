#include "adapters/sim/simulator/scene_apps.h"

namespace strandel::sim::scene_reading {

namespace {

AttributeFault readFault(const Node& node) {
  node.object({"error", "value"});
  if (!node.has("error") && !node.has("value")) {
    node.fail("a fault needs \"error\", \"value\" or both");
  }
  AttributeFault fault;
  if (node.has("error")) {
    Node e = node.member("error");
    if (e.value.is_number()) {
      // A code without a name, as a report from a newer system may hold.
      fault.error = static_cast<AXError>(
          e.integer(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    } else {
      auto found = strandel::axErrorNamed(e.string());
      if (!found) {
        e.fail("unknown error " + inQuotes(e.string()) + " (known: " + std::string(axErrorNames()) +
               ", or an integer code)");
      }
      fault.error = *found;
    }
  }
  if (node.has("value")) {
    Node v = node.member("value");
    if (!v.value.is_null()) {
      std::string kind = v.string();
      auto found = axValueKindNamed(kind);
      if (!found) {
        v.fail("unknown value kind " + inQuotes(kind) +
               " (known: " + std::string(axValueKindNames()) + ", or null for no value)");
      }
      fault.value = *found;
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
  auto error = strandel::axErrorNamed(e.string());
  if (!error || *error == AXError::success) {
    e.fail("unknown error " + inQuotes(e.string()) + " for a failing press");
  }
  return PressBehavior::fail(*error);
}

std::optional<std::string> optionalText(const Node& node, std::string_view name) {
  if (!node.has(name)) return std::nullopt;
  Node member = node.member(name);
  if (member.value.is_null()) return std::nullopt;
  return member.string();
}

ExtraReference readReference(const Node& node) {
  node.object({"pid", "index"}, {"pid", "index"});
  return ExtraReference{static_cast<ProcessID>(node.member("pid").integer(1, kMaxPid)),
                        static_cast<size_t>(node.member("index").integer(0, kMaxPid))};
}

// An extra of an extras bar, or (`inWindow`) an element of an app's windows: those have no
// role, action or "AXEnabled" unless given, and may have no frame (not laid out).
ExtraSpec readElement(const Node& node, bool inWindow) {
  if (inWindow && node.has("extraOf")) {
    node.object({"extraOf"});
    ExtraSpec reference;
    reference.standsFor = readReference(node.member("extraOf"));
    return reference;
  }
  node.object({"frame", "description", "actions", "faults", "press", "role", "subrole",
               "identifier", "title", "enabled", "children"},
              inWindow ? std::initializer_list<std::string_view>{}
                       : std::initializer_list<std::string_view>{"frame"});
  ExtraSpec extra;
  if (inWindow) {
    extra.role.reset();
    extra.actions.clear();
    extra.enabled.reset();
  }
  if (node.has("frame")) {
    Rect frame = readRect(node.member("frame"), false, true);
    extra.position = frame.origin;
    extra.size = frame.size;
  } else {
    extra.laidOut = false;
  }
  extra.description = optionalText(node, "description");
  if (node.has("role")) extra.role = optionalText(node, "role");
  extra.subrole = optionalText(node, "subrole");
  extra.identifier = optionalText(node, "identifier");
  extra.title = optionalText(node, "title");
  if (node.has("enabled")) {
    Node enabled = node.member("enabled");
    extra.enabled.reset();
    if (!enabled.value.is_null()) extra.enabled = enabled.boolean();
  }
  if (node.has("faults")) {
    extra.faults = readFaults(node.member("faults"),
                              {"AXPosition", "AXSize", "AXDescription", "AXActionNames", "AXTitle",
                               "AXRole", "AXSubrole", "AXIdentifier", "AXEnabled", "AXChildren"});
  }
  if (node.has("actions")) {
    Node actions = node.member("actions");
    const auto& names = actions.array();
    extra.actions.clear();
    for (size_t i = 0; i < names.size(); ++i) extra.actions.push_back(actions.element(i).string());
  }
  if (node.has("press")) extra.press = readPress(node.member("press"));
  if (node.has("children")) {
    Node children = node.member("children");
    const auto& items = children.array();
    for (size_t i = 0; i < items.size(); ++i) {
      extra.children.push_back(readElement(children.element(i), true));
    }
  }
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

}  // namespace

ExtraSpec readExtra(const Node& node) {
  return readElement(node, false);
}

SceneApp readApp(const Node& node) {
  node.object(
      {"pid", "name", "bundleIdentifier", "executable", "icon", "policy", "terminated", "extrasBar",
       "responseDelay", "quitsAfterListing", "faults", "barFaults", "extras", "windows"},
      {"pid", "name"});
  SceneApp app;
  AppSpec& definition = app.definition;
  definition.pid = static_cast<ProcessID>(node.member("pid").integer(1, kMaxPid));
  Node name = node.member("name");
  if (!name.value.is_null()) definition.name = name.string();
  definition.bundleIdentifier = optionalText(node, "bundleIdentifier");
  definition.executable = optionalText(node, "executable");
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
    definition.appFaults = readFaults(node.member("faults"), {"AXExtrasMenuBar", "AXWindows"});
  if (node.has("barFaults"))
    definition.barFaults = readFaults(node.member("barFaults"), {"AXChildren"});
  if (node.has("extras")) {
    Node extras = node.member("extras");
    const auto& items = extras.array();
    for (size_t i = 0; i < items.size(); ++i)
      definition.extras.push_back(readElement(extras.element(i), false));
  }
  if (node.has("windows")) {
    Node windows = node.member("windows");
    const auto& items = windows.array();
    for (size_t i = 0; i < items.size(); ++i)
      definition.windows.push_back(readElement(windows.element(i), true));
  }
  return app;
}

}  // namespace strandel::sim::scene_reading
