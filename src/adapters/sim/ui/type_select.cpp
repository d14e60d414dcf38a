#include "adapters/sim/ui/type_select.h"

#include "text/unicode_text.h"

namespace strandel::sim {

namespace {

std::u32string folded(const std::string& text) {
  std::u32string decomposed =
      unicode::canonicalDecomposition(unicode::toLower(unicode::codePoints(text)));
  std::u32string out;
  out.reserve(decomposed.size());
  for (char32_t c : decomposed) {
    if (unicode::canonicalCombiningClass(c) == 0) out += c;
  }
  return out;
}

}  // namespace

bool typeSelectMatches(const std::string& title, const std::string& typed) {
  std::u32string prefix = folded(typed);
  if (prefix.empty()) return false;
  std::u32string whole = folded(title);
  return whole.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace strandel::sim
