#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/scene_reading.h"

namespace strandel::sim::scene_reading {

// The apps of a scene (running or installed) by pid and by name, so that a long timeline
// is read in time linear in its length.
class AppIndex {
 public:
  explicit AppIndex(const Scene& scene) {
    for (const auto* list : {&scene.apps, &scene.installed}) {
      for (const auto& app : *list) {
        pids_.insert(app.definition.pid);
        if (app.definition.name) byName_[*app.definition.name].push_back(app.definition.pid);
      }
    }
  }

  bool has(ProcessID pid) const { return pids_.count(pid) > 0; }

  std::variant<ProcessID, std::string> resolve(std::string_view reference) const {
    if (auto found = byName_.find(std::string(reference)); found != byName_.end()) {
      const std::vector<ProcessID>& matches = found->second;
      if (matches.size() == 1) return matches.front();
      return "the name " + inQuotes(reference) + " belongs to " + std::to_string(matches.size()) +
             " apps; use the pid";
    }
    bool digits = !reference.empty() && reference.size() < 11 &&
                  std::all_of(reference.begin(), reference.end(),
                              [](char c) { return c >= '0' && c <= '9'; });
    if (digits) {
      int64_t pid = std::stoll(std::string(reference));
      if (pid <= kMaxPid && has(static_cast<ProcessID>(pid))) return static_cast<ProcessID>(pid);
    }
    return "no app in the scene is named or has the pid " + inQuotes(reference);
  }

 private:
  std::unordered_set<ProcessID> pids_;
  std::unordered_map<std::string, std::vector<ProcessID>> byName_;
};

// "timeline": launches, quits and permission changes, checked by playing them through.
void readTimeline(const Node& node, Scene& scene);

}  // namespace strandel::sim::scene_reading
