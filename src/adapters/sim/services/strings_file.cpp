#include "adapters/sim/services/strings_file.h"

#include <cstdint>

#include "text/utf8.h"

namespace strandel::sim {

namespace {

std::optional<std::string> decodeUTF16(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); i += 2) {
    auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
    auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
    char32_t unit = static_cast<char32_t>((hi << 8) | lo);
    if (unit == 0) return std::nullopt;
    if (isHighSurrogate(unit)) {
      if (i + 3 >= bytes.size()) return std::nullopt;
      auto hi2 = static_cast<unsigned char>(bytes[i + 2 + (bigEndian ? 0 : 1)]);
      auto lo2 = static_cast<unsigned char>(bytes[i + 2 + (bigEndian ? 1 : 0)]);
      char32_t low = static_cast<char32_t>((hi2 << 8) | lo2);
      if (!isLowSurrogate(low)) return std::nullopt;
      appendUTF8(out, fromSurrogatePair(unit, low));
      i += 2;
    } else if (isSurrogate(unit)) {
      return std::nullopt;
    } else {
      appendUTF8(out, unit);
    }
  }
  return out;
}

std::optional<std::string> decode(std::string_view bytes) {
  auto startsWith = [&](std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
  };
  if (startsWith("\xEF\xBB\xBF"))
    bytes.remove_prefix(3);
  else if (startsWith("\xFF\xFE"))
    return decodeUTF16(bytes.substr(2), false);
  else if (startsWith("\xFE\xFF"))
    return decodeUTF16(bytes.substr(2), true);
  // Strict UTF-8, and no NUL.
  if (!isValidUTF8(bytes) || bytes.find('\0') != std::string_view::npos) return std::nullopt;
  return std::string(bytes);
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<std::map<std::string, std::string>> parse() {
    std::map<std::string, std::string> table;
    if (!skipTrivia()) return std::nullopt;
    bool braced = peek() == '{';
    if (braced) {
      ++pos_;
      if (!skipTrivia()) return std::nullopt;
    }
    while (!atEnd() && !(braced && peek() == '}')) {
      auto key = parseString();
      if (!key || !skipTrivia()) return std::nullopt;
      std::string value;
      if (peek() == ';') {
        value = *key;
      } else {
        if (peek() != '=') return std::nullopt;
        ++pos_;
        if (!skipTrivia()) return std::nullopt;
        auto parsed = parseString();
        if (!parsed || !skipTrivia()) return std::nullopt;
        value = std::move(*parsed);
      }
      if (peek() != ';') return std::nullopt;
      ++pos_;
      if (!skipTrivia()) return std::nullopt;
      table.insert_or_assign(std::move(*key), std::move(value));
    }
    if (braced) {
      if (atEnd()) return std::nullopt;
      ++pos_;
      if (!skipTrivia() || !atEnd()) return std::nullopt;
    }
    return table;
  }

 private:
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[pos_]; }

  // Whitespace and comments; false on a comment that never ends.
  bool skipTrivia() {
    while (!atEnd()) {
      char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        ++pos_;
      } else if (text_.substr(pos_, 2) == "/*") {
        size_t end = text_.find("*/", pos_ + 2);
        if (end == std::string_view::npos) return false;
        pos_ = end + 2;
      } else if (text_.substr(pos_, 2) == "//") {
        size_t end = text_.find('\n', pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
      } else {
        break;
      }
    }
    return true;
  }

  static bool isBareChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
  }

  static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  std::optional<std::string> parseString() {
    if (peek() != '"') {
      size_t start = pos_;
      while (!atEnd() && isBareChar(text_[pos_])) ++pos_;
      if (pos_ == start) return std::nullopt;
      return std::string(text_.substr(start, pos_ - start));
    }
    ++pos_;
    std::string out;
    char32_t pendingHigh = 0;  // a high surrogate waiting for its pair
    auto flushHigh = [&] {
      if (pendingHigh) appendUTF8(out, kReplacementCharacter);
      pendingHigh = 0;
    };
    while (!atEnd()) {
      char c = text_[pos_++];
      if (c == '"') {
        flushHigh();
        return out;
      }
      if (c != '\\') {
        flushHigh();
        out += c;
        continue;
      }
      if (atEnd()) return std::nullopt;
      char e = text_[pos_++];
      if (e == 'U' || e == 'u') {
        char32_t unit = 0;
        int digits = 0;
        while (digits < 4 && !atEnd() && hexValue(text_[pos_]) >= 0) {
          unit = unit * 16 + static_cast<char32_t>(hexValue(text_[pos_++]));
          ++digits;
        }
        if (digits == 0) return std::nullopt;
        if (isLowSurrogate(unit) && pendingHigh) {
          appendUTF8(out, fromSurrogatePair(pendingHigh, unit));
          pendingHigh = 0;
        } else {
          flushHigh();
          if (isHighSurrogate(unit)) {
            pendingHigh = unit;
          } else {
            appendUTF8(out, unit);  // a lone low surrogate becomes U+FFFD
          }
        }
        continue;
      }
      flushHigh();
      if (e >= '0' && e <= '7') {
        char32_t value = static_cast<char32_t>(e - '0');
        for (int k = 0; k < 2 && !atEnd() && text_[pos_] >= '0' && text_[pos_] <= '7'; ++k) {
          value = value * 8 + static_cast<char32_t>(text_[pos_++] - '0');
        }
        appendUTF8(out, value);
        continue;
      }
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case 'a':
          out += '\a';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'v':
          out += '\v';
          break;
        default:
          out += e;
          break;  // \" \\ \' and any other character stand for themselves
      }
    }
    return std::nullopt;  // no closing quote
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::optional<std::map<std::string, std::string>> parseStringsFile(std::string_view bytes) {
  auto text = decode(bytes);
  if (!text) return std::nullopt;
  return Parser(*text).parse();
}

}  // namespace strandel::sim
