#pragma once

#include <climits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A screen's worth of cells that the view draws into; the terminal copies it out. Keeping the
// drawing off the terminal lets tests read what would be on screen.
namespace strandel::sim::terminal {

enum class Ink {
  standard,  // the terminal's own colour
  black,
  white,
  grey,
  lightGrey,
  red,
  orange,
  yellow,
  green,
  teal,
  cyan,
  blue,
  indigo,
  purple,
  pink,
  brown,
};

// The ink of an icon colour name of a scene ("teal", "grey"); unknown names and "label" are
// the standard ink.
Ink inkNamed(std::string_view name);

struct Style {
  Ink fg = Ink::standard;
  Ink bg = Ink::standard;
  bool bold = false;
  bool dim = false;
  bool reverse = false;
  bool underline = false;
  bool operator==(const Style&) const = default;
};

struct Cell {
  std::string text = " ";
  Style style;
  // The right half of a wide glyph that starts in the cell to the left.
  bool continuation = false;
  bool operator==(const Cell&) const = default;
};

struct Region {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool contains(int px, int py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
  bool operator==(const Region&) const = default;
};

class Canvas {
 public:
  Canvas(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }

  // Writes the text from (x, y) on, within `maxWidth` columns and the canvas; a wide glyph
  // that would be cut in half becomes a space. Returns the columns written.
  int text(int x, int y, std::string_view utf8, Style style, int maxWidth = INT_MAX);
  // Covers the region with one narrow glyph.
  void fill(Region region, Style style, std::string_view glyph = " ");
  // A rounded box along the region's edge, with an optional title in the top edge.
  void frame(Region region, Style style, std::string_view title = {});
  // Restyles the cells without changing their text.
  void paint(Region region, Style style);

  const Cell& at(int x, int y) const;
  // The text of a row as a terminal shows it (wide glyphs once).
  std::string row(int y) const;
  // The first place where `needle` starts on a row, searching top to bottom.
  struct Place {
    int x;
    int y;
  };
  std::optional<Place> find(std::string_view needle) const;

 private:
  Cell& cell(int x, int y) { return cells_[static_cast<size_t>(y * width_ + x)]; }
  void clearAt(int x, int y);

  int width_;
  int height_;
  std::vector<Cell> cells_;
};

}  // namespace strandel::sim::terminal
