#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace strandel::sim {

// The most that is read of a small file of the user's or of the program's resources
// (settings, the autostart entry, string tables).
inline constexpr uint64_t kSmallFileLimit = uint64_t{1} << 20;
// The most that is read of a scene or a script.
inline constexpr uint64_t kLargeFileLimit = uint64_t{16} << 20;

// Why a file was not read.
struct ReadFailure {
  enum class Kind {
    system,      // the system refused: `error` says why
    notRegular,  // a directory, named pipe, device or socket: `type` says which
    tooLarge,    // more than `limit` bytes
  };
  Kind kind = Kind::system;
  int error = 0;
  std::string type;
  uint64_t limit = 0;

  // There is no file by that name (or a file stands where a directory of the path should).
  bool missing() const;
  // "Permission denied", "it is a named pipe, not a regular file", "it is larger than the
  // limit of 16 MiB".
  std::string describe() const;
};

// Reads a whole regular file of at most `limit` bytes, and nothing else: never blocks on a
// named pipe, never opens a device, never reads without end. On failure gives no contents
// and sets `failure` (when given).
std::optional<std::string> readWholeFile(const std::filesystem::path& file,
                                         ReadFailure* failure = nullptr,
                                         uint64_t limit = kSmallFileLimit);

// "a directory", "a named pipe", "a character device", ... for a file's mode.
std::string fileTypeName(mode_t mode);

// "16 MiB", "1 KiB", "300 bytes".
std::string describeSize(uint64_t bytes);

// The system's error text for an error number.
std::string errorText(int error);

}  // namespace strandel::sim
