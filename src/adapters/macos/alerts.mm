#import "adapters/macos/alerts.h"

#import <AppKit/AppKit.h>

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

NSAlertStyle toNSAlertStyle(AlertStyle style) {
  switch (style) {
    case AlertStyle::warning:
      return NSAlertStyleWarning;
    case AlertStyle::informational:
      return NSAlertStyleInformational;
    case AlertStyle::critical:
      return NSAlertStyleCritical;
  }
  return NSAlertStyleWarning;
}

class MacAlert final : public Alert {
 public:
  void setMessageText(const std::string& text) override { alert_.messageText = toNSString(text); }
  void setInformativeText(const std::string& text) override {
    alert_.informativeText = toNSString(text);
  }
  void setAlertStyle(AlertStyle style) override { alert_.alertStyle = toNSAlertStyle(style); }
  void addButtonWithTitle(const std::string& title) override {
    [alert_ addButtonWithTitle:toNSString(title)];
  }
  long runModal() override { return static_cast<long>([alert_ runModal]); }

 private:
  NSAlert* alert_ = [[NSAlert alloc] init];
};

class MacAlerts final : public Alerts {
 public:
  std::unique_ptr<Alert> makeAlert() override { return std::make_unique<MacAlert>(); }
};

}  // namespace

std::shared_ptr<Alerts> makeAlerts() {
  return std::make_shared<MacAlerts>();
}

}  // namespace strandel::mac
