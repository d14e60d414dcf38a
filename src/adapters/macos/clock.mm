#import "adapters/macos/clock.h"

#import <Foundation/Foundation.h>

namespace strandel::mac {

namespace {

class MacClock final : public Clock {
 public:
  Date now() override { return Date{[NSDate date].timeIntervalSinceReferenceDate}; }
};

}  // namespace

std::shared_ptr<Clock> makeClock() {
  return std::make_shared<MacClock>();
}

}  // namespace strandel::mac
