#pragma once

#include <cstdint>
#include <memory>

#include "ports/dispatch.h"

namespace strandel::mac {

std::shared_ptr<Dispatch> makeDispatch();

// Delays longer than this wait this long. dispatch_after is undefined for
// DISPATCH_TIME_FOREVER, and dispatch_time gives that for any deadline it cannot count; a
// century of nanoseconds stays far inside what it can.
inline constexpr int64_t kLongestDelay = 100LL * 366 * 24 * 60 * 60;

// The nanoseconds that dispatch_time adds for a delay in seconds: none for NaN, zero or
// negative delays, at most kLongestDelay seconds' worth.
int64_t delayNanoseconds(double seconds);

}  // namespace strandel::mac
