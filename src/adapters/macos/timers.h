#pragma once

#include <memory>

#include "ports/timer.h"

namespace strandel::mac {

std::shared_ptr<Timers> makeTimers();

}  // namespace strandel::mac
