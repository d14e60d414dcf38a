#pragma once

// A reader for the string tables (Localizable.strings) and for the printf directives in their
// texts, independent of either platform's own reader so that the tables are checked the same
// way on Linux and on a Mac.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strandel::localization {

struct StringsEntry {
  std::string key;
  std::string value;
  int line = 0;
};

struct StringsFile {
  std::vector<StringsEntry> entries;
  // Set when the text is not a string table; says what and on which line.
  std::optional<std::string> error;
};

namespace detail {

inline void appendUTF8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

class StringsReader {
 public:
  explicit StringsReader(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
  }

  StringsFile read() {
    StringsFile file;
    while (true) {
      if (!skipSpace()) return fail(file);
      if (atEnd()) return file;
      StringsEntry entry;
      entry.line = line_;
      if (!readToken(entry.key)) return fail(file);
      if (!skipSpace()) return fail(file);
      if (peek() == ';') {
        // `"key";` alone gives the key itself as its text.
        entry.value = entry.key;
      } else {
        if (peek() != '=') return fail(file, "expected '=' after the key");
        ++pos_;
        if (!skipSpace()) return fail(file);
        if (!readToken(entry.value)) return fail(file);
        if (!skipSpace()) return fail(file);
      }
      if (peek() != ';') return fail(file, "expected ';' after the text");
      ++pos_;
      file.entries.push_back(std::move(entry));
    }
  }

 private:
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[pos_]; }

  StringsFile& fail(StringsFile& file, std::string message = {}) {
    if (!message.empty()) error_ = std::move(message);
    file.error = "line " + std::to_string(line_) + ": " + error_;
    return file;
  }

  char advance() {
    char c = text_[pos_++];
    if (c == '\n') ++line_;
    return c;
  }

