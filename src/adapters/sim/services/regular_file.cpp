#include "adapters/sim/services/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace strandel::sim {

namespace {

std::optional<std::string> fail(ReadFailure* failure, ReadFailure what) {
  if (failure) *failure = std::move(what);
  return std::nullopt;
}

ReadFailure systemFailure(int error) {
  return {ReadFailure::Kind::system, error, {}, 0};
}

ReadFailure notRegular(mode_t mode) {
  return {ReadFailure::Kind::notRegular, 0, fileTypeName(mode), 0};
}

ReadFailure tooLarge(uint64_t limit) {
  return {ReadFailure::Kind::tooLarge, 0, {}, limit};
}

}  // namespace

bool ReadFailure::missing() const {
  return kind == Kind::system && (error == ENOENT || error == ENOTDIR);
}

std::string ReadFailure::describe() const {
  switch (kind) {
    case Kind::system:
      return errorText(error);
    case Kind::notRegular:
      return "it is " + type + ", not a regular file";
    case Kind::tooLarge:
      return "it is larger than the limit of " + describeSize(limit);
  }
  return "it cannot be read";
}

std::optional<std::string> readWholeFile(const std::filesystem::path& file, ReadFailure* failure,
                                         uint64_t limit) {
  // Looked at before opening, as opening a device can do things of its own.
  struct stat info {};
  if (stat(file.c_str(), &info) != 0) return fail(failure, systemFailure(errno));
  if (!S_ISREG(info.st_mode)) return fail(failure, notRegular(info.st_mode));
  if (static_cast<uint64_t>(info.st_size) > limit) return fail(failure, tooLarge(limit));

  // The name may stand for another file by now: what counts is the file that was opened,
  // and opening it never waits (a named pipe without writer) nor takes a terminal.
  int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(failure, systemFailure(errno));
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  if (fstat(fd, &info) != 0) return fail(failure, systemFailure(errno));
  if (!S_ISREG(info.st_mode)) return fail(failure, notRegular(info.st_mode));

  // A file that grows while it is read is read up to the limit, and one byte more to tell.
  std::string contents;
  char buffer[8192];
  while (contents.size() <= limit) {
    size_t want =
        static_cast<size_t>(std::min<uint64_t>(sizeof buffer, limit + 1 - contents.size()));
    ssize_t got = read(fd, buffer, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail(failure, systemFailure(errno));
    if (got == 0) return contents;
    contents.append(buffer, static_cast<size_t>(got));
  }
  return fail(failure, tooLarge(limit));
}

std::string fileTypeName(mode_t mode) {
  if (S_ISREG(mode)) return "a regular file";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISLNK(mode)) return "a symbolic link";
  return "a special file";
}

std::string describeSize(uint64_t bytes) {
  constexpr uint64_t kKiB = 1024, kMiB = kKiB * 1024;
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  if (bytes >= kKiB && bytes % kKiB == 0) return std::to_string(bytes / kKiB) + " KiB";
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string errorText(int error) {
  return std::system_category().message(error);
}

}  // namespace strandel::sim
