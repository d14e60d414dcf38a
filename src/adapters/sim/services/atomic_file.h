#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "adapters/sim/services/file_calls.h"
#include "adapters/sim/services/regular_file.h"

namespace strandel::sim {

// Replaces `file` with `contents` so that readers see either the old file or the whole new
// one: a temporary file `.<name>.tmp-XXXXXX` in the same directory, flushed to disk, then
// renamed over it. The
// directory is created when missing. A symbolic link is written through: its target is
// replaced, in the target's directory, and the link stays. The file keeps its permissions.
//
// A file that is not a regular file, or that its owner cannot write (made read-only), is
// left as it is: that is a failure. Gives a description of what failed (step, path and the
// system's error text), nothing on success.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& file,
                                               std::string_view contents,
                                               FileCalls& calls = systemFileCalls());

// Writes `contents` as a new file `<directory>/<nameFor(n)>`, with the first n from 1 to
// `tries` whose name is free, never replacing a file: the name appears with the whole file
// or not at all (a temporary `.<stem>.tmp-XXXXXX` linked to it, or renamed to a name found
// free where the file system has no links). Gives the file's path, or a description of what
// failed.
std::variant<std::filesystem::path, std::string> writeNewFileAtomically(
    const std::filesystem::path& directory, const std::function<std::string(int)>& nameFor,
    int tries, const std::string& stem, std::string_view contents,
    FileCalls& calls = systemFileCalls());

// Removes the temporary files `.<stem>.tmp-XXXXXX` in `directory` that a write cut short
// left behind (older than a minute); nothing else, not even a link by that name.
void removeStaleTemporaries(const std::filesystem::path& directory, const std::string& stem,
                            FileCalls& calls = systemFileCalls());

// Moves `file` (whatever kind of file, a link itself rather than its target) to
// `<name><suffix>` (then `<name><suffix>-1`, `-2`, ... when taken) without ever replacing an
// existing file. Gives the new path, or nothing when it could not be moved, with the
// system's error number in `error` (when given).
std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file,
                                               const std::string& suffix, int* error = nullptr,
                                               FileCalls& calls = systemFileCalls());

// The current time in UTC as "20261206T123456Z", for names of files set aside.
std::string utcStamp();

// The user's configuration directory: `$XDG_CONFIG_HOME`, else `$HOME/.config`; relative
// values are ignored, as the base directory rules require. None when neither gives one.
std::optional<std::filesystem::path> userConfigDirectory();

}  // namespace strandel::sim
