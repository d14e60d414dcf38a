#pragma once

#include <string>

namespace strandel {

// The text to show for a localisation key; the key itself when the string table has none.
std::string L(const std::string& key);

}  // namespace strandel