  // Whitespace and both kinds of comment; false on a comment that never ends.
  bool skipSpace() {
    while (!atEnd()) {
      char c = peek();
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        advance();
      } else if (text_.substr(pos_, 2) == "//") {
        while (!atEnd() && peek() != '\n') advance();
      } else if (text_.substr(pos_, 2) == "/*") {
        const int start = line_;
        pos_ += 2;
        while (!atEnd() && text_.substr(pos_, 2) != "*/") advance();
        if (atEnd()) {
          error_ = "comment from line " + std::to_string(start) + " never ends";
          return false;
        }
        pos_ += 2;
      } else {
        break;
      }
    }
    return true;
  }

  static bool isBareChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '$' || c == '/' || c == ':' || c == '-';
  }

  bool readToken(std::string& out) {
    if (peek() == '"') return readQuoted(out);
    if (!isBareChar(peek())) {
      error_ = atEnd() ? "the table ends inside an entry" : "expected a quoted string";
      return false;
    }
    while (!atEnd() && isBareChar(peek())) out += advance();
    return true;
  }

  bool readHex(int digits, uint32_t& code) {
    code = 0;
    for (int i = 0; i < digits; ++i) {
      if (atEnd()) return false;
      char c = advance();
      code <<= 4;
      if (c >= '0' && c <= '9') {
        code |= static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        code |= static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        code |= static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  bool readQuoted(std::string& out) {
    const int start = line_;
    advance();  // the opening quote
    while (!atEnd()) {
      char c = advance();
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (atEnd()) break;
      char e = advance();
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
        case 'U':
        case 'u': {
          uint32_t code = 0;
          if (!readHex(4, code)) {
            error_ = "malformed \\U escape";
            return false;
          }
          // A high surrogate takes the low one that must follow.
          if (code >= 0xD800 && code < 0xDC00 && text_.substr(pos_, 2) == "\\U") {
            pos_ += 2;
            uint32_t low = 0;
            if (!readHex(4, low) || low < 0xDC00 || low > 0xDFFF) {
              error_ = "unpaired surrogate in \\U escape";
              return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xD800 && code <= 0xDFFF) {
            error_ = "unpaired surrogate in \\U escape";
            return false;
          }
          appendUTF8(out, code);
          break;
        }
        default:
          // \" \\ \' and any other escaped character stand for themselves.
          out += e;
          break;
      }
    }
    error_ = "string from line " + std::to_string(start) + " never ends";
    return false;
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  std::string error_ = "malformed entry";
};

}  // namespace detail

inline StringsFile parseStrings(std::string_view text) {
  return detail::StringsReader(text).read();
}

// What a printf directive consumes.
enum class ArgumentKind { text, int64, int32, other };

inline std::ostream& operator<<(std::ostream& out, ArgumentKind kind) {
  switch (kind) {
    case ArgumentKind::text:
      return out << "text";
    case ArgumentKind::int64:
      return out << "int64";
    case ArgumentKind::int32:
      return out << "int32";
    case ArgumentKind::other:
      return out << "other";
  }
  return out << "?";
}

struct Directive {
  std::optional<int> position;  // the n of "%n$", counted from 1
  ArgumentKind kind = ArgumentKind::other;
  std::string spelling;
};

struct Directives {
  std::vector<Directive> list;
  // Set for a '%' that starts no complete directive.
  std::optional<std::string> error;
};

// Every directive of a format text, "%%" excepted. "%@" takes text; "%lld", "%lli", "%qd",
// "%ld" (64-bit longs, as on every Mac the program runs on) and their unsigned kin take a
// 64-bit integer; "%d" and "%i" take a 32-bit one.
inline Directives parseDirectives(std::string_view format) {
  Directives result;
  size_t i = 0;
  auto digit = [&](size_t at) {
    return at < format.size() && format[at] >= '0' && format[at] <= '9';
  };
  while ((i = format.find('%', i)) != std::string_view::npos) {
    const size_t start = i++;
    if (i < format.size() && format[i] == '%') {
      ++i;
      continue;
    }
    Directive directive;
    // Position: digits followed by '$'.
    size_t j = i;
    while (digit(j)) ++j;
    if (j > i && j < format.size() && format[j] == '$') {
      directive.position = std::stoi(std::string(format.substr(i, j - i)));
      i = j + 1;
    }
    while (i < format.size() &&
           std::string_view("-+ #0'").find(format[i]) != std::string_view::npos) {
      ++i;
    }
    while (digit(i) || (i < format.size() && format[i] == '*')) ++i;
    if (i < format.size() && format[i] == '.') {
      ++i;
      while (digit(i) || (i < format.size() && format[i] == '*')) ++i;
    }
    std::string length;
    while (i < format.size() &&
           std::string_view("hlqLjzt").find(format[i]) != std::string_view::npos) {
      length += format[i++];
    }
    if (i >= format.size()) {
      result.error = "'%' at the end of \"" + std::string(format) + "\" starts no directive";
      return result;
    }
    const char conversion = format[i++];
    if (conversion == '@') {
      directive.kind = length.empty() ? ArgumentKind::text : ArgumentKind::other;
    } else if (std::string_view("diuoxX").find(conversion) != std::string_view::npos) {
      if (length == "ll" || length == "q" || length == "l" || length == "j") {
        directive.kind = ArgumentKind::int64;
      } else if (length.empty()) {
        directive.kind = ArgumentKind::int32;
      }
    }
    directive.spelling = std::string(format.substr(start, i - start));
    result.list.push_back(std::move(directive));
  }
  return result;
}

// The arguments a format text reads, in argument order; none with an explanation when the
// text mixes positional and sequential directives, skips a position, or reads one position
// as two kinds.
inline std::pair<std::optional<std::vector<ArgumentKind>>, std::string> argumentKinds(
    std::string_view format) {
  Directives directives = parseDirectives(format);
  if (directives.error) return {std::nullopt, *directives.error};
  std::vector<std::optional<ArgumentKind>> slots;
  size_t sequential = 0;
  size_t positional = 0;
  for (const Directive& d : directives.list) {
    if (d.spelling.find('*') != std::string::npos) {
      return {std::nullopt, d.spelling + " takes its width or precision from an argument"};
    }
    size_t index = 0;
    if (d.position) {
      if (*d.position < 1) return {std::nullopt, d.spelling + " names position 0"};
      index = static_cast<size_t>(*d.position - 1);
      ++positional;
    } else {
      index = sequential++;
    }
    if (slots.size() <= index) slots.resize(index + 1);
    if (slots[index] && *slots[index] != d.kind) {
      return {std::nullopt, "argument " + std::to_string(index + 1) + " is read as two kinds"};
    }
    slots[index] = d.kind;
  }
  if (positional != 0 && sequential != 0) {
    return {std::nullopt, "positional and sequential directives are mixed"};
  }
  std::vector<ArgumentKind> kinds;
  for (size_t k = 0; k < slots.size(); ++k) {
    if (!slots[k]) return {std::nullopt, "argument " + std::to_string(k + 1) + " is never read"};
    kinds.push_back(*slots[k]);
  }
  return {kinds, ""};
}

}  // namespace strandel::localization
