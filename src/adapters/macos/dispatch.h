#pragma once

#include <memory>

#include "ports/dispatch.h"

namespace strandel::mac {

std::shared_ptr<Dispatch> makeDispatch();

}  // namespace strandel::mac
