#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf8.h"

// The small part of Unicode that labelling extras needs: UTF-8 decoding that never fails,
// the two white-space sets used for trimming, locale-independent lower-casing and canonical
// decomposition, so that texts can be compared under canonical equivalence.
namespace strandel::unicode {

using strandel::kReplacementCharacter;

// One decoded character and the bytes it came from.
struct DecodedChar {
  char32_t codePoint = 0;
  size_t offset = 0;
  size_t length = 0;
  bool valid = true;  // false: the bytes were not UTF-8 and stand as U+FFFD
};

// Every byte of the input belongs to exactly one entry. Ill-formed sequences become U+FFFD,
// one per maximal ill-formed subpart, as the Unicode standard recommends.
std::vector<DecodedChar> decodeUtf8(std::string_view text);
std::u32string codePoints(std::string_view text);
std::string encodeUtf8(std::u32string_view text);

// General category Z (Zs, Zl, Zp), U+000A to U+000D and U+0085.
bool isWhitespaceOrNewline(char32_t c);
// General category Zs and the tab U+0009; line breaks are not in it.
bool isWhitespace(char32_t c);

// The text without the characters of the set at either end. Bytes that are not UTF-8 count
// as characters outside any set and are kept as they were.
std::string_view trim(std::string_view text, bool (*inSet)(char32_t));

// Unicode default full lowercase mapping of every code point, without the context-dependent
// final-sigma rule (capital sigma always becomes U+03C3).
std::u32string toLower(std::u32string_view text);

// Canonical decomposition (NFD): full decomposition, Hangul syllables included, followed by
// canonical ordering of combining marks. Two texts are canonically equivalent exactly when
// their decompositions are equal.
std::u32string canonicalDecomposition(std::u32string_view text);

// The canonical combining class; 0 for starters (letters, Hangul jamo, unassigned).
uint8_t canonicalCombiningClass(char32_t c);

// The Unicode version the character tables were generated from.
const char* tablesVersion();

}  // namespace strandel::unicode
