#include "scanner/menu_bar_report.h"

#include <utility>

#include "ports/platform.h"

namespace strandel {

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

AXReadOutcome outcomeOf(Accessibility& ax, AXError error, const AXRef& value) {
  AXReadOutcome outcome{error, std::nullopt};
  if (value) outcome.kind = kindOf(ax, value);
  return outcome;
}

// Unlike axCopy, keeps a value that came back with an error, so that its kind is known.
AXReadOutcome readAttribute(Accessibility& ax, const AXRef& element, std::string_view attribute,
                            AXRef& value) {
  const AXError error = ax.copyAttributeValue(element, attribute, value);
  return outcomeOf(ax, error, value);
}

MenuBarReport::Extra readExtra(Accessibility& ax, const AXRef& child) {
  MenuBarReport::Extra extra;
  AXRef value;
  extra.position = readAttribute(ax, child, "AXPosition", value);
  if (extra.position.succeededWith(AXValueKind::point)) ax.valueGetPoint(value, extra.point);
  extra.size = readAttribute(ax, child, "AXSize", value);
  if (extra.size.succeededWith(AXValueKind::size)) ax.valueGetSize(value, extra.extent);
  extra.description = readAttribute(ax, child, "AXDescription", value);
  if (extra.description.succeededWith(AXValueKind::string)) extra.text = ax.stringValue(value);

  value.reset();
  extra.actions = outcomeOf(ax, ax.copyActionNames(child, value), value);
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

MenuBarReport::App readApp(Accessibility& ax, Clock& clock,
                           const MenuBarScanner::Context::App& context) {
  MenuBarReport::App app;
  app.pid = context.pid;
  app.name = context.name;
  const AXRef appElement = ax.createApplication(context.pid);
  if (!appElement) {
    app.extrasBar = AXReadOutcome{AXError::invalidUIElement, std::nullopt};
    return app;
  }
  ax.setMessagingTimeout(appElement, MenuBarScanner::kScanTimeout);

  AXRef bar;
  const Date asked = clock.now();
  app.extrasBar = readAttribute(ax, appElement, "AXExtrasMenuBar", bar);
  app.responseTime = clock.now().timeIntervalSince(asked);
  // As the scan does, whatever came back as an element is taken for the bar.
  if (app.extrasBar.kind != AXValueKind::element || app.extrasBar.error != AXError::success) {
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
    app.extras.push_back(readExtra(ax, child));
  }
  return app;
}

}  // namespace

MenuBarReport::Request MenuBarReport::snapshot(ProcessID excluding) {
  Request request;
  request.context = MenuBarScanner::makeContext(excluding);
  request.ownPid = excluding;
  if (const std::shared_ptr<const strandel::Screen> main = platform().screens->mainScreen()) {
    request.screen =
        Screen{main->frame(), main->auxiliaryTopLeftArea(), main->auxiliaryTopRightArea()};
  }
  return request;
}

MenuBarReport MenuBarReport::read(const Request& request) {
  Platform& p = platform();
  MenuBarReport report;
  report.ownPid = request.ownPid;
  report.screen = request.screen;
  report.osVersion = p.processInfo->operatingSystemVersion();
  report.osVersionString = p.processInfo->operatingSystemVersionString();
  for (const MenuBarScanner::Context::App& app : request.context.apps) {
    report.apps.push_back(readApp(*p.accessibility, *p.clock, app));
  }
  return report;
}

}  // namespace strandel
