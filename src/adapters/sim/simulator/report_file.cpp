#include "adapters/sim/simulator/report_file.h"

#include "adapters/sim/services/atomic_file.h"

namespace strandel::sim {

namespace {

constexpr const char* kTemporaryStem = "strandel-report.json";

}  // namespace

std::variant<std::filesystem::path, std::string> writeReportFile(
    const std::filesystem::path& directory, std::string_view text, FileCalls& calls) {
  constexpr int kMaxTries = 10000;
  auto written = writeNewFileAtomically(
      directory, [](int n) { return "strandel-report-" + std::to_string(n) + ".json"; }, kMaxTries,
      kTemporaryStem, text, calls);
  if (auto* problem = std::get_if<std::string>(&written)) {
    return "the report was not written: " + *problem;
  }
  return written;
}

void removeStaleReportTemporaries(const std::filesystem::path& directory) {
  removeStaleTemporaries(directory, kTemporaryStem);
}

}  // namespace strandel::sim
