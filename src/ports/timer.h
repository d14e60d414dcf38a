#pragma once

#include <functional>
#include <memory>

namespace strandel {

class Timer;
using TimerRef = std::shared_ptr<Timer>;
using TimerBlock = std::function<void(Timer&)>;

// A timer on the main run loop.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void invalidate() = 0;
  virtual bool isValid() const = 0;
  virtual double timeInterval() const = 0;
};

enum class RunLoopMode { defaultMode, commonModes };

class Timers {
 public:
  virtual ~Timers() = default;
  // scheduledTimerWithTimeInterval:repeats:block:, scheduled on the main run loop in the
  // default mode.
  virtual TimerRef scheduledTimer(double interval, bool repeats, TimerBlock block) = 0;
  // NSRunLoop.mainRunLoop addTimer:forMode:.
  virtual void addTimer(const TimerRef& timer, RunLoopMode mode) = 0;
};

}  // namespace strandel
