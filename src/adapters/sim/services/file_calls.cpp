#include "adapters/sim/services/file_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace strandel::sim {

int FileCalls::mkstemp(char* pattern) {
  return ::mkostemp(pattern, O_CLOEXEC);
}

int FileCalls::fchmod(int fd, mode_t mode) {
  return ::fchmod(fd, mode);
}

ssize_t FileCalls::write(int fd, const void* data, size_t size) {
  return ::write(fd, data, size);
}

int FileCalls::fsync(int fd) {
  return ::fsync(fd);
}

int FileCalls::close(int fd) {
  return ::close(fd);
}

int FileCalls::rename(const char* from, const char* to) {
  return ::rename(from, to);
}

int FileCalls::link(const char* from, const char* to) {
  return ::link(from, to);
}

int FileCalls::unlink(const char* path) {
  return ::unlink(path);
}

FileCalls& systemFileCalls() {
  static FileCalls calls;
  return calls;
}

}  // namespace strandel::sim
