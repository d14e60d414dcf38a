#include "text/display_escape.h"

#include <cstdio>

#include "text/utf8.h"

namespace strandel {

namespace {

std::string hexEscape(const char* prefix, unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%s%0*X", prefix, digits, value);
  return buffer;
}

}  // namespace

bool needsDisplayEscape(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
  switch (c) {
    case 0x061C:  // Arabic letter mark
    case 0x200E:  // left-to-right mark
    case 0x200F:  // right-to-left mark
    case 0x2028:  // line separator
    case 0x2029:  // paragraph separator
      return true;
    default:
      // Embeddings and overrides, then isolates.
      return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
  }
}

std::string displayEscapeOf(char32_t c) {
  if (c == '\n') return "\\n";
  if (c < 0x80) return hexEscape("\\x", static_cast<unsigned>(c), 2);
  return hexEscape("\\u", static_cast<unsigned>(c), 4);
}

std::string displayEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte >= 0x20 && byte < 0x7F) {  // the common case first
      out += static_cast<char>(byte);
      ++pos;
      continue;
    }
    const UTF8Sequence sequence = decodeUTF8(text, pos);
    if (!sequence.valid) {
      for (size_t k = 0; k < sequence.length; ++k) {
        out += hexEscape("\\x", static_cast<unsigned char>(text[pos + k]), 2);
      }
    } else if (needsDisplayEscape(sequence.codePoint)) {
      out += displayEscapeOf(sequence.codePoint);
    } else {
      out.append(text.substr(pos, sequence.length));
    }
    pos += sequence.length;
  }
  return out;
}

}  // namespace strandel
