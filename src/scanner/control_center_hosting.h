#pragma once

#include <optional>
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

// Removes each item found in Control Center's bar that lies on an item of another app, or on
// the program's own item at `ownItem`; the app's own item stays. `hosted[i]` tells whether
// items[i] came from Control Center.
void dropHostedDuplicates(ExtraItems& items, const std::vector<bool>& hosted,
                          const std::optional<Rect>& ownItem);

}  // namespace strandel::controlCenter
