#include "adapters/sim/services/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <system_error>
#include <vector>

namespace strandel::sim {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinks = 40;  // as the kernel allows in one path

std::string failure(const std::string& what, const fs::path& path, int error) {
  return what + " " + path.string() + ": " + errorText(error);
}

bool writeAll(FileCalls& calls, int fd, std::string_view contents) {
  while (!contents.empty()) {
    ssize_t written = calls.write(fd, contents.data(), contents.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    contents.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

std::string temporaryPrefix(const std::string& stem) {
  return "." + stem + ".tmp-";
}

// A new file `.<stem>.tmp-XXXXXX` in `directory` holding `contents`, flushed to disk before
// anyone may rename or link it into place: otherwise a crash could leave the final name
// standing for an empty file. Gives its path, or a description of what failed.
std::variant<fs::path, std::string> writeTemporary(const fs::path& directory,
                                                   const std::string& stem, mode_t mode,
                                                   const struct stat* owner,
                                                   std::string_view contents, FileCalls& calls) {
  std::string pattern = (directory / (temporaryPrefix(stem) + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = calls.mkstemp(name.data());
  if (fd < 0) return failure("Could not create a temporary file in", directory, errno);
  fs::path temporary(name.data());

  if (owner && (owner->st_uid != geteuid() || owner->st_gid != getegid())) {
    // Only the superuser can give the file back to its owner; anyone else keeps it.
    [[maybe_unused]] int ignored = fchown(fd, owner->st_uid, owner->st_gid);
  }
  int error = 0;
  std::string step;
  if (calls.fchmod(fd, mode) != 0) {
    error = errno;
    step = "Could not set the permissions of";
  } else if (!writeAll(calls, fd, contents)) {
    error = errno;
    step = "Could not write";
  } else if (calls.fsync(fd) != 0) {
    error = errno;
    step = "Could not flush";
  }
  if (calls.close(fd) != 0 && error == 0) {
    error = errno;
    step = "Could not close";
  }
  if (error != 0) {
    calls.unlink(temporary.c_str());
    return failure(step, temporary, error);
  }
  return temporary;
}

void syncDirectory(const fs::path& directory, FileCalls& calls) {
  // Makes the new name itself durable; a failure here loses nothing that is on disk already.
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  calls.fsync(fd);
  calls.close(fd);
}

// The file that `file` finally stands for, following symbolic links (also to a target that
// does not exist yet). Nothing, with `error` set, when a link cannot be followed.
std::optional<fs::path> followLinks(fs::path file, int& error) {
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat info {};
    if (lstat(file.c_str(), &info) != 0) {
      if (errno == ENOENT) return file;
      error = errno;
      return std::nullopt;
    }
    if (!S_ISLNK(info.st_mode)) return file;
    std::error_code ec;
    fs::path target = fs::read_symlink(file, ec);
    if (ec) {
      error = ec.value();
      return std::nullopt;
    }
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  error = ELOOP;
  return std::nullopt;
}

std::string octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

std::optional<std::string> writeFileAtomically(const fs::path& file, std::string_view contents,
                                               FileCalls& calls) {
  fs::path directory = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  std::error_code ec;
  fs::create_directories(directory, ec);
  if (ec) return "Could not create the directory " + directory.string() + ": " + ec.message();

  int error = 0;
  std::optional<fs::path> followed = followLinks(file, error);
  if (!followed) return failure("Could not follow the link", file, error);
  const fs::path& target = *followed;
  mode_t mode = 0644;
  struct stat info {};
  bool exists = lstat(target.c_str(), &info) == 0;
  if (exists) {
    if (!S_ISREG(info.st_mode)) {
      return target.string() + " is " + fileTypeName(info.st_mode) +
             ", not a regular file, and is left as it is";
    }
    if ((info.st_mode & S_IWUSR) == 0) {
      return target.string() + " is read-only (mode " + octal(info.st_mode) +
             ") and is left as it is";
    }
    mode = info.st_mode & 0777;
  } else if (errno != ENOENT) {
    return failure("Could not look at", target, errno);
  }
  fs::path targetDirectory = target.parent_path().empty() ? fs::path(".") : target.parent_path();

  auto written = writeTemporary(targetDirectory, target.filename().string(), mode,
                                exists ? &info : nullptr, contents, calls);
  if (auto* problem = std::get_if<std::string>(&written)) return *problem;
  const fs::path& temporary = std::get<fs::path>(written);
  if (calls.rename(temporary.c_str(), target.c_str()) != 0) {
    error = errno;
    calls.unlink(temporary.c_str());
    return failure("Could not replace", target, error);
  }
  syncDirectory(targetDirectory, calls);
  return std::nullopt;
}

std::optional<fs::path> moveAside(const fs::path& file, const std::string& suffix, int* error,
                                  FileCalls& calls) {
  auto fail = [error](int number) -> std::optional<fs::path> {
    if (error) *error = number;
    return std::nullopt;
  };
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path target = file;
    target += suffix;
    if (attempt > 0) target += "-" + std::to_string(attempt);
    // A hard link never replaces an existing name, unlike rename; it links a symbolic link
    // itself, not its target.
    if (calls.link(file.c_str(), target.c_str()) == 0) {
      if (calls.unlink(file.c_str()) == 0) return target;
      int number = errno;
      calls.unlink(target.c_str());
      return fail(number);
    }
    if (errno == EEXIST) continue;
    if (errno != EPERM && errno != EXDEV && errno != ENOTSUP) return fail(errno);
    // A directory, or a file system without hard links: rename, checking first that the
    // name is free.
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) continue;
    if (calls.rename(file.c_str(), target.c_str()) == 0) return target;
    return fail(errno);
  }
  return fail(EEXIST);
}

std::variant<fs::path, std::string> writeNewFileAtomically(
    const fs::path& directory, const std::function<std::string(int)>& nameFor, int tries,
    const std::string& stem, std::string_view contents, FileCalls& calls) {
  auto written = writeTemporary(directory, stem, 0644, nullptr, contents, calls);
  if (auto* problem = std::get_if<std::string>(&written)) return *problem;
  const fs::path& temporary = std::get<fs::path>(written);
  std::variant<fs::path, std::string> outcome =
      "every name for the file in " + directory.string() + " is taken";
  for (int n = 1; n <= tries; ++n) {
    fs::path file = directory / nameFor(n);
    // A link never replaces an existing name, and the name appears with the whole file.
    if (calls.link(temporary.c_str(), file.c_str()) == 0) {
      syncDirectory(directory, calls);
      outcome = file;
      break;
    }
    if (errno == EEXIST) continue;
    if (errno != EPERM && errno != ENOTSUP) {
      outcome = failure("Could not create", file, errno);
      break;
    }
    // A file system without hard links: rename, checking first that the name is free.
    struct stat existing {};
    if (lstat(file.c_str(), &existing) == 0) continue;
    if (calls.rename(temporary.c_str(), file.c_str()) == 0) {
      syncDirectory(directory, calls);
      return file;
    }
    outcome = failure("Could not create", file, errno);
    break;
  }
  calls.unlink(temporary.c_str());
  return outcome;
}

void removeStaleTemporaries(const fs::path& directory, const std::string& stem, FileCalls& calls) {
  // Younger ones may belong to another copy of the program that is writing right now.
  constexpr auto kStaleAfter = std::chrono::minutes(1);
  const std::string prefix = temporaryPrefix(stem);
  constexpr size_t kRandomPart = 6;  // as mkstemp makes them
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (auto it = fs::directory_iterator(directory, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() != prefix.size() + kRandomPart || name.compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    std::error_code statError;
    if (!it->is_regular_file(statError) || it->is_symlink(statError)) continue;
    auto written = it->last_write_time(statError);
    if (statError || now - written < kStaleAfter) continue;
    calls.unlink(it->path().c_str());
  }
}

std::string utcStamp() {
  std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
  return text;
}

std::optional<fs::path> userConfigDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && fs::path(config).is_absolute()) return fs::path(config);
  const char* home = std::getenv("HOME");
  if (home && fs::path(home).is_absolute()) return fs::path(home) / ".config";
  return std::nullopt;
}

}  // namespace strandel::sim
