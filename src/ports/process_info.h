#pragma once

#include <cstdint>
#include <string>

namespace strandel {

// NSOperatingSystemVersion.
struct OperatingSystemVersion {
  int64_t majorVersion = 0;
  int64_t minorVersion = 0;
  int64_t patchVersion = 0;
  bool operator==(const OperatingSystemVersion&) const = default;
};

// NSProcessInfo's processInfo; safe from any thread.
class ProcessInfo {
 public:
  virtual ~ProcessInfo() = default;
  // operatingSystemVersion
  virtual OperatingSystemVersion operatingSystemVersion() = 0;
  // operatingSystemVersionString: for people, not for parsing ("Version 14.2 (Build 23C64)").
  virtual std::string operatingSystemVersionString() = 0;
};

}  // namespace strandel
