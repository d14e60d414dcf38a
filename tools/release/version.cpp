#include <charconv>

#include "release/release.h"

namespace strandel::release {

namespace {

// A decimal run without leading zeros, at most `maxDigits` long; the position moves past it.
bool readNumber(std::string_view text, size_t& pos, size_t maxDigits, int64_t& value) {
  size_t end = pos;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  const size_t length = end - pos;
  if (length == 0 || length > maxDigits || (length > 1 && text[pos] == '0')) return false;
  if (std::from_chars(text.data() + pos, text.data() + end, value).ec != std::errc()) return false;
  pos = end;
  return true;
}

}  // namespace

std::string Version::text() const {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

int64_t Version::buildNumber() const {
  return major * 1000000 + minor * 1000 + patch;
}

Version parseVersion(std::string_view text) {
  // A major number of 12 digits keeps the build number far inside 64 bits.
  Version version;
  size_t pos = 0;
  if (readNumber(text, pos, 12, version.major) && pos < text.size() && text[pos++] == '.' &&
      readNumber(text, pos, 3, version.minor) && pos < text.size() && text[pos++] == '.' &&
      readNumber(text, pos, 3, version.patch) && pos == text.size()) {
    return version;
  }
  throw ReleaseError(shown(text, 40) +
                     " is not a version: expected MAJOR.MINOR.PATCH, decimal without leading "
                     "zeros, MINOR and PATCH below 1000 (like 1.2.0)");
}

}  // namespace strandel::release
