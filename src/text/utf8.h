#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 encoding and strict decoding. The decoder reports ill-formed bytes instead of
// repairing them, so that each caller keeps its own policy for them.
namespace strandel {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

constexpr bool isSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}
constexpr bool isHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool isLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}
// The character a UTF-16 surrogate pair stands for.
constexpr char32_t fromSurrogatePair(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Appends the UTF-8 form of `c`; a value that is no Unicode scalar value (a surrogate, or
// past U+10FFFF) is written as U+FFFD.
void appendUTF8(std::string& out, char32_t c);
std::string utf8Of(char32_t c);

struct UTF8Sequence {
  char32_t codePoint = kReplacementCharacter;  // U+FFFD when not valid
  size_t length = 0;                           // at least 1
  bool valid = false;
};

// The character starting at byte `pos` of `text` (pos < text.size()). Overlong forms,
// surrogates, values past U+10FFFF, stray continuation bytes and cut-off sequences are
// ill-formed; for those `length` covers the lead byte and the continuation bytes that could
// still have belonged to it (one "maximal subpart", as the Unicode standard calls it).
UTF8Sequence decodeUTF8(std::string_view text, size_t pos);

bool isValidUTF8(std::string_view text);

}  // namespace strandel
