// The menu opened on a cold desktop, in virtual seconds: how long until the first and the
// last fresh row is in the open menu, and how many requests the program sent the apps.
//   cmake --build <build> --target cold_open_bench && <build>/bench/cold_open_bench
// The scenes (bench/scenes/cold_*.scene.json): 30 apps with 2 to 4 extras each; five answer
// each request in 30 ms, one is hung, the rest answer at once; for macos26 Control Center
// hosts a copy of every extra, for macos27 the agent draws every extra.

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "adapters/sim/desktop/sim_accessibility.h"
#include "adapters/sim/simulator/simulator.h"
#include "ports/menu.h"

namespace strandel::sim {
namespace {

struct Figures {
  double first = -1;  // opening to the first row of an extra, seconds
  double fresh = -1;  // opening to the last change of the rows
  size_t requests = 0;
};

bool listsExtras(const SimMenu& menu) {
  for (const MenuItemRef& row : menu.items()) {
    if (row->representedObject()) return true;
  }
  return false;
}

Figures openColdMenu(const std::string& hosting) {
  const std::string path =
      std::string(STRANDEL_BENCH_DIR) + "/scenes/cold_" + hosting + ".scene.json";
  SceneLoad load = loadSceneFile(path);
  if (!load.scene) throw std::runtime_error(load.error);
  Simulator simulator(std::move(*load.scene), Simulator::Options{});
  Figures figures;
  double openedAt = 0;
  simulator.setMenuObserver([&] {
    const auto menu = simulator.menu();
    if (!menu || !menu->isOpen() || !listsExtras(*menu)) return;
    const double at = simulator.virtualLoop()->now().secondsSinceReference - openedAt;
    if (figures.first < 0) figures.first = at;
    figures.fresh = at;
  });
  simulator.run([&] {
    VirtualEventLoop& loop = *simulator.virtualLoop();
    auto& ax = dynamic_cast<SimAccessibility&>(*simulator.platform().accessibility);
    ax.setRecordingRequests(true);
    loop.runMain();  // launching, which starts the first scan
    openedAt = loop.now().secondsSinceReference;
    simulator.openMenu();  // at launch: nothing cached, the first scan under way
    loop.runUntil(Date{openedAt + 20});
    using Kind = SimAccessibility::Request::Kind;
    for (const auto& request : ax.requests()) {
      if (request.kind != Kind::createApplication && request.kind != Kind::setMessagingTimeout) {
        ++figures.requests;
      }
    }
    simulator.closeMenu();
  });
  return figures;
}

void BM_ColdOpen(benchmark::State& state, const std::string& hosting) {
  Figures figures;
  for (auto _ : state) figures = openColdMenu(hosting);
  state.counters["first_s"] = figures.first;
  state.counters["fresh_s"] = figures.fresh;
  state.counters["requests"] = static_cast<double>(figures.requests);
}

BENCHMARK_CAPTURE(BM_ColdOpen, classic, std::string("classic"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColdOpen, macos26, std::string("macos26"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColdOpen, macos27, std::string("macos27"))->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strandel::sim
