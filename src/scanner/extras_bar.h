#pragma once

#include <vector>

#include "ports/accessibility.h"

namespace strandel {

// The children of an application's "AXExtrasMenuBar", read with the scan's time-out on the
// application element; empty when the application, its bar or the children do not read.
std::vector<AXRef> readExtrasBarChildren(ProcessID pid);

}  // namespace strandel
