#import "adapters/macos/workspace.h"

#import <AppKit/AppKit.h>

#import "adapters/macos/bridge.h"
#import "adapters/macos/images.h"
#import "adapters/macos/notifications.h"
#import "adapters/macos/urls.h"

namespace strandel::mac {

namespace {

ActivationPolicy toPort(NSApplicationActivationPolicy policy) {
  switch (policy) {
    case NSApplicationActivationPolicyRegular:
      return ActivationPolicy::regular;
    case NSApplicationActivationPolicyAccessory:
      return ActivationPolicy::accessory;
    case NSApplicationActivationPolicyProhibited:
      return ActivationPolicy::prohibited;
  }
  return static_cast<ActivationPolicy>(policy);
}

class MacWorkspace final : public Workspace {
 public:
  MacWorkspace()
      : notifications_(makeNotificationCenter([NSWorkspace sharedWorkspace].notificationCenter)) {}

  std::vector<RunningApplication> runningApplications() override {
    std::vector<RunningApplication> result;
    for (NSRunningApplication* app in [NSWorkspace sharedWorkspace].runningApplications) {
      RunningApplication entry;
      entry.processIdentifier = app.processIdentifier;
      if (app.localizedName != nil) entry.localizedName = toStdString(app.localizedName);
      entry.icon = wrapImage(app.icon);
      entry.activationPolicy = toPort(app.activationPolicy);
      entry.isTerminated = [app isTerminated];
      if (app.bundleIdentifier != nil) entry.bundleIdentifier = toStdString(app.bundleIdentifier);
      NSString* executable = app.executableURL.lastPathComponent;
      if (executable != nil) entry.executableName = toStdString(executable);
      result.push_back(std::move(entry));
    }
    return result;
  }

  bool openURL(const URL& url) override {
    NSURL* address = toNSURL(url);
    return address != nil && [[NSWorkspace sharedWorkspace] openURL:address];
  }

  NotificationCenter& notificationCenter() override { return *notifications_; }

 private:
  std::shared_ptr<NotificationCenter> notifications_;
};

}  // namespace

std::shared_ptr<Workspace> makeWorkspace() {
  return std::make_shared<MacWorkspace>();
}

}  // namespace strandel::mac
