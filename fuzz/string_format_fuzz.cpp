// Formats arbitrary texts, as a translated string table might hold them, with the
// arguments the program passes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "localization/string_format.h"

using strandel::stringWithFormat;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view format(reinterpret_cast<const char*>(data), size);
  // The header counts, the update texts, and nothing at all.
  std::string counted = stringWithFormat(format, {int64_t{-9223372036854775807 - 1}});
  std::string versions = stringWithFormat(format, {std::string("1.0.0"), std::string("2.0")});
  std::string bare = stringWithFormat(format, {});
  // No directive grows past its field limit plus its argument.
  size_t bound = 16 * size + 4096 * size + 64;
  if (counted.size() > bound || versions.size() > bound || bare.size() > bound) std::abort();
  // Without arguments every directive is written out as it stands, save "%%".
  if (bare.size() > size) std::abort();
  return 0;
}
