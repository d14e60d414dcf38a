#import "adapters/macos/notifications.h"

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

class MacNotificationCenter final : public NotificationCenter {
 public:
  explicit MacNotificationCenter(NSNotificationCenter* center) : center_(center) {}

  void addObserver(const std::string& name, NotificationBlock block) override {
    [center_ addObserverForName:toNSString(name)
                         object:nil
                          queue:[NSOperationQueue mainQueue]
                     usingBlock:^(NSNotification*) {
                       block();
                     }];
  }

 private:
  NSNotificationCenter* center_;
};

}  // namespace

std::shared_ptr<NotificationCenter> makeNotificationCenter(NSNotificationCenter* center) {
  return std::make_shared<MacNotificationCenter>(center);
}

std::shared_ptr<NotificationCenter> makeDistributedCenter() {
  return makeNotificationCenter([NSDistributedNotificationCenter defaultCenter]);
}

}  // namespace strandel::mac
