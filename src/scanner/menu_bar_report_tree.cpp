// The report's dumps of Control Center's and the agent's trees: bounded in depth, in
// elements per app (its extras included) and in time; cut short where an app stops answering.
#include <cmath>
#include <utility>

#include "scanner/menu_bar_report_reading.h"

namespace strandel::report {

namespace {

using Element = MenuBarReport::Element;

class TreeReader {
 public:
  TreeReader(Accessibility& ax, ReportTime& time,
             const std::map<ProcessID, std::vector<AXRef>>& extras, const std::string& app)
      : ax_(ax), time_(time), extras_(extras), app_(app) {}

  // Why the dump stopped short; none when it did not.
  std::optional<std::string> cut;

  // An app's own extra (at depth 2), beyond what a scan reads of it; none once the dump has
  // stopped.
  std::optional<Element> extraDetails(const AXRef& extra) {
    if (!enter(extra)) return std::nullopt;
    Element out;
    readNames(extra, out);
    out.enabled = boolean(extra, "AXEnabled");
    if (stopped()) return std::nullopt;
    out.children = children(extra, "AXChildren", 3);
    return out;
  }

  // The elements of an array value, in order; what is not an element is left out.
  std::vector<Element> elements(const AXRef& list, int depth) {
    std::vector<Element> out;
    for (const AXRef& child : ax_.arrayValues(list)) {
      if (!child || ax_.typeID(child) != ax_.elementTypeID()) continue;
      std::optional<Element> read = element(child, depth);
      if (!read) break;
      out.push_back(std::move(*read));
    }
    return out;
  }

  bool stopped() const { return cut.has_value(); }

 private:
  // Counts the element against the limit and bounds its requests; false once the dump has
  // stopped, for whatever reason.
  bool enter(const AXRef& element) {
    if (stopped()) return false;
    if (count_ >= MenuBarReport::kDumpLimit) {
      cut = "its tree is cut at " + std::to_string(MenuBarReport::kDumpLimit) + " elements";
      return false;
    }
    ++count_;
    bound(ax_, element);
    return true;
  }

  // One request (an empty attribute: the action names), unless the dump has stopped or the report's
  // time is up; a time-out stops the dump, as an app that did not answer is asked nothing more.
  AXReadOutcome ask(const AXRef& element, std::string_view attribute, AXRef& value) {
    value.reset();
    if (stopped()) return AXReadOutcome{AXError::cannotComplete, std::nullopt};
    if (time_.up()) {
      time_.noteStop("in the tree of " + app_);
      cut = "out of time";
      return AXReadOutcome{AXError::cannotComplete, std::nullopt};
    }
    const AXReadOutcome outcome = attribute.empty()
                                      ? outcomeOf(ax_, ax_.copyActionNames(element, value), value)
                                      : readAttribute(ax_, element, attribute, value);
    if (outcome.error == AXError::cannotComplete) {
      cut = "it did not answer within " +
            std::to_string(std::lround(MenuBarScanner::kScanTimeout * 1000)) +
            " ms, and its tree is cut there";
    }
    return outcome;
  }

  std::optional<Element> element(const AXRef& element, int depth) {
    if (!enter(element)) return std::nullopt;
    Element out;
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
    readNames(element, out);
    out.description = text(element, "AXDescription");
    AXRef value;
    Point point{};
    if (ask(element, "AXPosition", value).succeededWith(AXValueKind::point) &&
        ax_.valueGetPoint(value, point)) {
      out.position = point;
    }
    Size size{};
    if (ask(element, "AXSize", value).succeededWith(AXValueKind::size) &&
        ax_.valueGetSize(value, size)) {
      out.size = size;
    }
    out.enabled = boolean(element, "AXEnabled");
    if (ask(element, "", value).succeededWith(AXValueKind::array)) {
      for (const AXRef& name : ax_.arrayValues(value)) {
        if (name && ax_.typeID(name) == ax_.stringTypeID())
          out.actions.push_back(ax_.stringValue(name));
      }
    }
    // An element cut short would read back as one without those attributes: left out.
    if (stopped()) return std::nullopt;
    if (depth < MenuBarReport::kDumpDepth)
      out.children = children(element, "AXChildren", depth + 1);
    return out;
  }

  std::vector<Element> children(const AXRef& parent, std::string_view attribute, int depth) {
    AXRef list;
    if (!ask(parent, attribute, list).succeededWith(AXValueKind::array)) return {};
    return elements(list, depth);
  }

  // What names any dumped element, in the order it is asked.
  void readNames(const AXRef& element, Element& out) {
    out.role = text(element, "AXRole");
    out.subrole = text(element, "AXSubrole");
    out.identifier = text(element, "AXIdentifier");
    out.title = text(element, "AXTitle");
  }

  std::optional<std::string> text(const AXRef& element, std::string_view attribute) {
    AXRef value;
    if (!ask(element, attribute, value).succeededWith(AXValueKind::string)) return std::nullopt;
    return ax_.stringValue(value);
  }

  std::optional<bool> boolean(const AXRef& element, std::string_view attribute) {
    AXRef value;
    if (ask(element, attribute, value).error != AXError::success || !value ||
        ax_.typeID(value) != ax_.booleanTypeID()) {
      return std::nullopt;
    }
    return ax_.booleanValue(value);
  }

  Accessibility& ax_;
  ReportTime& time_;
  const std::map<ProcessID, std::vector<AXRef>>& extras_;
  const std::string& app_;
  size_t count_ = 0;
};

}  // namespace

// Control Center's tree is its extras bar, read only when the bar was; the agent's is its
// windows too, which a scan reads whatever became of its bar. Depths are counted below the
// application element: its extras bar and windows are at 1.
void dumpTree(Accessibility& ax, Clock& clock, ReportTime& time,
              const std::map<ProcessID, std::vector<AXRef>>& extras, const AXRef& appElement,
              bool agent, MenuBarReport::App& app, std::vector<std::string>& stops) {
  app.dumped = true;
  const std::string label = appLabel(app.name, app.pid);
  TreeReader reader(ax, time, extras, label);
  if (const auto own = extras.find(app.pid); own != extras.end()) {
    for (const AXRef& extra : own->second) {
      std::optional<Element> details = reader.extraDetails(extra);
      if (!details) break;
      app.extraTrees.push_back(std::move(*details));
    }
  }
  if (agent && appElement && !reader.stopped() && !time.up()) {
    AXRef windows;
    const Date asked = clock.now();
    app.windowsRead = readAttribute(ax, appElement, "AXWindows", windows);
    // The agent read for its windows alone: this was its first answer.
    if (!app.children && app.extrasBar.error == AXError::noValue) {
      app.responseTime = clock.now().timeIntervalSince(asked);
    }
    if (app.windowsRead->succeededWith(AXValueKind::array)) {
      app.windows = reader.elements(windows, 1);
    }
  } else if (agent && appElement) {
    time.noteStop("before the windows of " + label);
  }
  if (reader.cut && *reader.cut != "out of time") stops.push_back(label + ": " + *reader.cut);
}

}  // namespace strandel::report
