#import "adapters/macos/timers.h"

#import <Foundation/Foundation.h>

#include <cmath>

namespace strandel::mac {

namespace {

class MacTimer final : public Timer {
 public:
  MacTimer() = default;

  void attach(NSTimer* timer) { timer_ = timer; }
  NSTimer* timer() const { return timer_; }

  void invalidate() override { [timer_ invalidate]; }
  bool isValid() const override { return [timer_ isValid]; }
  double timeInterval() const override { return timer_.timeInterval; }

 private:
  NSTimer* timer_ = nil;
};

class MacTimers final : public Timers {
 public:
  TimerRef scheduledTimer(double interval, bool repeats, TimerBlock block) override {
    auto timer = std::make_shared<MacTimer>();
    // Held weakly: the run loop keeps the NSTimer, and the NSTimer keeps this block, so a
    // strong hold would keep the wrapper alive for good.
    std::weak_ptr<MacTimer> weakTimer = timer;
    timer->attach([NSTimer scheduledTimerWithTimeInterval:std::isnan(interval) ? 0 : interval
                                                  repeats:repeats
                                                    block:^(NSTimer* fired) {
                                                      if (auto owner = weakTimer.lock()) {
                                                        block(*owner);
                                                      } else {
                                                        MacTimer standIn;
                                                        standIn.attach(fired);
                                                        block(standIn);
                                                      }
                                                    }]);
    return timer;
  }

  void addTimer(const TimerRef& timer, RunLoopMode mode) override {
    auto* mac = dynamic_cast<MacTimer*>(timer.get());
    if (mac == nullptr || mac->timer() == nil) return;
    [[NSRunLoop mainRunLoop]
        addTimer:mac->timer()
         forMode:mode == RunLoopMode::commonModes ? NSRunLoopCommonModes : NSDefaultRunLoopMode];
  }
};

}  // namespace

std::shared_ptr<Timers> makeTimers() {
  return std::make_shared<MacTimers>();
}

}  // namespace strandel::mac
