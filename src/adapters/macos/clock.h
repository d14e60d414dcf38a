#pragma once

#include <memory>

#include "ports/clock.h"

namespace strandel::mac {

std::shared_ptr<Clock> makeClock();

}  // namespace strandel::mac
