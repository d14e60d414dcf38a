#include "text/unicode_text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace strandel::unicode {

namespace {

struct CodePointPair {
  char32_t from;
  char32_t to;
};
struct SpecialLowercase {
  char32_t from;
  int length;
  char32_t to[3];
};
struct Decomposition {
  char32_t from;
  uint16_t offset;
  uint8_t length;
};
struct CombiningClassRange {
  char32_t first;
  char32_t last;
  uint8_t combiningClass;
};

#include "text/unicode_tables.inc"

// Hangul syllables decompose by arithmetic rather than by table.
constexpr char32_t kSBase = 0xAC00, kLBase = 0x1100, kVBase = 0x1161, kTBase = 0x11A7;
constexpr char32_t kVCount = 21, kTCount = 28, kNCount = kVCount * kTCount, kSCount = 11172;

uint8_t combiningClass(char32_t c) {
  auto it = std::upper_bound(
      std::begin(kCombiningClasses), std::end(kCombiningClasses), c,
      [](char32_t value, const CombiningClassRange& range) { return value < range.first; });
  if (it == std::begin(kCombiningClasses)) return 0;
  --it;
  return c <= it->last ? it->combiningClass : 0;
}

}  // namespace

std::vector<DecodedChar> decodeUtf8(std::string_view text) {
  std::vector<DecodedChar> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const UTF8Sequence sequence = decodeUTF8(text, i);
    out.push_back({sequence.codePoint, i, sequence.length, sequence.valid});
    i += sequence.length;
  }
  return out;
}

std::u32string codePoints(std::string_view text) {
  std::u32string out;
  for (const DecodedChar& c : decodeUtf8(text)) out.push_back(c.codePoint);
  return out;
}

std::string encodeUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) appendUTF8(out, c);
  return out;
}

bool isWhitespace(char32_t c) {
  switch (c) {
    case 0x0009:
    case 0x0020:
    case 0x00A0:
    case 0x1680:
    case 0x202F:
    case 0x205F:
    case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

bool isWhitespaceOrNewline(char32_t c) {
  if (c == 0x0009) return false;  // a tab is in the other set only
  return isWhitespace(c) || (c >= 0x000A && c <= 0x000D) || c == 0x0085 || c == 0x2028 ||
         c == 0x2029;
}

std::string_view trim(std::string_view text, bool (*inSet)(char32_t)) {
  const std::vector<DecodedChar> chars = decodeUtf8(text);
  auto kept = [inSet](const DecodedChar& c) { return !c.valid || !inSet(c.codePoint); };
  const auto first = std::find_if(chars.begin(), chars.end(), kept);
  if (first == chars.end()) return text.substr(0, 0);
  const auto last = std::find_if(chars.rbegin(), chars.rend(), kept);
  const size_t begin = first->offset;
  const size_t end = last->offset + last->length;
  return text.substr(begin, end - begin);
}

std::u32string toLower(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c < 0x80) {
      out.push_back(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
      continue;
    }
    const auto special = std::find_if(std::begin(kSpecialLowercase), std::end(kSpecialLowercase),
                                      [c](const SpecialLowercase& s) { return s.from == c; });
    if (special != std::end(kSpecialLowercase)) {
      out.append(special->to, static_cast<size_t>(special->length));
      continue;
    }
    const auto it = std::lower_bound(
        std::begin(kLowercase), std::end(kLowercase), c,
        [](const CodePointPair& pair, char32_t value) { return pair.from < value; });
    out.push_back(it != std::end(kLowercase) && it->from == c ? it->to : c);
  }
  return out;
}

std::u32string canonicalDecomposition(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size() * 2);
  for (char32_t c : text) {
    if (c >= kSBase && c < kSBase + kSCount) {
      const char32_t index = c - kSBase;
      out.push_back(kLBase + index / kNCount);
      out.push_back(kVBase + (index % kNCount) / kTCount);
      if (index % kTCount != 0) out.push_back(kTBase + index % kTCount);
      continue;
    }
    const auto it =
        std::lower_bound(std::begin(kDecompositions), std::end(kDecompositions), c,
                         [](const Decomposition& d, char32_t value) { return d.from < value; });
    if (it != std::end(kDecompositions) && it->from == c) {
      out.append(kDecompositionPool + it->offset, it->length);
    } else {
      out.push_back(c);
    }
  }
  // Canonical ordering: a stable sort by combining class within each run of marks.
  size_t i = 0;
  while (i < out.size()) {
    if (combiningClass(out[i]) == 0) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < out.size() && combiningClass(out[end]) != 0) ++end;
    std::stable_sort(out.begin() + static_cast<std::ptrdiff_t>(i),
                     out.begin() + static_cast<std::ptrdiff_t>(end),
                     [](char32_t a, char32_t b) { return combiningClass(a) < combiningClass(b); });
    i = end;
  }
  return out;
}

uint8_t canonicalCombiningClass(char32_t c) {
  return combiningClass(c);
}

const char* tablesVersion() {
  return kUnicodeVersion;
}

}  // namespace strandel::unicode
