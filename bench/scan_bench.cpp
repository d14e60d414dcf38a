// The scan over a crowded simulated desktop, and the signature that menu rebuilds compare.
//   cmake --build <build> --target scan_bench && <build>/bench/scan_bench
// "per_extra" is the whole time per listed extra; "own_per_extra" subtracts the time of the
// same Accessibility requests made without the scanner (BM_AccessibilityOnly), leaving what
// the scan itself adds: type tests, occlusion, labels, records and the sort. Both are this
// thread's CPU time, one clock for both, which a busy machine does not stretch.

#include <benchmark/benchmark.h>
#include <time.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Every request a scan of `context` makes, in the same order, with nothing done with the
// answers beyond what the next request needs.
void accessibilityOnly(const MenuBarScanner::Context& context) {
  Accessibility& ax = *platform().accessibility;
  for (const auto& app : context.apps) {
    AXRef element = ax.createApplication(app.pid);
    ax.setMessagingTimeout(element, 0.25f);
    AXRef bar;
    ax.copyAttributeValue(element, "AXExtrasMenuBar", bar);
    AXRef children;
    ax.copyAttributeValue(bar, "AXChildren", children);
    ax.typeID(bar);
    ax.typeID(children);
    for (const AXRef& child : ax.arrayValues(children)) {
      AXRef position, size, description;
      ax.copyAttributeValue(child, "AXPosition", position);
      ax.copyAttributeValue(child, "AXSize", size);
      ax.typeID(position);
      ax.typeID(size);
      Point origin;
      Size extent;
      ax.valueGetPoint(position, origin);
      ax.valueGetSize(size, extent);
      ax.copyAttributeValue(child, "AXDescription", description);
      if (ax.typeID(description) == ax.stringTypeID()) {
        benchmark::DoNotOptimize(ax.stringValue(description));
      }
    }
  }
}

// The scan and the requests alone run on the calling thread.
double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double secondsPerRun(const std::function<void()>& run, int runs) {
  const double start = threadCpuSeconds();
  for (int i = 0; i < runs; ++i) run();
  return (threadCpuSeconds() - start) / runs;
}

void BM_Scan(benchmark::State& state) {
  test::ScannerWorld world;
  populate(world);
  const MenuBarScanner::Context context = MenuBarScanner::makeContext(0);
  size_t extras = 0;
  const double start = threadCpuSeconds();
  for (auto _ : state) {
    const ExtraItems items = MenuBarScanner::scan(context);
    extras = items.size();
    benchmark::DoNotOptimize(items.data());
  }
  const double perScan = (threadCpuSeconds() - start) / static_cast<double>(state.iterations());
  if (extras != kApps * kExtrasPerApp) {
    state.SkipWithError("the scan missed extras");
    return;
  }
  const double requestsOnly = secondsPerRun([&] { accessibilityOnly(context); }, 200);
  const auto total = static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(extras);
  state.SetItemsProcessed(total);
  state.counters["extras"] = static_cast<double>(extras);
  state.counters["per_extra"] = perScan / static_cast<double>(extras);
  state.counters["own_per_extra"] = (perScan - requestsOnly) / static_cast<double>(extras);
}
BENCHMARK(BM_Scan)->Unit(benchmark::kMicrosecond);

