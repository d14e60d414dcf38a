#pragma once

#include <memory>

#include "ports/workspace.h"

namespace strandel::mac {

std::shared_ptr<Screens> makeScreens();

}  // namespace strandel::mac
