#include "adapters/sim/terminal/text.h"

#include <wchar.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "text/display_escape.h"
#include "text/utf8.h"

namespace strandel::sim::terminal {

namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// Used when the C library cannot tell (a process in the "C" locale, as tests are): the
// common zero-width and wide ranges, enough for labels in European and East Asian scripts.
constexpr std::array<Range, 9> kZeroWidth = {{
    {0x0300, 0x036F},
    {0x0483, 0x0489},
    {0x0591, 0x05BD},
    {0x1AB0, 0x1AFF},
    {0x1DC0, 0x1DFF},
    {0x200B, 0x200F},
    {0x20D0, 0x20FF},
    {0xFE00, 0xFE0F},
    {0xFE20, 0xFE2F},
}};

constexpr std::array<Range, 16> kWide = {{
    {0x1100, 0x115F},
    {0x231A, 0x231B},
    {0x2E80, 0x303E},
    {0x3041, 0x33FF},
    {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},
    {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F},
    {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F},
    {0x1F900, 0x1F9FF},
    {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
}};

template <size_t N>
bool within(const std::array<Range, N>& ranges, char32_t c) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [c](const Range& r) { return c >= r.first && c <= r.last; });
}

void appendEscape(std::vector<Glyph>& glyphs, const std::string& escape) {
  for (char c : escape) glyphs.push_back(Glyph{std::string(1, c), 1});
}

}  // namespace

int codePointWidth(char32_t c) {
  if (needsDisplayEscape(c)) return -1;
  if (c < 0x7F) return 1;
  // The C library knows the terminal's idea of width once the locale is UTF-8; ncurses
  // places characters by the same answer.
  int known = ::wcwidth(static_cast<wchar_t>(c));
  if (known >= 0) return std::min(known, 2);
  if (within(kZeroWidth, c)) return 0;
  if (within(kWide, c)) return 2;
  return 1;
}

std::vector<Glyph> glyphsOf(std::string_view utf8) {
  std::vector<Glyph> glyphs;
  size_t pos = 0;
  while (pos < utf8.size()) {
    const UTF8Sequence sequence = decodeUTF8(utf8, pos);
    if (!sequence.valid) {  // malformed: one escape per byte, as everywhere else
      for (size_t k = 0; k < sequence.length; ++k) {
        appendEscape(glyphs, displayEscape(utf8.substr(pos + k, 1)));
      }
      pos += sequence.length;
      continue;
    }
    pos += sequence.length;
    const char32_t c = sequence.codePoint;
    const int width = codePointWidth(c);
    if (width < 0) {
      appendEscape(glyphs, displayEscapeOf(c));
      continue;
    }
    if (width == 0) {
      // A mark joins the glyph before it; one with nothing to join is dropped.
      if (!glyphs.empty()) appendUTF8(glyphs.back().text, c);
      continue;
    }
    Glyph glyph;
    glyph.width = width;
    appendUTF8(glyph.text, c);
    glyphs.push_back(std::move(glyph));
  }
  return glyphs;
}

int displayWidth(std::string_view utf8) {
  int width = 0;
  for (const Glyph& g : glyphsOf(utf8)) width += g.width;
  return width;
}

namespace {

// The whole text, when it fits in `columns`.
std::optional<std::string> wholeIfItFits(const std::vector<Glyph>& glyphs, int columns) {
  int total = 0;
  for (const Glyph& g : glyphs) total += g.width;
  if (total > columns) return std::nullopt;
  std::string out;
  for (const Glyph& g : glyphs) out += g.text;
  return out;
}

}  // namespace

std::string fitToWidth(std::string_view utf8, int columns) {
  if (columns <= 0) return {};
  auto glyphs = glyphsOf(utf8);
  if (auto whole = wholeIfItFits(glyphs, columns)) return *whole;
  std::string out;
  int used = 0;
  for (const Glyph& g : glyphs) {
    if (used + g.width > columns - 1) break;
    out += g.text;
    used += g.width;
  }
  return out + "…";
}

std::string fitInMiddle(std::string_view utf8, int columns) {
  if (columns <= 0) return {};
  auto glyphs = glyphsOf(utf8);
  if (auto whole = wholeIfItFits(glyphs, columns)) return *whole;
  std::string out;
  // The end gets the larger half: a file's own name is at the end of its path.
  int tailRoom = columns / 2;
  int headRoom = columns - 1 - tailRoom;
  size_t head = 0;
  for (int used = 0; head < glyphs.size() && used + glyphs[head].width <= headRoom; ++head) {
    used += glyphs[head].width;
  }
  size_t tail = glyphs.size();
  for (int used = 0; tail > head && used + glyphs[tail - 1].width <= tailRoom; --tail) {
    used += glyphs[tail - 1].width;
  }
  for (size_t i = 0; i < head; ++i) out += glyphs[i].text;
  out += "…";
  for (size_t i = tail; i < glyphs.size(); ++i) out += glyphs[i].text;
  return out;
}

std::vector<std::string> wrapText(std::string_view utf8, int columns) {
  std::vector<std::string> lines;
  if (columns <= 0) return lines;
  std::string line;
  int lineWidth = 0;
  std::string word;
  int wordWidth = 0;
  auto flushWord = [&] {
    if (word.empty()) return;
    if (lineWidth > 0 && lineWidth + 1 + wordWidth > columns) {
      lines.push_back(line);
      line.clear();
      lineWidth = 0;
    }
    if (lineWidth > 0) {
      line += ' ';
      ++lineWidth;
    }
    line += word;
    lineWidth += wordWidth;
    word.clear();
    wordWidth = 0;
  };
  // A line feed is no line break here: it shows as its escape, as in every other output.
  for (const Glyph& g : glyphsOf(utf8)) {
    if (g.text == " ") {
      flushWord();
      continue;
    }
    if (wordWidth + g.width > columns) {
      // A word wider than a line gets lines of its own, cut where each ends.
      if (lineWidth > 0) lines.push_back(line);
      if (!word.empty()) lines.push_back(word);
      line.clear();
      lineWidth = 0;
      word.clear();
      wordWidth = 0;
    }
    word += g.text;
    wordWidth += g.width;
  }
  flushWord();
  lines.push_back(line);
  return lines;
}

}  // namespace strandel::sim::terminal
