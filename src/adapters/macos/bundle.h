#pragma once

#include <memory>

#include "ports/bundle.h"

namespace strandel::mac {

// The main bundle.
std::shared_ptr<Bundle> makeBundle();

}  // namespace strandel::mac
