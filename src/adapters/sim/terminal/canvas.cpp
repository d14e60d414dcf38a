#include "adapters/sim/terminal/canvas.h"

#include <algorithm>
#include <array>
#include <utility>

#include "adapters/sim/terminal/text.h"

namespace strandel::sim::terminal {

Ink inkNamed(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, Ink>, 14> kInks = {{
      {"red", Ink::red},
      {"orange", Ink::orange},
      {"yellow", Ink::yellow},
      {"green", Ink::green},
      {"teal", Ink::teal},
      {"cyan", Ink::cyan},
      {"blue", Ink::blue},
      {"indigo", Ink::indigo},
      {"purple", Ink::purple},
      {"pink", Ink::pink},
      {"brown", Ink::brown},
      {"grey", Ink::grey},
      {"white", Ink::white},
      {"black", Ink::black},
  }};
  for (const auto& [n, ink] : kInks) {
    if (n == name) return ink;
  }
  return Ink::standard;
}

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      cells_(static_cast<size_t>(width_) * static_cast<size_t>(height_)) {}

const Cell& Canvas::at(int x, int y) const {
  static const Cell outside;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return outside;
  return cells_[static_cast<size_t>(y * width_ + x)];
}

// Makes (x, y) a lone narrow cell, blanking the other half of a wide glyph it belonged to.
void Canvas::clearAt(int x, int y) {
  Cell& here = cell(x, y);
  if (here.continuation && x > 0) {
    Cell& left = cell(x - 1, y);
    left.text = " ";
  } else if (!here.continuation && x + 1 < width_ && cell(x + 1, y).continuation) {
    Cell& right = cell(x + 1, y);
    right.text = " ";
    right.continuation = false;
  }
  here.continuation = false;
}

int Canvas::text(int x, int y, std::string_view utf8, Style style, int maxWidth) {
  if (y < 0 || y >= height_ || maxWidth <= 0) return 0;
  int limit = std::min(width_, x + std::min(maxWidth, width_ + 1));
  int column = x;
  for (const Glyph& glyph : glyphsOf(utf8)) {
    if (column + glyph.width > limit) {
      // Half a wide glyph would show as garbage: pad instead.
      if (column < limit && column >= 0) {
        clearAt(column, y);
        cell(column, y) = Cell{" ", style, false};
        ++column;
      }
      break;
    }
    if (column >= 0) {
      clearAt(column, y);
      cell(column, y) = Cell{glyph.text, style, false};
      if (glyph.width == 2) {
        clearAt(column + 1, y);
        cell(column + 1, y) = Cell{"", style, true};
      }
    }
    column += glyph.width;
  }
  return std::max(column, x) - x;
}

void Canvas::fill(Region region, Style style, std::string_view glyph) {
  for (int y = std::max(region.y, 0); y < std::min(region.y + region.height, height_); ++y) {
    for (int x = std::max(region.x, 0); x < std::min(region.x + region.width, width_); ++x) {
      clearAt(x, y);
      cell(x, y) = Cell{std::string(glyph), style, false};
    }
  }
}

void Canvas::paint(Region region, Style style) {
  for (int y = std::max(region.y, 0); y < std::min(region.y + region.height, height_); ++y) {
    for (int x = std::max(region.x, 0); x < std::min(region.x + region.width, width_); ++x) {
      cell(x, y).style = style;
    }
  }
}

void Canvas::frame(Region r, Style style, std::string_view title) {
  if (r.width < 2 || r.height < 2) return;
  int right = r.x + r.width - 1;
  int bottom = r.y + r.height - 1;
  for (int x = r.x + 1; x < right; ++x) {
    text(x, r.y, "─", style);
    text(x, bottom, "─", style);
  }
  for (int y = r.y + 1; y < bottom; ++y) {
    text(r.x, y, "│", style);
    text(right, y, "│", style);
  }
  text(r.x, r.y, "╭", style);
  text(right, r.y, "╮", style);
  text(r.x, bottom, "╰", style);
  text(right, bottom, "╯", style);
  if (!title.empty() && r.width > 4) {
    Style bold = style;
    bold.bold = true;
    std::string shown = " " + fitToWidth(title, r.width - 4) + " ";
    text(r.x + 1, r.y, shown, bold, r.width - 2);
  }
}

std::string Canvas::row(int y) const {
  std::string out;
  if (y < 0 || y >= height_) return out;
  for (int x = 0; x < width_; ++x) {
    const Cell& c = at(x, y);
    if (!c.continuation) out += c.text;
  }
  return out;
}

std::optional<Canvas::Place> Canvas::find(std::string_view needle) const {
  for (int y = 0; y < height_; ++y) {
    // Map byte offsets of the row's text back to columns.
    std::string text;
    std::vector<int> columnAt;
    for (int x = 0; x < width_; ++x) {
      const Cell& c = at(x, y);
      if (c.continuation) continue;
      for (size_t i = 0; i < c.text.size(); ++i) columnAt.push_back(x);
      text += c.text;
    }
    size_t pos = text.find(needle);
    if (pos != std::string::npos) return Place{columnAt[pos], y};
  }
  return std::nullopt;
}

}  // namespace strandel::sim::terminal
