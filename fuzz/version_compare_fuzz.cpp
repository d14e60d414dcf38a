// The version order on arbitrary bytes: reflexive, antisymmetric and transitive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/update_checker.h"

using strandel::UpdateChecker;

namespace {
int sign(int v) {
  return (v > 0) - (v < 0);
}
int order(std::string_view a, std::string_view b) {
  return sign(UpdateChecker::compareVersions(a, b));
}
}  // namespace

// The input is up to three versions separated by NUL bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  std::string_view parts[3];
  for (auto& part : parts) {
    size_t cut = all.find('\0');
    part = all.substr(0, cut);
    all = cut == std::string_view::npos ? std::string_view() : all.substr(cut + 1);
  }
  const auto& [a, b, c] = parts;
  if (order(a, a) != 0) std::abort();
  if (order(a, b) != -order(b, a)) std::abort();
  if (order(a, b) <= 0 && order(b, c) <= 0) {
    int expected = (order(a, b) < 0 || order(b, c) < 0) ? -1 : 0;
    if (order(a, c) != expected) std::abort();
  }
  if (UpdateChecker::isNewer(a, b) != (order(a, b) > 0)) std::abort();
  return 0;
}
