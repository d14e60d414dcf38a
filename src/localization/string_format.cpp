#include "localization/string_format.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#include "text/utf8.h"

namespace strandel {

namespace {

// Widths and precisions beyond this are taken as a broken text, not as a request for
// megabytes of padding.
constexpr size_t kMaxFieldSize = 4096;
// Any larger number only needs to be known to be too large.
constexpr size_t kSaturated = SIZE_MAX / 16;

struct Directive {
  std::optional<size_t> position;  // 1-based, from "%N$"
  bool leftAlign = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zeroPad = false;
  size_t width = 0;
  std::optional<size_t> precision;
  bool usable = true;  // false for '*' fields and oversized numbers
};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

size_t readNumber(std::string_view s, size_t& i) {
  size_t value = 0;
  while (i < s.size() && isDigit(s[i])) {
    value = value >= kSaturated ? kSaturated : value * 10 + static_cast<size_t>(s[i] - '0');
    ++i;
  }
  return value;
}

size_t codePointCount(std::string_view text) {
  size_t count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

// The first `limit` code points of `text`, never splitting a character.
std::string_view firstCodePoints(std::string_view text, size_t limit) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == limit) return text.substr(0, i);
      ++count;
    }
  }
  return text;
}

void pad(std::string& out, size_t count, char fill) {
  out.append(count, fill);
}

void appendField(std::string& out, std::string_view body, size_t length, const Directive& d) {
  size_t padding = d.width > length ? d.width - length : 0;
  if (!d.leftAlign) pad(out, padding, ' ');
  out += body;
  if (d.leftAlign) pad(out, padding, ' ');
}

void appendText(std::string& out, std::string_view text, const Directive& d) {
  if (d.precision) text = firstCodePoints(text, *d.precision);
  appendField(out, text, codePointCount(text), d);
}

std::string digitsOf(uint64_t magnitude, unsigned base, bool upper) {
  const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), symbols[magnitude % base]);
    magnitude /= base;
  } while (magnitude != 0);
  return digits;
}

// d i u o x X with printf's flags, width and precision. Every conversion takes the whole
// 64-bit value whatever length modifier the text names; the unsigned ones read negative
// values in two's complement.
void appendInteger(std::string& out, int64_t value, char conversion, const Directive& d) {
  bool isSigned = conversion == 'd' || conversion == 'i';
  uint64_t magnitude = 0;
  std::string prefix;
  if (isSigned) {
    magnitude =
        value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    if (value < 0) {
      prefix = "-";
    } else if (d.plus) {
      prefix = "+";
    } else if (d.space) {
      prefix = " ";
    }
  } else {
    magnitude = static_cast<uint64_t>(value);
  }
  unsigned base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X') ? 16 : 10;
  std::string digits = digitsOf(magnitude, base, conversion == 'X');
  if (d.precision) {
    if (*d.precision == 0 && magnitude == 0) digits.clear();
    if (digits.size() < *d.precision) digits.insert(0, *d.precision - digits.size(), '0');
  }
  if (d.alternate) {
    if (base == 16 && magnitude != 0) prefix += conversion == 'X' ? "0X" : "0x";
    if (base == 8 && (digits.empty() || digits.front() != '0')) digits.insert(0, "0");
  }
  size_t length = prefix.size() + digits.size();
  if (d.zeroPad && !d.leftAlign && !d.precision && d.width > length) {
    digits.insert(0, d.width - length, '0');
    length = d.width;
  }
  appendField(out, prefix + digits, length, d);
}

// The UTF-8 form of a Unicode scalar value; none for anything else (and for NUL, which a
// text cannot carry usefully).
std::optional<std::string> utf8(int64_t value) {
  if (value <= 0 || value > 0x10FFFF || isSurrogate(static_cast<char32_t>(value))) {
    return std::nullopt;
  }
  return utf8Of(static_cast<char32_t>(value));
}

