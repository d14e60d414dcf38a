#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ports/accessibility.h"
#include "ports/geometry.h"
#include "scanner/ax_read.h"

namespace strandel {

// The children of an application's "AXExtrasMenuBar"; empty when the application, its bar or
// the children do not read.
std::vector<AXRef> readExtrasBarChildren(ProcessID pid, BoundedReads& reads);

// One extra as a single request reads it: its frame and description together.
struct ExtraRead {
  std::optional<Rect> frame;
  std::optional<std::string> description;
};
ExtraRead readExtra(const AXRef& child, BoundedReads& reads);

}  // namespace strandel
