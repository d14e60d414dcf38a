#include "adapters/sim/simulator/scene_timeline.h"

#include <algorithm>
#include <cstdint>
#include <set>

namespace strandel::sim::scene_reading {

namespace {

constexpr double kMaxTime = 24 * 60 * 60;

// A reference to an app in the timeline: its pid, or its name when that is unique.
ProcessID readAppReference(const Node& node, const AppIndex& apps) {
  if (node.value.is_number()) {
    auto pid = static_cast<ProcessID>(node.integer(1, kMaxPid));
    if (!apps.has(pid)) node.fail("no app in the scene has pid " + std::to_string(pid));
    return pid;
  }
  auto resolved = apps.resolve(node.string());
  if (auto* error = std::get_if<std::string>(&resolved)) node.fail(*error);
  return std::get<ProcessID>(resolved);
}

}  // namespace

void readTimeline(const Node& node, Scene& scene) {
  const auto& items = node.array();
  const AppIndex apps(scene);
  std::vector<std::pair<SceneEvent, std::string>> events;  // with their pointers
  for (size_t i = 0; i < items.size(); ++i) {
    Node entry = node.element(i);
    entry.object({"at", "launch", "quit", "accessibility"}, {"at"});
    SceneEvent event;
    Node at = entry.member("at");
    event.at = at.atLeast(0, "a time");
    if (event.at > kMaxTime) at.fail("a time beyond 24 hours");
    int kinds = 0;
    if (entry.has("launch")) {
      ++kinds;
      event.kind = SceneEvent::Kind::launch;
      event.pid = readAppReference(entry.member("launch"), apps);
    }
    if (entry.has("quit")) {
      ++kinds;
      event.kind = SceneEvent::Kind::quit;
      event.pid = readAppReference(entry.member("quit"), apps);
    }
    if (entry.has("accessibility")) {
      ++kinds;
      event.kind = SceneEvent::Kind::accessibility;
      event.granted = entry.member("accessibility").boolean();
    }
    if (kinds != 1)
      entry.fail("an event has exactly one of \"launch\", \"quit\", \"accessibility\"");
    events.emplace_back(event, entry.pointer());
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const auto& a, const auto& b) { return a.first.at < b.first.at; });
  // Play the launches and quits through, so that the timeline never asks the impossible.
  std::set<ProcessID> running;
  for (const auto& app : scene.apps) running.insert(app.definition.pid);
  for (const auto& [event, pointer] : events) {
    if (event.kind == SceneEvent::Kind::launch && !running.insert(event.pid).second) {
      throw FormatError{pointer + "/launch", "the app with pid " + std::to_string(event.pid) +
                                                 " is already running at that time"};
    }
    if (event.kind == SceneEvent::Kind::quit && running.erase(event.pid) == 0) {
      throw FormatError{pointer + "/quit", "the app with pid " + std::to_string(event.pid) +
                                               " is not running at that time"};
    }
    scene.timeline.push_back(event);
  }
}

}  // namespace strandel::sim::scene_reading