// Writes one argument for the conversion; false when the argument is not of its kind.
bool appendArgument(std::string& out, const FormatArgument& argument, char conversion,
                    const Directive& d) {
  const auto* text = std::get_if<std::string>(&argument);
  const auto* number = std::get_if<int64_t>(&argument);
  switch (conversion) {
    case '@':  // an object: a number shows its decimal form
      if (text) {
        appendText(out, *text, d);
      } else {
        appendInteger(out, *number, 'd', d);
      }
      return true;
    case 's':
      if (!text) return false;
      appendText(out, *text, d);
      return true;
    case 'd':
    case 'i':
    case 'u':
    case 'o':
    case 'x':
    case 'X':
      if (!number) return false;
      appendInteger(out, *number, conversion, d);
      return true;
    case 'c':
    case 'C': {
      if (!number) return false;
      auto character = utf8(*number);
      if (!character) return false;
      appendField(out, *character, 1, d);
      return true;
    }
    default:
      return false;
  }
}

// The conversions appendArgument knows.
bool takesArgument(char conversion) {
  return std::string_view("@sdiuoxXcC").find(conversion) != std::string_view::npos;
}

bool isLengthModifier(char c) {
  return c == 'h' || c == 'l' || c == 'q' || c == 'L' || c == 'z' || c == 't' || c == 'j';
}

}  // namespace

// A directive is written out as it stands, and the text goes on after it, when it cannot
// be honoured: an unknown or unsupported conversion (floating point, %n, %p), a '*' field,
// a width or precision above kMaxFieldSize, a position of 0 or past the arguments, no
// argument left, or an argument of the wrong kind (text for %d, a number for %s). A "%" at
// the very end is written as it stands. Directives without a position take the arguments in
// order, each taking its turn even when it is written out; positional ones ("%2$@") take the
// numbered argument and leave the order alone.
std::string stringWithFormat(std::string_view format, std::initializer_list<FormatArgument> args) {
  const FormatArgument* arguments = args.begin();
  const size_t count = args.size();
  size_t nextArgument = 0;

  std::string out;
  out.reserve(format.size());
  size_t i = 0;
  while (i < format.size()) {
    if (format[i] != '%') {
      out += format[i++];
      continue;
    }
    size_t start = i++;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }

    Directive d;
    size_t k = i;
    size_t number = readNumber(format, k);
    if (k > i && k < format.size() && format[k] == '$') {
      d.position = number;
      i = k + 1;
    }
    for (; i < format.size(); ++i) {
      char c = format[i];
      if (c == '-') {
        d.leftAlign = true;
      } else if (c == '+') {
        d.plus = true;
      } else if (c == ' ') {
        d.space = true;
      } else if (c == '#') {
        d.alternate = true;
      } else if (c == '0') {
        d.zeroPad = true;
      } else if (c != '\'') {
        break;
      }
    }
    if (i < format.size() && format[i] == '*') {
      d.usable = false;
      ++i;
    } else {
      d.width = readNumber(format, i);
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (i < format.size() && format[i] == '*') {
        d.usable = false;
        ++i;
      } else {
        d.precision = readNumber(format, i);
      }
    }
    while (i < format.size() && isLengthModifier(format[i])) ++i;
    if (i >= format.size()) {
      out += format.substr(start);
      break;
    }
    char conversion = format[i++];
    std::string_view directive = format.substr(start, i - start);

    if (d.width > kMaxFieldSize || (d.precision && *d.precision > kMaxFieldSize)) {
      d.usable = false;
    }
    if (!d.usable || !takesArgument(conversion)) {
      out += directive;
      continue;
    }
    size_t index = 0;
    if (d.position) {
      if (*d.position == 0 || *d.position > count) {
        out += directive;
        continue;
      }
      index = *d.position - 1;
    } else {
      index = nextArgument++;
      if (index >= count) {
        out += directive;
        continue;
      }
    }
    if (!appendArgument(out, arguments[index], conversion, d)) out += directive;
  }
  return out;
}

}  // namespace strandel
