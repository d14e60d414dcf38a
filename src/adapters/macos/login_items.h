#pragma once

#include <memory>

#include "ports/login_items.h"

namespace strandel::mac {

// The main application's own login item.
std::shared_ptr<LoginItemService> makeLoginItems();

}  // namespace strandel::mac
