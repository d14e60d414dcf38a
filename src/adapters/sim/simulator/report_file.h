#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

namespace strandel::sim {

// Writes a menu bar report into `directory` as "strandel-report-N.json", with the first N
// from 1 whose file does not exist yet, never replacing one. Gives the file's path, or a
// description of what failed.
std::variant<std::filesystem::path, std::string> writeReportFile(
    const std::filesystem::path& directory, std::string_view text);

}  // namespace strandel::sim
