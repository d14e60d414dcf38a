// Reading a large scene (5,000 apps with extras, and a timeline naming each of them): the
// same scene pretty-printed and on one line (as most JSON writers save it) must take about
// the same time, since reading is linear in the file's size.
//   cmake --build <build> --target scene_bench && <build>/bench/scene_bench
#include <benchmark/benchmark.h>

#include <string>

#include <nlohmann/json.hpp>

#include "adapters/sim/simulator/scene.h"

namespace strandel::sim {
namespace {

constexpr int kApps = 5000;

std::string largeScene(bool oneLine) {
  nlohmann::json apps = nlohmann::json::array();
  nlohmann::json timeline = nlohmann::json::array();  // every app quits, named
  for (int a = 0; a < kApps; ++a) {
    nlohmann::json extras = nlohmann::json::array();
    for (int e = 0; e < 3; ++e) {
      extras.push_back({{"frame", {1500 - 24 * (3 * a + e), 0, 22, 24}},
                        {"description", "Météo, status menu " + std::to_string(e)}});
    }
    apps.push_back({{"pid", 10000 + a},
                    {"name", "App " + std::to_string(a)},
                    {"icon", {{"glyph", "●"}, {"colour", "blue"}}},
                    {"extras", std::move(extras)}});
    timeline.push_back({{"at", 60 + a}, {"quit", "App " + std::to_string(a)}});
  }
  nlohmann::json scene = {{"name", "crowded"},
                          {"screen", {{"frame", {0, 0, 1512, 982}}}},
                          {"apps", std::move(apps)},
                          {"timeline", std::move(timeline)}};
  return oneLine ? scene.dump() : scene.dump(2);
}

void BM_ReadScene(benchmark::State& state) {
  const std::string text = largeScene(state.range(0) != 0);
  for (auto _ : state) {
    SceneLoad load = parseScene(text, "crowded.json");
    if (!load.scene || load.scene->timeline.size() != kApps) {
      state.SkipWithError(("the scene was refused: " + load.error).c_str());
      return;
    }
    benchmark::DoNotOptimize(load.scene->apps.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.counters["apps_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kApps, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadScene)->ArgName("one_line")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strandel::sim
