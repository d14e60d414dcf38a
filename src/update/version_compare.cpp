#include <cstring>

#include "update/update_checker.h"

namespace strandel {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The code point at `i`, moving `i` past it. A byte that does not start a well-formed UTF-8
// sequence (overlong forms, surrogates and values past U+10FFFF included) stands alone for
// U+DC00 plus its value; no valid sequence decodes to that range, so distinct byte strings
// stay distinct.
char32_t nextCodePoint(std::string_view s, size_t& i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  size_t length = 0;
  char32_t value = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 0 || i + length > s.size() || byte(i + 1) < low || byte(i + 1) > high) {
    ++i;
    return 0xDC00 + lead;
  }
  for (size_t k = 1; k < length; ++k) {
    if (!isContinuation(byte(i + k))) {
      ++i;
      return 0xDC00 + lead;
    }
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  i += length;
  return value;
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
