// A menu bar report written as a scene file (docs/scene-format.md): what the simulator reads
// back as a Mac whose reads answer exactly what this Mac's answered.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "scanner/menu_bar_report.h"

namespace strandel {

namespace {

using Json = nlohmann::ordered_json;

// Scenes accept response delays up to a minute; milliseconds say enough.
constexpr double kMaxResponseDelay = 60;

std::string text(const Json& value) {
  // Text that is not UTF-8 is written with replacement characters rather than refused.
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json rect(const Rect& r) {
  return Json::array({r.origin.x, r.origin.y, r.size.width, r.size.height});
}

Json errorJson(AXError error) {
  if (auto name = axErrorName(error)) return std::string(*name);
  return static_cast<int32_t>(error);
}

// A read that did not answer what the scan expects, as the scene's fault that answers the
// same: the error, the kind of value, or both; a success without a value is a null value.
Json fault(const AXReadOutcome& outcome) {
  Json out = Json::object();
  if (outcome.error != AXError::success) out["error"] = errorJson(outcome.error);
  if (outcome.kind) {
    out["value"] = std::string(axValueKindName(*outcome.kind));
  } else if (outcome.error == AXError::success) {
    out["value"] = nullptr;
  }
  return out;
}

void optionalText(Json& out, const char* name, const std::optional<std::string>& value) {
  if (value) out[name] = *value;
}

// An element of a dumped tree as a scene's element: elements without a role, action or
// "AXEnabled" unless written, and without a frame when either half could not be read.
Json elementJson(const MenuBarReport::Element& element) {
  Json out = Json::object();
  if (element.extraOf) {
    out["extraOf"] = Json{{"pid", element.extraOf->first}, {"index", element.extraOf->second}};
    return out;
  }
  if (element.position && element.size) out["frame"] = rect(Rect{*element.position, *element.size});
  optionalText(out, "role", element.role);
  optionalText(out, "subrole", element.subrole);
  optionalText(out, "identifier", element.identifier);
  optionalText(out, "title", element.title);
  optionalText(out, "description", element.description);
  if (element.enabled) out["enabled"] = *element.enabled;
  if (!element.actions.empty()) out["actions"] = element.actions;
  if (!element.children.empty()) {
    Json children = Json::array();
    for (const auto& child : element.children) children.push_back(elementJson(child));
    out["children"] = children;
  }
  return out;
}

// What a dump adds to an extra, against the defaults of an extras bar's children.
void addDetails(Json& out, const MenuBarReport::Element& details) {
  if (details.role != std::optional<std::string>("AXMenuBarItem")) {
    out["role"] = details.role ? Json(*details.role) : Json(nullptr);
  }
  optionalText(out, "subrole", details.subrole);
  optionalText(out, "identifier", details.identifier);
  optionalText(out, "title", details.title);
  if (details.enabled != std::optional<bool>(true)) {
    out["enabled"] = details.enabled ? Json(*details.enabled) : Json(nullptr);
  }
  if (!details.children.empty()) {
    Json children = Json::array();
    for (const auto& child : details.children) children.push_back(elementJson(child));
    out["children"] = children;
  }
}

Json extraJson(const MenuBarReport::Extra& extra, const MenuBarReport::Element* details) {
  Json out = Json::object();
  const bool hasPoint = extra.position.succeededWith(AXValueKind::point);
  const bool hasSize = extra.size.succeededWith(AXValueKind::size);
  // A part that could not be read is written as 0 and its fault answers in its place.
  out["frame"] = rect(Rect{hasPoint ? extra.point : Point{}, hasSize ? extra.extent : Size{}});
  if (extra.description.succeededWith(AXValueKind::string)) out["description"] = extra.text;
  const bool defaultActions =
      extra.actionNames && *extra.actionNames == std::vector<std::string>{"AXPress"};
  if (extra.actionNames && !defaultActions) out["actions"] = *extra.actionNames;

  Json faults = Json::object();
  if (!hasPoint) faults["AXPosition"] = fault(extra.position);
  if (!hasSize) faults["AXSize"] = fault(extra.size);
  const bool noDescription = extra.description.error == AXError::noValue && !extra.description.kind;
  if (!extra.description.succeededWith(AXValueKind::string) && !noDescription) {
    faults["AXDescription"] = fault(extra.description);
  }
  if (!extra.actionNames) faults["AXActionNames"] = fault(extra.actions);
  if (details) addDetails(out, *details);
  if (!faults.empty()) out["faults"] = faults;
  return out;
}

std::string appJson(const MenuBarReport::App& app, const std::string& indent) {
  Json head = Json::object();
  head["pid"] = app.pid;
  head["name"] = app.name ? Json(*app.name) : Json(nullptr);
  if (app.bundleIdentifier) head["bundleIdentifier"] = *app.bundleIdentifier;
  double delay = std::round(app.responseTime * 1000) / 1000;
  // An app that answered is written as answering within the time-out, however much longer
  // this Mac took to hand the answer on, so that its replay answers too.
  const bool timedOut = app.extrasBar.error == AXError::cannotComplete ||
                        (app.windowsRead && app.windowsRead->error == AXError::cannotComplete);
  if (!timedOut) {
    delay = std::min(delay, static_cast<double>(MenuBarScanner::kScanTimeout) - 0.001);
  }
  if (std::isfinite(delay) && delay > 0) head["responseDelay"] = std::min(delay, kMaxResponseDelay);

  const AXReadOutcome& bar = app.extrasBar;
  if (bar.error == AXError::noValue && !bar.kind) {
    head["extrasBar"] = false;
  } else if (!bar.succeededWith(AXValueKind::element)) {
    head["faults"] = Json{{"AXExtrasMenuBar", fault(bar)}};
  }
  if (app.windowsRead && !app.windowsRead->succeededWith(AXValueKind::array)) {
    if (!head.contains("faults")) head["faults"] = Json::object();
    head["faults"]["AXWindows"] = fault(*app.windowsRead);
  }
  if (app.children && !app.children->succeededWith(AXValueKind::array)) {
    head["barFaults"] = Json{{"AXChildren", fault(*app.children)}};
  } else if (app.children && app.extras.empty() && app.otherChildren > 0) {
    // Children that are not elements are left out by a scan, as an array fault's are.
    head["barFaults"] = Json{{"AXChildren", Json{{"value", "array"}}}};
  }
  std::string out = text(head);
  if (app.extras.empty() && app.windows.empty()) return out;
  out.pop_back();  // the closing brace: the extras and windows follow, one per line
  auto list = [&](const char* name, size_t count, const std::function<Json(size_t)>& item) {
    if (count == 0) return;
    out += std::string(",\"") + name + "\":[";
    for (size_t i = 0; i < count; ++i)
      out += (i == 0 ? "\n" : ",\n") + indent + "  " + text(item(i));
    out += "\n" + indent + "]";
  };
  list("extras", app.extras.size(), [&](size_t i) {
    return extraJson(app.extras[i], i < app.extraTrees.size() ? &app.extraTrees[i] : nullptr);
  });
  list("windows", app.windows.size(), [&](size_t i) { return elementJson(app.windows[i]); });
  return out + "}";
}

std::string versionText(const OperatingSystemVersion& v) {
  return std::to_string(v.majorVersion) + "." + std::to_string(v.minorVersion) + "." +
         std::to_string(v.patchVersion);
}

}  // namespace

std::string MenuBarReport::json() const {
  Json os = Json::object();
  os["version"] = versionText(osVersion);
  os["description"] = osVersionString;
  auto screenJson = [](const Screen& screen) {
    Json out = Json::object();
    out["frame"] = rect(screen.frame);
    if (screen.topLeftArea) out["topLeftArea"] = rect(*screen.topLeftArea);
    if (screen.topRightArea) out["topRightArea"] = rect(*screen.topRightArea);
    return out;
  };

  std::string out = "{\n";
  // Where the report stopped short is said in its name, which a replay shows first.
  std::string name = "menu bar report";
  for (size_t i = 0; i < stops.size(); ++i)
    name += (i == 0 ? ", stopped short: " : "; ") + stops[i];
  out += "  \"name\": " + text(name) + ",\n";
  out += "  \"os\": " + text(os) + ",\n";
  if (screens.size() < 2) {
    out +=
        "  \"screen\": " + (screens.empty() ? "null" : text(screenJson(screens.front()))) + ",\n";
  } else {
    out += "  \"screens\": [";
    for (size_t i = 0; i < screens.size(); ++i) {
      out += (i == 0 ? "\n    " : ",\n    ") + text(screenJson(screens[i]));
    }
    out += "\n  ],\n";
    if (mainScreen != 0) out += "  \"mainScreen\": " + std::to_string(mainScreen) + ",\n";
  }
  out += "  \"accessibilityGranted\": true,\n";
  out += "  \"strandel\": " + text(Json{{"pid", ownPid}}) + ",\n";
  out += "  \"apps\": [";
  for (size_t i = 0; i < apps.size(); ++i) {
    out += (i == 0 ? "\n    " : ",\n    ") + appJson(apps[i], "    ");
  }
  out += apps.empty() ? "]\n" : "\n  ]\n";
  return out + "}\n";
}

}  // namespace strandel
