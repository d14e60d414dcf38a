#pragma once

namespace strandel::sim {

// Lets simulated work take time: the virtual loop moves its clock on, the real loop sleeps.
class TimeSource {
 public:
  virtual ~TimeSource() = default;
  virtual void sleepFor(double seconds) = 0;
  // Seconds on this source's clock, from any thread: when an app will be free again.
  virtual double elapsed() = 0;
};

}  // namespace strandel::sim
