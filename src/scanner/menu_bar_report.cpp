#include "scanner/menu_bar_report.h"

#include <map>
#include <string_view>
#include <utility>

#include "ports/platform.h"
#include "scanner/agent_hosting.h"
#include "scanner/control_center_hosting.h"
#include "scanner/menu_bar_report_reading.h"

namespace strandel {

namespace report {

namespace {

AXValueKind kindOf(Accessibility& ax, const AXRef& value) {
  const TypeID type = ax.typeID(value);
  if (type == ax.elementTypeID()) return AXValueKind::element;
  if (type == ax.arrayTypeID()) return AXValueKind::array;
  if (type == ax.stringTypeID()) return AXValueKind::string;
  if (type == ax.numberTypeID()) return AXValueKind::number;
  if (type == ax.valueTypeID()) {
    Point point{};
    if (ax.valueGetPoint(value, point)) return AXValueKind::point;
    Size size{};
    if (ax.valueGetSize(value, size)) return AXValueKind::size;
    return AXValueKind::otherValue;
  }
  return AXValueKind::other;
}

}  // namespace

AXReadOutcome outcomeOf(Accessibility& ax, AXError error, const AXRef& value) {
  AXReadOutcome outcome{error, std::nullopt};
  if (value) outcome.kind = kindOf(ax, value);
  return outcome;
}

AXReadOutcome readAttribute(Accessibility& ax, const AXRef& element, std::string_view attribute,
                            AXRef& value) {
  const AXError error = ax.copyAttributeValue(element, attribute, value);
  return outcomeOf(ax, error, value);
}

std::string appLabel(const std::optional<std::string>& name, ProcessID pid) {
  return name.value_or("an app without a name") + " (pid " + std::to_string(pid) + ")";
}

void bound(Accessibility& ax, const AXRef& element) {
  ax.setMessagingTimeout(element, MenuBarScanner::kScanTimeout);
}

}  // namespace report

namespace {

using report::readAttribute;
using report::ReportTime;

// What a scan reads of an extra; none when the report's time ran out before all of it.
std::optional<MenuBarReport::Extra> readExtra(Accessibility& ax, ReportTime& time,
                                              const AXRef& child) {
  MenuBarReport::Extra extra;
  AXRef value;
  report::bound(ax, child);
  if (time.up()) return std::nullopt;
  extra.position = readAttribute(ax, child, "AXPosition", value);
  if (extra.position.succeededWith(AXValueKind::point)) ax.valueGetPoint(value, extra.point);
  if (time.up()) return std::nullopt;
  extra.size = readAttribute(ax, child, "AXSize", value);
  if (extra.size.succeededWith(AXValueKind::size)) ax.valueGetSize(value, extra.extent);
  if (time.up()) return std::nullopt;
  extra.description = readAttribute(ax, child, "AXDescription", value);
  if (extra.description.succeededWith(AXValueKind::string)) extra.text = ax.stringValue(value);
  if (time.up()) return std::nullopt;

  value.reset();
  extra.actions = report::outcomeOf(ax, ax.copyActionNames(child, value), value);
  if (extra.actions.succeededWith(AXValueKind::array)) {
    std::vector<std::string> names;
    bool allStrings = true;
    for (const AXRef& name : ax.arrayValues(value)) {
      if (!name || ax.typeID(name) != ax.stringTypeID()) {
        allStrings = false;
        break;
      }
      names.push_back(ax.stringValue(name));
    }
    if (allStrings) extra.actionNames = std::move(names);
  }
  return extra;
}

// The elements a dumped tree may point at: each app's extras, by pid.
using ExtraElements = std::map<ProcessID, std::vector<AXRef>>;

MenuBarReport::App readApp(Accessibility& ax, Clock& clock, ReportTime& time,
                           const MenuBarScanner::Context::App& context, AXRef& appElement,
                           std::vector<AXRef>& extraElements) {
  MenuBarReport::App app;
  app.pid = context.pid;
  app.name = context.name;
  appElement = ax.createApplication(context.pid);
  if (!appElement) {
    app.extrasBar = AXReadOutcome{AXError::invalidUIElement, std::nullopt};
    return app;
  }
  report::bound(ax, appElement);

  AXRef bar;
  const Date asked = clock.now();
  app.extrasBar = readAttribute(ax, appElement, "AXExtrasMenuBar", bar);
  app.responseTime = clock.now().timeIntervalSince(asked);
  // As the scan does, only a bar that came back as an element without an error is asked
  // for its children: nothing more goes to an app that may be hung.
  if (!app.extrasBar.succeededWith(AXValueKind::element)) return app;

  report::bound(ax, bar);
  if (time.up()) {
    time.noteStop("before the extras of " + report::appLabel(app.name, app.pid));
    return app;
  }
  AXRef children;
  app.children = readAttribute(ax, bar, "AXChildren", children);
  if (!app.children->succeededWith(AXValueKind::array)) return app;
  for (const AXRef& child : ax.arrayValues(children)) {
    if (!child || ax.typeID(child) != ax.elementTypeID()) {
      ++app.otherChildren;
      continue;
    }
    std::optional<MenuBarReport::Extra> extra = readExtra(ax, time, child);
    if (!extra) {
      time.noteStop("at extra " + std::to_string(app.extras.size() + 1) + " of " +
                    report::appLabel(app.name, app.pid) + ": it and those after it are left out");
      break;
    }
    app.extras.push_back(std::move(*extra));
    extraElements.push_back(child);
  }
  return app;
}

}  // namespace

MenuBarReport::Request MenuBarReport::snapshot(ProcessID excluding) {
  Request request;
  request.context = MenuBarScanner::makeContext(excluding);
  request.ownPid = excluding;
  // Told by the display's number: mirrored screens have the same frames.
  const std::shared_ptr<const strandel::Screen> main = platform().screens->mainScreen();
  for (const std::shared_ptr<const strandel::Screen>& screen : platform().screens->screens()) {
    if (!screen) continue;
    if (main && main->displayID() == screen->displayID()) {
      request.mainScreen = request.screens.size();
    }
    request.screens.push_back(
        Screen{screen->frame(), screen->auxiliaryTopLeftArea(), screen->auxiliaryTopRightArea()});
  }
  return request;
}

MenuBarReport MenuBarReport::read(const Request& request) {
  Platform& p = platform();
  Accessibility& ax = *p.accessibility;
  MenuBarReport report;
  report.ownPid = request.ownPid;
  report.screens = request.screens;
  report.mainScreen = request.mainScreen;
  report.osVersion = p.processInfo->operatingSystemVersion();
  report.osVersionString = p.processInfo->operatingSystemVersionString();
  ReportTime time(*p.clock, report.stops);
  ExtraElements extras;
  std::vector<AXRef> appElements;
  const auto& apps = request.context.apps;
  for (size_t i = 0; i < apps.size(); ++i) {
    const MenuBarScanner::Context::App& app = apps[i];
    if (time.up()) {
      const size_t left = apps.size() - i;
      time.noteStop("before " + report::appLabel(app.name, app.pid) +
                    (left > 1 ? " and the " + std::to_string(left - 1) + " apps after it" : "") +
                    ": left out");
      break;
    }
    AXRef appElement;
    std::vector<AXRef> elements;
    report.apps.push_back(readApp(ax, *p.clock, time, app, appElement, elements));
    report.apps.back().bundleIdentifier = app.bundleIdentifier;
    appElements.push_back(appElement);
    extras[app.pid] = std::move(elements);
  }
  // An agent that the scan does not list as an app (it may run without an activation
  // policy) is still asked for its windows; one left out for want of time is not.
  if (request.context.agent && !extras.count(*request.context.agent) && !time.up()) {
    App drawer;
    drawer.pid = *request.context.agent;
    drawer.name = std::string(agent::kProcessName);
    drawer.extrasBar = AXReadOutcome{AXError::noValue, std::nullopt};
    report.apps.push_back(drawer);
    appElements.push_back(ax.createApplication(drawer.pid));
    if (appElements.back()) report::bound(ax, appElements.back());
  }
  // After every app is read, so that a slot can name the extra of an app listed after it.
  for (size_t i = 0; i < report.apps.size(); ++i) {
    App& app = report.apps[i];
    const bool drawsTheBar = request.context.agent == app.pid;
    if (drawsTheBar || app.bundleIdentifier == controlCenter::kBundleIdentifier) {
      report::dumpTree(ax, *p.clock, time, extras, appElements[i], drawsTheBar, app, report.stops);
    }
  }
  return report;
}

}  // namespace strandel
