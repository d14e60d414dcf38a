#pragma once

// The menu bar report's own reading helpers, shared by its files only.
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/accessibility.h"
#include "ports/clock.h"
#include "scanner/menu_bar_report.h"

namespace strandel::report {

AXReadOutcome outcomeOf(Accessibility& ax, AXError error, const AXRef& value);

// Unlike axCopy, keeps a value that came back with an error, so that its kind is known.
AXReadOutcome readAttribute(Accessibility& ax, const AXRef& element, std::string_view attribute,
                            AXRef& value);

// "Name (pid 7)", as the report's notes name an app.
std::string appLabel(const std::optional<std::string>& name, ProcessID pid);

// The report's time: nothing new is asked once MenuBarReport::kTimeLimit has passed, and
// the report says where that happened, once.
class ReportTime {
 public:
  ReportTime(Clock& clock, std::vector<std::string>& stops)
      : clock_(clock), started_(clock.now()), stops_(stops) {}

  bool up() {
    if (!up_) up_ = clock_.now().timeIntervalSince(started_) >= MenuBarReport::kTimeLimit;
    return up_;
  }
  // Notes where the report ran out of time, when it has and has not said so yet.
  void noteStop(const std::string& where) {
    if (!up() || noted_) return;
    noted_ = true;
    stops_.push_back("out of time (" + std::to_string(std::lround(MenuBarReport::kTimeLimit)) +
                     " s) " + where);
  }

 private:
  Clock& clock_;
  Date started_;
  std::vector<std::string>& stops_;
  bool up_ = false;
  bool noted_ = false;
};

// Sets the report's time-out on an element it is about to read: a messaging time-out
// covers only the element it is set on (AXUIElement.h), not those reached through it.
void bound(Accessibility& ax, const AXRef& element);

// The dumps of Control Center's and the agent's trees into `app`, within the report's
// bounds. `extras` are every app's extras, by pid, so that a dumped element can name one.
void dumpTree(Accessibility& ax, Clock& clock, ReportTime& time,
              const std::map<ProcessID, std::vector<AXRef>>& extras, const AXRef& appElement,
              bool agent, MenuBarReport::App& app, std::vector<std::string>& stops);

}  // namespace strandel::report
