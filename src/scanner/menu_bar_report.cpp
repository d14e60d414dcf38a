#include "scanner/menu_bar_report.h"

#include <map>
#include <string_view>
#include <utility>

#include "ports/platform.h"
#include "scanner/agent_hosting.h"
#include "scanner/control_center_hosting.h"

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

// The elements a dumped tree may point at: each app's extras, by pid.
using ExtraElements = std::map<ProcessID, std::vector<AXRef>>;

MenuBarReport::App readApp(Accessibility& ax, Clock& clock,
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
  ax.setMessagingTimeout(appElement, MenuBarScanner::kScanTimeout);

  AXRef bar;
  const Date asked = clock.now();
  app.extrasBar = readAttribute(ax, appElement, "AXExtrasMenuBar", bar);
  app.responseTime = clock.now().timeIntervalSince(asked);
  // As the scan does, only a bar that came back as an element without an error is asked
  // for its children: nothing more goes to an app that may be hung.
  if (!app.extrasBar.succeededWith(AXValueKind::element)) return app;

  AXRef children;
  app.children = readAttribute(ax, bar, "AXChildren", children);
  if (!app.children->succeededWith(AXValueKind::array)) return app;
  for (const AXRef& child : ax.arrayValues(children)) {
    if (!child || ax.typeID(child) != ax.elementTypeID()) {
      ++app.otherChildren;
      continue;
    }
    app.extras.push_back(readExtra(ax, child));
    extraElements.push_back(child);
  }
  return app;
}

// Reads the trees of Control Center and the agent, within the report's bounds.
class TreeReader {
 public:
  TreeReader(Accessibility& ax, const ExtraElements& extras) : ax_(ax), extras_(extras) {}

  // An app's own extra, beyond what readExtra read of it.
  MenuBarReport::Element extraDetails(const AXRef& extra, int depth) {
    ++count_;
    MenuBarReport::Element out;
    out.role = text(extra, "AXRole");
    out.subrole = text(extra, "AXSubrole");
    out.identifier = text(extra, "AXIdentifier");
    out.title = text(extra, "AXTitle");
    out.enabled = boolean(extra, "AXEnabled");
    if (depth < MenuBarReport::kDumpDepth) out.children = children(extra, "AXChildren", depth + 1);
    return out;
  }

  std::vector<MenuBarReport::Element> children(const AXRef& parent, std::string_view attribute,
                                               int depth) {
    AXRef list;
    if (ax_.copyAttributeValue(parent, attribute, list) != AXError::success || !list ||
        ax_.typeID(list) != ax_.arrayTypeID()) {
      return {};
    }
    return elements(list, depth);
  }

  // The elements of an array value, in order; what is not an element is left out.
  std::vector<MenuBarReport::Element> elements(const AXRef& list, int depth) {
    std::vector<MenuBarReport::Element> out;
    for (const AXRef& child : ax_.arrayValues(list)) {
      if (count_ >= MenuBarReport::kDumpLimit) break;
      if (child && ax_.typeID(child) == ax_.elementTypeID()) out.push_back(element(child, depth));
    }
    return out;
  }

 private:
  MenuBarReport::Element element(const AXRef& element, int depth) {
    ++count_;
    MenuBarReport::Element out;
    ProcessID pid = 0;
    if (ax_.getPid(element, pid) == AXError::success) out.pid = pid;
    if (const auto found = extras_.find(out.pid); found != extras_.end()) {
      for (size_t i = 0; i < found->second.size(); ++i) {
        if (ax_.equal(found->second[i], element)) {
          out.extraOf = std::make_pair(out.pid, i);
          return out;
        }
      }
    }
    out.role = text(element, "AXRole");
    out.subrole = text(element, "AXSubrole");
    out.identifier = text(element, "AXIdentifier");
    out.title = text(element, "AXTitle");
    out.description = text(element, "AXDescription");
    AXRef value;
    Point point{};
    if (readAttribute(ax_, element, "AXPosition", value).succeededWith(AXValueKind::point) &&
        ax_.valueGetPoint(value, point)) {
      out.position = point;
    }
    Size size{};
    if (readAttribute(ax_, element, "AXSize", value).succeededWith(AXValueKind::size) &&
        ax_.valueGetSize(value, size)) {
      out.size = size;
    }
    out.enabled = boolean(element, "AXEnabled");
    value.reset();
    if (ax_.copyActionNames(element, value) == AXError::success && value &&
        ax_.typeID(value) == ax_.arrayTypeID()) {
      for (const AXRef& name : ax_.arrayValues(value)) {
        if (name && ax_.typeID(name) == ax_.stringTypeID())
          out.actions.push_back(ax_.stringValue(name));
      }
    }
    if (depth < MenuBarReport::kDumpDepth)
      out.children = children(element, "AXChildren", depth + 1);
    return out;
  }

