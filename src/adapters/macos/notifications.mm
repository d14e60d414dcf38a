#import "adapters/macos/notifications.h"

#import "adapters/macos/bridge.h"

#include <dispatch/dispatch.h>

#include <utility>

// Runs one block on the main thread for each notification it is sent.
@interface StrandelNotificationObserver : NSObject
- (instancetype)initWithBlock:(strandel::NotificationBlock)block;
- (void)notificationPosted:(NSNotification*)notification;
@end

@implementation StrandelNotificationObserver {
  strandel::NotificationBlock _block;
}

- (instancetype)initWithBlock:(strandel::NotificationBlock)block {
  if ((self = [super init])) _block = std::move(block);
  return self;
}

- (void)notificationPosted:(NSNotification*)notification {
  // Distributed notifications arrive through the main run loop; should one ever come on
  // another thread, it still reaches the program on the main one.
  if ([NSThread isMainThread]) {
    _block();
    return;
  }
  strandel::NotificationBlock block = _block;
  dispatch_async(dispatch_get_main_queue(), ^{
    block();
  });
}

@end

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

// The block interface takes the default suspension behaviour, and AppKit suspends
// distributed notifications while the application is inactive, which an accessory
// application nearly always is: only the selector interface can ask for each posting to be
// delivered at once.
class MacDistributedCenter final : public NotificationCenter {
 public:
  MacDistributedCenter()
      : center_([NSDistributedNotificationCenter defaultCenter]),
        observers_([NSMutableArray array]) {}

  void addObserver(const std::string& name, NotificationBlock block) override {
    StrandelNotificationObserver* observer =
        [[StrandelNotificationObserver alloc] initWithBlock:std::move(block)];
    // The centre does not keep its observers alive; observers stay for the process's life.
    [observers_ addObject:observer];
    [center_ addObserver:observer
                  selector:@selector(notificationPosted:)
                      name:toNSString(name)
                    object:nil
        suspensionBehavior:NSNotificationSuspensionBehaviorDeliverImmediately];
  }

 private:
  NSDistributedNotificationCenter* center_;
  NSMutableArray<StrandelNotificationObserver*>* observers_;
};

}  // namespace

std::shared_ptr<NotificationCenter> makeNotificationCenter(NSNotificationCenter* center) {
  return std::make_shared<MacNotificationCenter>(center);
}

std::shared_ptr<NotificationCenter> makeDistributedCenter() {
  return std::make_shared<MacDistributedCenter>();
}

}  // namespace strandel::mac
