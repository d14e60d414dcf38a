#pragma once

#include <cmath>

namespace strandel {

// Screen geometry in points, 64-bit floats, as the window system reports it.
struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  Point origin;
  Size size;
  bool operator==(const Rect&) const = default;
};

// Standardized-rectangle arithmetic: a negative width counts from the other edge.
inline double minX(const Rect& r) {
  return std::fmin(r.origin.x, r.origin.x + r.size.width);
}
inline double maxX(const Rect& r) {
  return std::fmax(r.origin.x, r.origin.x + r.size.width);
}
inline double width(const Rect& r) {
  return std::fabs(r.size.width);
}

}  // namespace strandel
