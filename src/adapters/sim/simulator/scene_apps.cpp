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

ExtraSpec readExtra(const Node& node) {
  node.object({"frame", "description", "actions", "faults", "press"}, {"frame"});
  ExtraSpec extra;
  Rect frame = readRect(node.member("frame"), false, true);
  extra.position = frame.origin;
  extra.size = frame.size;
  if (node.has("description")) {
    Node d = node.member("description");
    if (!d.value.is_null()) extra.description = d.string();
  }
  if (node.has("faults")) {
    extra.faults = readFaults(node.member("faults"),
                              {"AXPosition", "AXSize", "AXDescription", "AXActionNames"});
  }
  if (node.has("actions")) {
    Node actions = node.member("actions");
    const auto& names = actions.array();
    extra.actions.clear();
    for (size_t i = 0; i < names.size(); ++i) extra.actions.push_back(actions.element(i).string());
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

}  // namespace

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

}  // namespace strandel::sim::scene_reading