  std::optional<std::string> text(const AXRef& element, std::string_view attribute) {
    AXRef value;
    if (ax_.copyAttributeValue(element, attribute, value) != AXError::success || !value ||
        ax_.typeID(value) != ax_.stringTypeID()) {
      return std::nullopt;
    }
    return ax_.stringValue(value);
  }

  std::optional<bool> boolean(const AXRef& element, std::string_view attribute) {
    AXRef value;
    if (ax_.copyAttributeValue(element, attribute, value) != AXError::success || !value ||
        ax_.typeID(value) != ax_.booleanTypeID()) {
      return std::nullopt;
    }
    return ax_.booleanValue(value);
  }

  Accessibility& ax_;
  const ExtraElements& extras_;
  size_t count_ = 0;
};

// Control Center's tree is its extras bar, read only when the bar was; the agent's is its
// windows too, which a scan reads whatever became of its bar. Depths are counted below the
// application element: its extras bar and windows are at 1.
void dumpTree(Accessibility& ax, Clock& clock, const ExtraElements& extras, const AXRef& appElement,
              bool agent, MenuBarReport::App& app) {
  app.dumped = true;
  TreeReader reader(ax, extras);
  if (const auto own = extras.find(app.pid); own != extras.end()) {
    for (const AXRef& extra : own->second) app.extraTrees.push_back(reader.extraDetails(extra, 2));
  }
  if (!agent || !appElement) return;
  AXRef windows;
  const Date asked = clock.now();
  app.windowsRead = readAttribute(ax, appElement, "AXWindows", windows);
  // The agent read for its windows alone: this was its first answer.
  if (!app.children && app.extrasBar.error == AXError::noValue) {
    app.responseTime = clock.now().timeIntervalSince(asked);
  }
  if (app.windowsRead->succeededWith(AXValueKind::array)) app.windows = reader.elements(windows, 1);
}

}  // namespace

MenuBarReport::Request MenuBarReport::snapshot(ProcessID excluding) {
  Request request;
  request.context = MenuBarScanner::makeContext(excluding);
  request.ownPid = excluding;
  const std::shared_ptr<const strandel::Screen> main = platform().screens->mainScreen();
  for (const std::shared_ptr<const strandel::Screen>& screen : platform().screens->screens()) {
    if (!screen) continue;
    const Screen described{screen->frame(), screen->auxiliaryTopLeftArea(),
                           screen->auxiliaryTopRightArea()};
    const bool isMain = main && main->frame() == described.frame &&
                        main->auxiliaryTopLeftArea() == described.topLeftArea &&
                        main->auxiliaryTopRightArea() == described.topRightArea;
    if (isMain && request.mainScreen == 0) request.mainScreen = request.screens.size();
    request.screens.push_back(described);
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
  ExtraElements extras;
  std::vector<AXRef> appElements;
  for (const MenuBarScanner::Context::App& app : request.context.apps) {
    AXRef appElement;
    std::vector<AXRef> elements;
    report.apps.push_back(readApp(ax, *p.clock, app, appElement, elements));
    report.apps.back().bundleIdentifier = app.bundleIdentifier;
    report.apps.back().executableName = app.executableName;
    appElements.push_back(appElement);
    extras[app.pid] = std::move(elements);
  }
  // An agent that the scan does not list as an app (it may run without an activation
  // policy) is still asked for its windows.
  if (request.context.agent && !extras.count(*request.context.agent)) {
    App drawer;
    drawer.pid = *request.context.agent;
    drawer.name = std::string(agent::kExecutableName);
    drawer.extrasBar = AXReadOutcome{AXError::noValue, std::nullopt};
    report.apps.push_back(drawer);
    appElements.push_back(ax.createApplication(drawer.pid));
    if (appElements.back())
      ax.setMessagingTimeout(appElements.back(), MenuBarScanner::kScanTimeout);
  }
  // After every app is read, so that a slot can name the extra of an app listed after it.
  for (size_t i = 0; i < report.apps.size(); ++i) {
    App& app = report.apps[i];
    const bool drawsTheBar = request.context.agent == app.pid;
    if (drawsTheBar || app.bundleIdentifier == controlCenter::kBundleIdentifier) {
      dumpTree(ax, *p.clock, extras, appElements[i], drawsTheBar, app);
    }
  }
  return report;
}

}  // namespace strandel
