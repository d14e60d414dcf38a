#include "text/search_fold.h"

#include "text/unicode_text.h"

namespace strandel::unicode {

namespace {

// The Halfwidth and Fullwidth Forms block mirrors ASCII from "!" to "~" at this distance.
constexpr char32_t kFullwidthFirst = 0xFF01, kFullwidthLast = 0xFF5E, kFullwidthOffset = 0xFEE0;
constexpr char32_t kIdeographicSpace = 0x3000;
// Nothing below this decomposes.
constexpr char32_t kFirstDecomposable = 0xC0;
// Hiragana and katakana, and Hangul syllables, stay whole: their marks and jamo are part of
// the letter, not a diacritic to ignore.
constexpr char32_t kKanaFirst = 0x3040, kKanaLast = 0x30FF;
constexpr char32_t kHangulFirst = 0xAC00, kHangulLast = 0xD7A3;
constexpr char32_t kKanaVoiced = 0x3099, kKanaSemiVoiced = 0x309A;

char32_t narrowed(char32_t c) {
  if (c >= kFullwidthFirst && c <= kFullwidthLast) return c - kFullwidthOffset;
  return c == kIdeographicSpace ? U' ' : c;
}

bool keptWhole(char32_t c) {
  return (c >= kKanaFirst && c <= kKanaLast) || (c >= kHangulFirst && c <= kHangulLast);
}

// A voicing mark written apart joins the kana before it when a precomposed kana exists
// (U+30AB U+3099 is U+30AC), as it sits in the standard's tables one or two places on.
bool joinedVoicing(std::u32string& out, char32_t mark) {
  if (out.empty() || !keptWhole(out.back())) return false;
  const char32_t composed = out.back() + (mark == kKanaVoiced ? 1 : 2);
  const char32_t parts[] = {out.back(), mark};
  if (canonicalDecomposition(std::u32string_view(&composed, 1)) != std::u32string_view(parts, 2))
    return false;
  out.back() = composed;
  return true;
}

}  // namespace

std::u32string searchFold(std::string_view text) {
  std::u32string points = codePoints(text);
  for (char32_t& c : points) c = narrowed(c);
  const std::u32string lowered = toLower(points);
  std::u32string out;
  out.reserve(lowered.size());
  for (char32_t c : lowered) {
    if ((c == kKanaVoiced || c == kKanaSemiVoiced) && joinedVoicing(out, c)) continue;
    if (c < kFirstDecomposable || keptWhole(c)) {
      out += c;
      continue;
    }
    for (char32_t part : canonicalDecomposition(std::u32string_view(&c, 1))) {
      if (canonicalCombiningClass(part) == 0) out += part;
    }
  }
  return out;
}

}  // namespace strandel::unicode
