#pragma once

#include <memory>

#include "ports/hot_keys.h"

namespace strandel::mac {

// The Carbon Event Manager's hot keys, on the application's event target.
std::shared_ptr<HotKeys> makeHotKeys();

}  // namespace strandel::mac
