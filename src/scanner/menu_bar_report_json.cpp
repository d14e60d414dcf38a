// A menu bar report written as a scene file (docs/scene-format.md): what the simulator reads
// back as a Mac whose reads answer exactly what this Mac's answered.
#include <algorithm>
#include <cmath>
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

Json extraJson(const MenuBarReport::Extra& extra) {
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
  if (!faults.empty()) out["faults"] = faults;
  return out;
}

std::string appJson(const MenuBarReport::App& app, const std::string& indent) {
  Json head = Json::object();
  head["pid"] = app.pid;
  head["name"] = app.name ? Json(*app.name) : Json(nullptr);
  double delay = std::round(app.responseTime * 1000) / 1000;
  if (std::isfinite(delay) && delay > 0) head["responseDelay"] = std::min(delay, kMaxResponseDelay);

  const AXReadOutcome& bar = app.extrasBar;
  if (bar.error == AXError::noValue && !bar.kind) {
    head["extrasBar"] = false;
  } else if (!bar.succeededWith(AXValueKind::element)) {
    head["faults"] = Json{{"AXExtrasMenuBar", fault(bar)}};
  }
  if (app.children && !app.children->succeededWith(AXValueKind::array)) {
    head["barFaults"] = Json{{"AXChildren", fault(*app.children)}};
  } else if (app.children && app.extras.empty() && app.otherChildren > 0) {
    // Children that are not elements are left out by a scan, as an array fault's are.
    head["barFaults"] = Json{{"AXChildren", Json{{"value", "array"}}}};
  }
  std::string out = text(head);
  if (app.extras.empty()) return out;
  out.pop_back();  // the closing brace: the extras follow, one per line
  out += ",\"extras\":[";
  for (size_t i = 0; i < app.extras.size(); ++i) {
    out += (i == 0 ? "\n" : ",\n") + indent + "  " + text(extraJson(app.extras[i]));
  }
  return out + "\n" + indent + "]}";
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
  Json screenJson = nullptr;
  if (screen) {
    screenJson = Json::object();
    screenJson["frame"] = rect(screen->frame);
    if (screen->topLeftArea) screenJson["topLeftArea"] = rect(*screen->topLeftArea);
    if (screen->topRightArea) screenJson["topRightArea"] = rect(*screen->topRightArea);
  }

  std::string out = "{\n";
  out += "  \"name\": \"menu bar report\",\n";
  out += "  \"os\": " + text(os) + ",\n";
  out += "  \"screen\": " + text(screenJson) + ",\n";
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
