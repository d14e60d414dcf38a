#pragma once

#include <optional>
#include <string_view>

#include "ports/accessibility.h"
#include "ports/geometry.h"

namespace strandel {

// The attribute's value when the read succeeds; a value handed back with an error is dropped.
AXRef axCopy(const AXRef& element, std::string_view attribute);

// The element's "AXPosition" and "AXSize" as a rectangle; none if either is missing or of
// the wrong kind. The numbers themselves are not checked.
std::optional<Rect> axFrame(const AXRef& element);

}  // namespace strandel
