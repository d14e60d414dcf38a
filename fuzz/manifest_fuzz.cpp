// Decodes arbitrary bytes as a version manifest and compares whatever version comes out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/update_checker.h"

using strandel::UpdateChecker;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto info = UpdateChecker::VersionInfo::decode(text);
  if (!info) return 0;
  // Decoding is a function of the bytes alone.
  if (UpdateChecker::VersionInfo::decode(text) != info) std::abort();
  if (UpdateChecker::compareVersions(info->version, info->version) != 0) std::abort();
  bool newer = UpdateChecker::isNewer(info->version, "1.0.0");
  bool older = UpdateChecker::compareVersions(info->version, "1.0.0") < 0;
  if (newer && older) std::abort();
  (void)UpdateChecker::isDownloadScheme(info->downloadUrl);
  return 0;
}
