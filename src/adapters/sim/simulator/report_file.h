#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

#include "adapters/sim/services/file_calls.h"

namespace strandel::sim {

// Writes a menu bar report into `directory` as "strandel-report-N.json", with the first N
// from 1 whose file does not exist yet, never replacing one; the file appears whole or not
// at all, also on a full disk. Gives the file's path, or a description of what failed.
std::variant<std::filesystem::path, std::string> writeReportFile(
    const std::filesystem::path& directory, std::string_view text,
    FileCalls& calls = systemFileCalls());

// Removes what an interrupted report left in `directory`: its own temporary files only.
void removeStaleReportTemporaries(const std::filesystem::path& directory);

}  // namespace strandel::sim
