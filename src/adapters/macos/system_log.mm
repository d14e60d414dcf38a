#import "adapters/macos/system_log.h"

#import <Foundation/Foundation.h>

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

class MacSystemLog final : public SystemLog {
 public:
  // The line is an argument, never the format, so percent signs in it stay as they are.
  void log(const std::string& line) override { NSLog(@"%@", toNSString(line)); }
};

}  // namespace

std::shared_ptr<SystemLog> makeSystemLog() {
  return std::make_shared<MacSystemLog>();
}

}  // namespace strandel::mac
