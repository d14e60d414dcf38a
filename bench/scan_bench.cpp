// The scan over a crowded simulated desktop, and the signature that menu rebuilds compare.
//   cmake --build <build> --target scan_bench && <build>/bench/scan_bench
// "per_extra" is the time per listed extra; items_per_second counts extras.

#include <benchmark/benchmark.h>

#include <string>

#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

constexpr int kApps = 60;
constexpr int kExtrasPerApp = 5;

void populate(test::ScannerWorld& world) {
  world.ax->setRecordingRequests(false);
  world.desktop->setScreen(sim::ScreenSpec{Rect{{0, 0}, {1512, 982}}, Rect{{0, 0}, {660, 32}},
                                           Rect{{852, 0}, {660, 32}}});
  const char* descriptions[] = {"Wi-Fi, connected", "  Battery , 80%  ", "status menu", "상태 메뉴",
                                "Clock"};
  for (int a = 0; a < kApps; ++a) {
    std::vector<sim::ExtraSpec> extras;
    for (int e = 0; e < kExtrasPerApp; ++e) {
      const double x = 1512 - 24.0 * (a * kExtrasPerApp + e + 1);
      extras.push_back(test::extraAt(x, 22, descriptions[e]));
    }
    world.launch(test::appNamed("App " + std::to_string(a), std::move(extras)));
  }
}

void BM_Scan(benchmark::State& state) {
  test::ScannerWorld world;
  populate(world);
  const MenuBarScanner::Context context = MenuBarScanner::makeContext(0);
  size_t extras = 0;
  for (auto _ : state) {
    const ExtraItems items = MenuBarScanner::scan(context);
    extras = items.size();
    benchmark::DoNotOptimize(items.data());
  }
  if (extras != kApps * kExtrasPerApp) state.SkipWithError("the scan missed extras");
  const auto total = static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(extras);
  state.SetItemsProcessed(total);
  state.counters["extras"] = static_cast<double>(extras);
  state.counters["per_extra"] = benchmark::Counter(
      static_cast<double>(total), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Scan)->Unit(benchmark::kMicrosecond);

void BM_Label(benchmark::State& state) {
  test::ScannerWorld world;
  populate(world);
  const ExtraItems items = MenuBarScanner::scan(MenuBarScanner::makeContext(0));
  const std::optional<std::string> fallback = "App";
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MenuBarScanner::label(items[i % items.size()]->element, fallback));
    ++i;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_Label);

void BM_Signature(benchmark::State& state) {
  const ExtraItem item("Wi-Fi", nullptr, nullptr, Rect{{1234.5, 0}, {22, 22}}, true);
  for (auto _ : state) benchmark::DoNotOptimize(item.signature());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_Signature);

}  // namespace
}  // namespace strandel
