#pragma once

#include <cmath>

// The run loop's timing rules, which the real and the virtual loop share.
namespace strandel::sim::run_loop {

inline constexpr const char* kMainQueueLabel = "com.apple.main-thread";

// A delay that is negative or NaN counts as none.
inline double nonNegative(double seconds) {
  return std::isnan(seconds) || seconds < 0 ? 0 : seconds;
}

// A timer interval of zero or less (or NaN) is taken as 0.1 ms.
inline double timerInterval(double requested) {
  return std::isnan(requested) || requested <= 0 ? 0.0001 : requested;
}

// The fire date after `previous` for a repeating timer: fire dates that have already passed
// by `now` are skipped rather than fired in a burst, keeping the timer's phase.
inline double nextFireDate(double previous, double interval, double now) {
  double next = previous + interval;
  if (next <= now) {
    next += std::ceil((now - next) / interval) * interval;
    if (next <= now) next += interval;
  }
  return next;
}

}  // namespace strandel::sim::run_loop
