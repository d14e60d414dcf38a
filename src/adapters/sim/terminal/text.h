#pragma once

#include <string>
#include <string_view>
#include <vector>

// Terminal text: UTF-8 split into what occupies cells, and how many columns it takes.
namespace strandel::sim::terminal {

// One character as the terminal draws it: a code point with its combining marks, and the
// columns it covers (1, or 2 for wide East Asian characters).
struct Glyph {
  std::string text;
  int width = 1;
  bool operator==(const Glyph&) const = default;
};

// The columns a code point covers: 0 for combining marks and zero-width characters, 2 for
// wide ones, 1 otherwise; -1 for the characters that are never written raw (controls and
// bidirectional formatting, see text/display_escape.h).
int codePointWidth(char32_t c);

// The glyphs of a UTF-8 text. Malformed bytes and those characters (a line feed, an escape
// or a right-to-left override in an accessibility description) become their display escapes
// ("\x1B", one glyph per character), so that text from a scene can never move the cursor,
// change the terminal's state or reorder the screen.
std::vector<Glyph> glyphsOf(std::string_view utf8);

int displayWidth(std::string_view utf8);

// The text cut to at most `columns` columns, ending in "…" when it was cut.
std::string fitToWidth(std::string_view utf8, int columns);

// The text cut to at most `columns` columns by leaving out its middle, marked by "…": a
// long path keeps its start and its file name.
std::string fitInMiddle(std::string_view utf8, int columns);

// The text broken into lines of at most `columns` columns: between words, and inside a word
// longer than a line. Line feeds show as their escapes, like every control character.
std::vector<std::string> wrapText(std::string_view utf8, int columns);

}  // namespace strandel::sim::terminal
