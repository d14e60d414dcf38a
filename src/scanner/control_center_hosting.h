#pragma once

#include <string_view>
#include <vector>

#include "ports/geometry.h"
#include "scanner/extra_item.h"

// macOS 26: Control Center hosts every status item. Its extras bar lists its own extras and,
// besides, one child lying on each other app's extra: the same extra a second time.
namespace strandel::controlCenter {

inline constexpr std::string_view kBundleIdentifier = "com.apple.controlcenter";

// How far apart, in points, the centres of a hosting child and the app's own child may lie,
// across and down: the hosting slot is up to about 2 points wider than the app's child.
inline constexpr double kLyingTolerance = 3;

// True when a Control Center child with frame `hosting` lies on an app's child at `own`.
bool liesOn(const Rect& hosting, const Rect& own);

// For each of Control Center's children, whether it lies on one of the apps' own children.
// Linear: the own children are found by the cell of their centre.
std::vector<bool> lyingOnOwn(const std::vector<Rect>& hosting, const std::vector<Rect>& own);

}  // namespace strandel::controlCenter
