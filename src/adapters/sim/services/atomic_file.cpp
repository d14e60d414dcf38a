#include "adapters/sim/services/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace strandel::sim {

namespace fs = std::filesystem;

namespace {

std::string failure(const std::string& what, const fs::path& path, int error) {
  return what + " " + path.string() + ": " + errorText(error);
}

bool writeAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    ssize_t written = write(fd, contents.data(), contents.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    contents.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

void syncDirectory(const fs::path& directory) {
  // Makes the rename itself durable; a failure here loses nothing that is on disk already.
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

std::string errorText(int error) {
  return std::system_category().message(error);
}

std::optional<std::string> writeFileAtomically(const fs::path& file, std::string_view contents) {
  fs::path directory = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  std::error_code ec;
  fs::create_directories(directory, ec);
  if (ec) return "Could not create the directory " + directory.string() + ": " + ec.message();

  std::string pattern = (directory / ("." + file.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return failure("Could not create a temporary file in", directory, errno);
  fs::path temporary(name.data());

  int error = 0;
  std::string step;
  if (fchmod(fd, 0644) != 0) {
    error = errno;
    step = "Could not set the permissions of";
  } else if (!writeAll(fd, contents)) {
    error = errno;
    step = "Could not write";
  } else if (fsync(fd) != 0) {
    error = errno;
    step = "Could not flush";
  }
  if (close(fd) != 0 && error == 0) {
    error = errno;
    step = "Could not close";
  }
  if (error == 0 && rename(temporary.c_str(), file.c_str()) != 0) {
    error = errno;
    unlink(temporary.c_str());
    return failure("Could not replace", file, error);
  }
  if (error != 0) {
    unlink(temporary.c_str());
    return failure(step, temporary, error);
  }
  syncDirectory(directory);
  return std::nullopt;
}

std::optional<std::string> readWholeFile(const fs::path& file, int* error) {
  int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = errno;
    return std::nullopt;
  }
  std::string contents;
  char buffer[8192];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (error) *error = errno;
      close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    contents.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return contents;
}

std::optional<fs::path> moveAside(const fs::path& file, const std::string& suffix) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path target = file;
    target += suffix;
    if (attempt > 0) target += "-" + std::to_string(attempt);
    // A hard link never replaces an existing name, unlike rename.
    if (link(file.c_str(), target.c_str()) == 0) {
      if (unlink(file.c_str()) == 0) return target;
      unlink(target.c_str());
      return std::nullopt;
    }
    if (errno == EEXIST) continue;
    if (errno != EPERM && errno != EXDEV && errno != ENOTSUP) return std::nullopt;
    // A file system without hard links: rename, checking first that the name is free.
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) continue;
    if (rename(file.c_str(), target.c_str()) == 0) return target;
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<fs::path> userConfigDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && fs::path(config).is_absolute()) return fs::path(config);
  const char* home = std::getenv("HOME");
  if (home && fs::path(home).is_absolute()) return fs::path(home) / ".config";
  return std::nullopt;
}

}  // namespace strandel::sim
