#include "localization/localization.h"

#include "ports/platform.h"

namespace strandel {

std::string L(const std::string& key) {
  // An empty value makes the table answer a missing key with the key itself.
  return platform().bundle->localizedString(key, "");
}

}  // namespace strandel
