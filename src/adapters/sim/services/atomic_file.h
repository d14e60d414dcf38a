#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace strandel::sim {

// Replaces `file` with `contents` so that readers see either the old file or the whole new
// one: a temporary file in the same directory, flushed to disk, then renamed over it. The
// directory is created when missing. Gives a description of what failed (step, path and the
// system's error text), nothing on success.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& file,
                                               std::string_view contents);

// Reads a whole file. On failure gives no contents and sets `error` (when given) to the
// system's error number; ENOENT when there is no file.
std::optional<std::string> readWholeFile(const std::filesystem::path& file, int* error = nullptr);

// Moves `file` to `<name><suffix>` (then `<name><suffix>-1`, `-2`, ... when taken) without
// ever replacing an existing file. Gives the new path, or nothing when it could not be moved.
std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file,
                                               const std::string& suffix);

// The user's configuration directory: `$XDG_CONFIG_HOME`, else `$HOME/.config`; relative
// values are ignored, as the base directory rules require. None when neither gives one.
std::optional<std::filesystem::path> userConfigDirectory();

// The system's error text for an error number.
std::string errorText(int error);

}  // namespace strandel::sim
