#include "text/utf8.h"

namespace strandel {

void appendUTF8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || isSurrogate(c)) c = kReplacementCharacter;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string utf8Of(char32_t c) {
  std::string out;
  appendUTF8(out, c);
  return out;
}

UTF8Sequence decodeUTF8(std::string_view text, size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return {lead, 1, true};
  // The sequence's length and the allowed range of its second byte, which rules out
  // overlong forms, surrogates and values past U+10FFFF.
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {kReplacementCharacter, 1, false};
  }
  for (size_t k = 1; k < length; ++k) {
    if (pos + k >= text.size()) return {kReplacementCharacter, k, false};
    const auto b = static_cast<unsigned char>(text[pos + k]);
    const bool allowed = k == 1 ? (b >= low && b <= high) : (b & 0xC0) == 0x80;
    if (!allowed) return {kReplacementCharacter, k, false};
    c = (c << 6) | (b & 0x3F);
  }
  return {c, length, true};
}

bool isValidUTF8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const UTF8Sequence sequence = decodeUTF8(text, pos);
    if (!sequence.valid) return false;
    pos += sequence.length;
  }
  return true;
}

}  // namespace strandel
