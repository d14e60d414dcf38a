#pragma once

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "adapters/sim/services/file_calls.h"

namespace strandel::sim::test {

// The system's file calls, keeping the order of the ones that make a write durable, and
// failing those named in `failing` with the error given there. A failing write first writes
// part of the text, as a disk that fills up does.
class RecordingFileCalls : public FileCalls {
 public:
  std::map<std::string, int> failing;
  // "fsync temporary", "rename", "link", "fsync directory", in the order made.
  std::vector<std::string> durability;

  int mkstemp(char* pattern) override {
    if (fails("mkstemp")) return -1;
    temporary_ = FileCalls::mkstemp(pattern);
    return temporary_;
  }
  int fchmod(int fd, mode_t mode) override {
    return fails("fchmod") ? -1 : FileCalls::fchmod(fd, mode);
  }
  ssize_t write(int fd, const void* data, size_t size) override {
    if (failing.count("write") && !partWritten_) {
      partWritten_ = true;
      return FileCalls::write(fd, data, size > 1 ? size / 2 : size);
    }
    return fails("write") ? -1 : FileCalls::write(fd, data, size);
  }
  int fsync(int fd) override {
    durability.push_back(fd == temporary_ ? "fsync temporary" : "fsync directory");
    return fails("fsync") ? -1 : FileCalls::fsync(fd);
  }
  int close(int fd) override {
    int closed = FileCalls::close(fd);      // the descriptor is gone either way
    if (fd == temporary_) temporary_ = -1;  // its number may come back for the directory
    return fails("close") ? -1 : closed;
  }
  int rename(const char* from, const char* to) override {
    durability.push_back("rename");
    return fails("rename") ? -1 : FileCalls::rename(from, to);
  }
  int link(const char* from, const char* to) override {
    durability.push_back("link");
    return fails("link") ? -1 : FileCalls::link(from, to);
  }

 private:
  bool fails(const std::string& call) {
    auto found = failing.find(call);
    if (found == failing.end()) return false;
    errno = found->second;
    return true;
  }
  int temporary_ = -1;
  bool partWritten_ = false;
};

}  // namespace strandel::sim::test
