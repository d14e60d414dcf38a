#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace strandel::sim {

// The system calls that write, replace and move the program's own files, one to one, so that
// tests can see their order and make any of them fail. Each answers as the system call does:
// -1 (or a negative count) with `errno` set on failure.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual int mkstemp(char* pattern);
  virtual int fchmod(int fd, mode_t mode);
  virtual ssize_t write(int fd, const void* data, size_t size);
  virtual int fsync(int fd);
  virtual int close(int fd);
  virtual int rename(const char* from, const char* to);
  virtual int link(const char* from, const char* to);
  virtual int unlink(const char* path);
};

// The calls as the system makes them.
FileCalls& systemFileCalls();

}  // namespace strandel::sim
