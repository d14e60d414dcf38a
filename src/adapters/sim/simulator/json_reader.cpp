#include "adapters/sim/simulator/json_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "text/utf8.h"

namespace strandel::sim {

namespace {

// Reads a value, or (given the tokens of a pointer) finds where that value starts in a text
// read once already, keeping nothing else.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  JsonDocument read() {
    JsonDocument document;
    document.text = text_;
    document.root = whole();
    return document;
  }

  TextPosition locate(std::vector<std::string> tokens) {
    target_ = std::move(tokens);
    build_ = false;
    whole();
    return found_.value_or(root_);
  }

 private:
  nlohmann::json whole() {
    skipBlanks();
    root_ = here();
    nlohmann::json root = value(true, 0);
    skipBlanks();
    if (pos_ < text_.size()) fail("unexpected text after the end of the JSON value");
    return root;
  }

  [[noreturn]] void fail(const std::string& what) const { throw JsonSyntaxError(here(), what); }

  // Line breaks only occur between tokens (strings refuse them), so skipBlanks keeps the
  // line count. The column is counted on from the last place asked for, so that reading a
  // long line stays linear; only an error may ask for a place behind that.
  TextPosition here() const {
    const size_t to = std::min(pos_, text_.size());
    if (to < countedTo_) {
      countedTo_ = lineStart_;
      column_ = 1;
    }
    for (; countedTo_ < to; ++countedTo_) {
      // Continuation bytes belong to the character before.
      if ((static_cast<unsigned char>(text_[countedTo_]) & 0xC0) != 0x80) ++column_;
    }
    return TextPosition{line_, column_};
  }

  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[pos_]; }

  void skipBlanks() {
    while (!atEnd()) {
      char c = text_[pos_];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return;
      ++pos_;
      if (c == '\n') {
        ++line_;
        lineStart_ = pos_;
        countedTo_ = pos_;
        column_ = 1;
      }
    }
  }

  std::string describeHere() const {
    if (atEnd()) return "the end of the file";
    auto c = static_cast<unsigned char>(text_[pos_]);
    if (c >= 0x20 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", c);
    return std::string("byte ") + buffer;
  }

  // `onPath`: this value is the one located or one above it.
  nlohmann::json value(bool onPath, int depth) {
    if (depth > kMaxJsonDepth) fail("values nested deeper than " + std::to_string(kMaxJsonDepth));
    if (onPath && !build_ && static_cast<size_t>(depth) == target_.size()) found_ = here();
    char c = peek();
    switch (c) {
      case '{':
        return object(onPath, depth);
      case '[':
        return array(onPath, depth);
      case '"':
        return nlohmann::json(string());
      case 't':
        literal("true");
        return nlohmann::json(true);
      case 'f':
        literal("false");
        return nlohmann::json(false);
      case 'n':
        literal("null");
        return nlohmann::json(nullptr);
      default:
        if (c == '-' || (c >= '0' && c <= '9')) return number();
        fail("expected a value, found " + describeHere());
    }
  }

  void literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) {
      fail("expected a value, found " + describeHere());
    }
    pos_ += word.size();
  }

  bool continuesPath(bool parentOnWay, int depth, const std::string& token) const {
    return parentOnWay && !build_ && static_cast<size_t>(depth) < target_.size() &&
           target_[static_cast<size_t>(depth)] == token;
  }

  nlohmann::json object(bool parentOnWay, int depth) {
    ++pos_;  // {
    nlohmann::json result = nlohmann::json::object();
    skipBlanks();
    if (peek() == '}') {
      ++pos_;
      return result;
    }
    for (;;) {
      skipBlanks();
      if (peek() != '"') fail("expected a member name in double quotes, found " + describeHere());
      TextPosition keyAt = here();
      std::string key = string();
      if (build_ && result.contains(key)) {
        throw JsonSyntaxError(keyAt, "the member \"" + key + "\" is given twice");
      }
      skipBlanks();
      if (peek() != ':') fail("expected ':' after the member name, found " + describeHere());
      ++pos_;
      skipBlanks();
      nlohmann::json member = value(continuesPath(parentOnWay, depth, key), depth + 1);
      if (build_) result[key] = std::move(member);
      skipBlanks();
      if (peek() == ',') {
        ++pos_;
        skipBlanks();
        if (peek() == '}') fail("a trailing ',' before '}'");
        continue;
      }
      if (peek() == '}') {
        ++pos_;
        return result;
      }
      fail("expected ',' or '}' in an object, found " + describeHere());
    }
  }

  nlohmann::json array(bool parentOnWay, int depth) {
    ++pos_;  // [
    nlohmann::json result = nlohmann::json::array();
    skipBlanks();
    if (peek() == ']') {
      ++pos_;
      return result;
    }
    for (size_t index = 0;; ++index) {
      skipBlanks();
      const bool on = parentOnWay && continuesPath(true, depth, std::to_string(index));
      nlohmann::json element = value(on, depth + 1);
      if (build_) result.push_back(std::move(element));
      skipBlanks();
      if (peek() == ',') {
        ++pos_;
        skipBlanks();
        if (peek() == ']') fail("a trailing ',' before ']'");
        continue;
      }
      if (peek() == ']') {
        ++pos_;
        return result;
      }
      fail("expected ',' or ']' in an array, found " + describeHere());
    }
  }

  uint32_t hex4() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      char c = peek();
      uint32_t digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<uint32_t>(c - 'A' + 10);
      } else {
        fail("expected four hex digits after \\u");
      }
      v = v * 16 + digit;
      ++pos_;
    }
    return v;
  }

  // One UTF-8 character of the raw text, checked for well-formedness.
  void copyUtf8(std::string& out) {
    const UTF8Sequence sequence = decodeUTF8(text_, pos_);
    if (!sequence.valid) fail("invalid UTF-8 in a string");
    out.append(text_.substr(pos_, sequence.length));
    pos_ += sequence.length;
  }

  std::string string() {
    ++pos_;  // opening quote
    std::string out;
    for (;;) {
      if (atEnd()) fail("a string is not closed before the end of the file");
      char c = text_[pos_];
      if (c == '"') {
        ++pos_;
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        fail(c == '\n' ? "a line break inside a string (write \\n)"
                       : "a control character inside a string");
      }
      if (c != '\\') {
        copyUtf8(out);
        continue;
      }
      ++pos_;
      char e = peek();
      ++pos_;
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          uint32_t cp = hex4();
          if (isHighSurrogate(cp)) {
            if (text_.substr(pos_, 2) != "\\u") fail("a lone surrogate in a \\u escape");
            pos_ += 2;
            uint32_t low = hex4();
            if (!isLowSurrogate(low)) fail("a lone surrogate in a \\u escape");
            cp = fromSurrogatePair(cp, low);
          } else if (isLowSurrogate(cp)) {
            fail("a lone surrogate in a \\u escape");
          }
          appendUTF8(out, cp);
          break;
        }
        default:
          --pos_;
          fail("an unknown escape \\" + describeHere());
      }
    }
  }

  nlohmann::json number() {
    size_t start = pos_;
    auto digits = [&] {
      size_t from = pos_;
      while (!atEnd() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      return pos_ - from;
    };
    if (peek() == '-') ++pos_;
    if (peek() == '0') {
      ++pos_;
      if (peek() >= '0' && peek() <= '9') fail("a number with a leading zero");
    } else if (digits() == 0) {
      fail("expected a digit, found " + describeHere());
    }
    bool integral = true;
    if (peek() == '.') {
      ++pos_;
      integral = false;
      if (digits() == 0) fail("expected a digit after the decimal point");
    }
    if (peek() == 'e' || peek() == 'E') {
      ++pos_;
      integral = false;
      if (peek() == '+' || peek() == '-') ++pos_;
      if (digits() == 0) fail("expected a digit in the exponent");
    }
    std::string_view spelled = text_.substr(start, pos_ - start);
    const char* first = spelled.data();
    const char* last = first + spelled.size();
    if (integral) {
      int64_t i = 0;
      if (std::from_chars(first, last, i).ec == std::errc{}) return nlohmann::json(i);
      uint64_t u = 0;
      if (std::from_chars(first, last, u).ec == std::errc{}) return nlohmann::json(u);
    }
    double d = 0;
    auto result = std::from_chars(first, last, d);
    if (result.ec == std::errc::result_out_of_range) {
      size_t at = pos_;
      pos_ = start;
      TextPosition p = here();
      pos_ = at;
      throw JsonSyntaxError(p, "the number " + std::string(spelled) + " is out of range");
    }
    return nlohmann::json(d);
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  size_t lineStart_ = 0;
  mutable size_t countedTo_ = 0;  // the column below is that of this byte
  mutable int column_ = 1;
  bool build_ = true;
  std::vector<std::string> target_;  // the pointer's tokens, when locating
  std::optional<TextPosition> found_;
  TextPosition root_;
};

}  // namespace

TextPosition JsonDocument::positionOf(std::string_view pointer) const {
  std::vector<std::string> tokens;
  for (size_t at = 0; at < pointer.size();) {
    const size_t end = std::min(pointer.find('/', at + 1), pointer.size());
    std::string token;
    for (size_t i = at + 1; i < end; ++i) {
      const bool escape = pointer[i] == '~' && i + 1 < end;
      if (escape && pointer[i + 1] == '1') {
        token += '/';
        ++i;
      } else if (escape && pointer[i + 1] == '0') {
        token += '~';
        ++i;
      } else {
        token += pointer[i];
      }
    }
    tokens.push_back(std::move(token));
    at = end;
  }
  try {
    return Reader(text).locate(std::move(tokens));
  } catch (const JsonSyntaxError&) {
    return TextPosition{};  // not the text the document was read from
  }
}

JsonDocument readJson(std::string_view text) {
  // A byte-order mark is tolerated, as editors write one.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    Reader reader(text.substr(3));
    return reader.read();
  }
  Reader reader(text);
  return reader.read();
}

std::string jsonPointerToken(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '~') {
      out += "~0";
    } else if (c == '/') {
      out += "~1";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace strandel::sim
