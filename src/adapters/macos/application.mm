#import "adapters/macos/application.h"

#import <AppKit/AppKit.h>

// Passes the application's launch message on to the program's delegate.
@interface StrandelApplicationDelegate : NSObject <NSApplicationDelegate>
- (instancetype)initWithDelegate:(std::weak_ptr<strandel::ApplicationDelegate>)delegate;
@end

@implementation StrandelApplicationDelegate {
  std::weak_ptr<strandel::ApplicationDelegate> _delegate;
}

- (instancetype)initWithDelegate:(std::weak_ptr<strandel::ApplicationDelegate>)delegate {
  if ((self = [super init])) _delegate = std::move(delegate);
  return self;
}

- (void)applicationDidFinishLaunching:(NSNotification*)notification {
  if (auto delegate = _delegate.lock()) delegate->applicationDidFinishLaunching();
}

- (void)applicationWillTerminate:(NSNotification*)notification {
  if (auto delegate = _delegate.lock()) delegate->applicationWillTerminate();
}

@end

namespace strandel::mac {

namespace {

class MacApplication final : public Application {
 public:
  void setDelegate(std::weak_ptr<ApplicationDelegate> delegate) override {
    // NSApplication holds its delegate weakly; this object keeps the forwarder alive.
    forwarder_ = [[StrandelApplicationDelegate alloc] initWithDelegate:std::move(delegate)];
    [NSApplication sharedApplication].delegate = forwarder_;
  }

  void setActivationPolicy(ActivationPolicy policy) override {
    [[NSApplication sharedApplication]
        setActivationPolicy:static_cast<NSApplicationActivationPolicy>(policy)];
  }

  void run() override { [[NSApplication sharedApplication] run]; }

  void terminate() override { [[NSApplication sharedApplication] terminate:nil]; }

  void activateIgnoringOtherApps(bool flag) override {
    // Activation is cooperative from macOS 14 on: the old call is deprecated there and its
    // flag no longer has any effect, so the app asks for activation the new way.
    if (@available(macOS 14.0, *)) {
      [[NSApplication sharedApplication] activate];
    } else {
      [[NSApplication sharedApplication] activateIgnoringOtherApps:flag];
    }
  }

 private:
  StrandelApplicationDelegate* forwarder_ = nil;
};

}  // namespace

std::shared_ptr<Application> makeApplication() {
  return std::make_shared<MacApplication>();
}

}  // namespace strandel::mac