// One app with state.range(0) extras: every request names one extra, so the time per
// extra stays flat from 10 to 100,000 when the desktop finds each one directly.
void BM_ScanOneCrowdedApp(benchmark::State& state) {
  const auto count = static_cast<size_t>(state.range(0));
  test::ScannerWorld world;
  world.ax->setRecordingRequests(false);
  std::vector<sim::ExtraSpec> extras;
  extras.reserve(count);
  for (size_t e = 0; e < count; ++e) {
    extras.push_back(test::extraAt(900 - 24.0 * static_cast<double>(e + 1), 22, "status menu"));
  }
  world.launch(test::appNamed("Crowded", std::move(extras)));
  const MenuBarScanner::Context context = MenuBarScanner::makeContext(0);
  size_t found = 0;
  for (auto _ : state) {
    const ExtraItems items = MenuBarScanner::scan(context);
    found = items.size();
    benchmark::DoNotOptimize(items.data());
  }
  if (found != count) {
    state.SkipWithError("the scan missed extras");
    return;
  }
  const auto total = static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(count);
  state.SetItemsProcessed(total);
  state.counters["per_extra"] = benchmark::Counter(
      static_cast<double>(total), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScanOneCrowdedApp)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A scan on each hosting: its requests (every message to an application, the agent's windows
// and slots included) and its time. 0 classic, 1 hosted by Control Center (which lists a copy
// of each extra besides its own 3), 2 drawn by the agent (one window, one slot per extra, the
// agent's own 3 among them), 3 two displays. Arguments: hosting, apps, extras per app.
void BM_ScanHosting(benchmark::State& state) {
  const auto hosting = state.range(0);
  const int apps = static_cast<int>(state.range(1));
  const int extrasPerApp = static_cast<int>(state.range(2));
  constexpr int kOwnExtras = 3;
  test::ScannerWorld world;
  world.ax->setRecordingRequests(false);
  size_t requests = 0;
  size_t agentRequests = 0;
  world.ax->setRequestObserver([&](const sim::SimAccessibility::Request& request) {
    using Kind = sim::SimAccessibility::Request::Kind;
    if (request.kind != Kind::createApplication && request.kind != Kind::setMessagingTimeout) {
      ++requests;
      if (request.pid == 99) ++agentRequests;
    }
  });
  world.desktop->setScreen(sim::ScreenSpec{Rect{{0, 0}, {1512, 982}}, Rect{{0, 950}, {662, 32}},
                                           Rect{{850, 950}, {662, 32}}});
  std::vector<sim::ExtraSpec> hosted;
  std::vector<test::AgentSlot> slots;
  for (int a = 0; a < apps; ++a) {
    std::vector<sim::ExtraSpec> extras;
    const ProcessID pid = 100 + a;
    for (int e = 0; e < extrasPerApp; ++e) {
      const double x = 1512 - 24.0 * (a * extrasPerApp + e + 1);
      extras.push_back(test::extraAt(hosting == 2 ? -300 : x, 22, "Item, state"));
      hosted.push_back(test::extraAt(x, 22, std::nullopt));
      slots.push_back({Rect{{x, 0}, {22, 24}}, pid, static_cast<size_t>(e)});
    }
    world.launch(test::appNamed("App " + std::to_string(a), std::move(extras), pid));
  }
  for (int e = 0; e < kOwnExtras; ++e) {
    hosted.push_back(test::extraAt(40.0 + 24 * e, 22, "Wi-Fi"));
    slots.push_back({Rect{{40.0 + 24 * e, 0}, {22, 24}}, 99, static_cast<size_t>(e)});
  }
  if (hosting == 1) {
    sim::AppSpec controlCenter = test::appNamed("Control Center", hosted, 98);
    controlCenter.bundleIdentifier = "com.apple.controlcenter";
    world.launch(controlCenter);
  } else if (hosting == 2) {
    sim::AppSpec agent = test::appNamed("MenuBarAgent", hosted, 99);
    agent.windows = {test::agentWindow(slots)};
    world.launch(agent);
  }
  MenuBarScanner::Context context = MenuBarScanner::makeContext(0);
  if (hosting == 3) context.screens.push_back({Rect{{0, 982}, {1920, 1080}}, std::nullopt});

  size_t found = 0;
  const double start = threadCpuSeconds();
  for (auto _ : state) {
    const ExtraItems items = MenuBarScanner::scan(context);
    found = items.size();
    benchmark::DoNotOptimize(items.data());
  }
  const double perScan = (threadCpuSeconds() - start) / static_cast<double>(state.iterations());
  if (found != static_cast<size_t>(apps * extrasPerApp + (hosting == 1 ? kOwnExtras : 0))) {
    state.SkipWithError("the scan listed the wrong extras");
    return;
  }
  const double scans = static_cast<double>(state.iterations());
  state.counters["extras"] = static_cast<double>(found);
  state.counters["requests"] = static_cast<double>(requests) / scans;
  state.counters["agent_requests"] = static_cast<double>(agentRequests) / scans;
  state.counters["us_per_scan"] = perScan * 1e6;
  // Flat from 1k to 20k extras when matching hosted children and slots is linear.
  state.counters["us_per_extra"] = perScan * 1e6 / static_cast<double>(found);
}
BENCHMARK(BM_ScanHosting)
    ->ArgNames({"hosting", "apps", "extras"})
    ->ArgsProduct({{0, 1, 2, 3}, {20}, {3}})
    ->ArgsProduct({{1, 2}, {10, 50, 200}, {100}})
    ->Unit(benchmark::kMillisecond);

void BM_AccessibilityOnly(benchmark::State& state) {
  test::ScannerWorld world;
  populate(world);
  const MenuBarScanner::Context context = MenuBarScanner::makeContext(0);
  for (auto _ : state) accessibilityOnly(context);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kApps * kExtrasPerApp);
}
BENCHMARK(BM_AccessibilityOnly)->Unit(benchmark::kMicrosecond);

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
