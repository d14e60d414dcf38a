#include <cstring>

#include "text/utf8.h"
#include "update/update_checker.h"

namespace strandel {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The code point at `i`, moving `i` past it. A byte that does not start a well-formed UTF-8
// sequence stands alone for U+DC00 plus its value; no valid sequence decodes to that range,
// so distinct byte strings stay distinct.
char32_t nextCodePoint(std::string_view s, size_t& i) {
  const UTF8Sequence sequence = decodeUTF8(s, i);
  if (!sequence.valid) return 0xDC00 + static_cast<unsigned char>(s[i++]);
  i += sequence.length;
  return sequence.codePoint;
}

// Compares the digit runs starting at `i` and `j` by value, moving both past their runs.
int compareDigitRuns(std::string_view a, size_t& i, std::string_view b, size_t& j) {
  auto runEnd = [](std::string_view s, size_t k) {
    while (k < s.size() && isDigit(s[k])) ++k;
    return k;
  };
  auto skipZeros = [](std::string_view s, size_t k, size_t end) {
    while (k < end && s[k] == '0') ++k;
    return k;
  };
  size_t endA = runEnd(a, i);
  size_t endB = runEnd(b, j);
  size_t startA = skipZeros(a, i, endA);
  size_t startB = skipZeros(b, j, endB);
  i = endA;
  j = endB;
  size_t lengthA = endA - startA;
  size_t lengthB = endB - startB;
  if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
  int order = std::memcmp(a.data() + startA, b.data() + startB, lengthA);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

int UpdateChecker::compareVersions(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      if (int order = compareDigitRuns(a, i, b, j); order != 0) return order;
      continue;
    }
    char32_t ca = nextCodePoint(a, i);
    char32_t cb = nextCodePoint(b, j);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool UpdateChecker::isNewer(std::string_view manifestVersion, std::string_view currentVersion) {
  return compareVersions(manifestVersion, currentVersion) > 0;
}

}  // namespace strandel
