#include "scanner/control_center_hosting.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace strandel::controlCenter {

namespace {

double centreX(const Rect& r) {
  return (minX(r) + maxX(r)) / 2;
}
double centreY(const Rect& r) {
  return r.origin.y + r.size.height / 2;
}

// Centres are bucketed in cells as wide as the tolerance, so a child lying on another has
// it in its own cell or a neighbour. Centres beyond any screen (or not numbers) lie on
// nothing here.
constexpr double kFarthest = 1e12;

bool bucketable(const Rect& r) {
  return std::fabs(centreX(r)) < kFarthest && std::fabs(centreY(r)) < kFarthest;
}

int64_t cell(double centre) {
  return static_cast<int64_t>(std::floor(centre / kLyingTolerance));
}

uint64_t key(int64_t x, int64_t y) {
  return static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15u ^ static_cast<uint64_t>(y);
}

}  // namespace

bool liesOn(const Rect& hosting, const Rect& own) {
  return std::fabs(centreX(hosting) - centreX(own)) <= kLyingTolerance &&
         std::fabs(centreY(hosting) - centreY(own)) <= kLyingTolerance;
}

std::vector<bool> lyingOnOwn(const std::vector<Rect>& hosting, const std::vector<Rect>& own) {
  std::unordered_multimap<uint64_t, size_t> cells;
  cells.reserve(own.size());
  for (size_t j = 0; j < own.size(); ++j) {
    if (bucketable(own[j])) cells.emplace(key(cell(centreX(own[j])), cell(centreY(own[j]))), j);
  }
  std::vector<bool> lying(hosting.size(), false);
  for (size_t i = 0; i < hosting.size(); ++i) {
    if (!bucketable(hosting[i])) continue;
    const int64_t cx = cell(centreX(hosting[i]));
    const int64_t cy = cell(centreY(hosting[i]));
    for (int64_t dx = -1; dx <= 1 && !lying[i]; ++dx) {
      for (int64_t dy = -1; dy <= 1 && !lying[i]; ++dy) {
        const auto [from, to] = cells.equal_range(key(cx + dx, cy + dy));
        for (auto it = from; it != to && !lying[i]; ++it) {
          lying[i] = liesOn(hosting[i], own[it->second]);
        }
      }
    }
  }
  return lying;
}

}  // namespace strandel::controlCenter
