#import "adapters/macos/user_defaults.h"

#import <CoreFoundation/CoreFoundation.h>
#import <Foundation/Foundation.h>

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

DefaultsValue toPort(id value) {
  if ([value isKindOfClass:[NSNumber class]]) {
    NSNumber* number = value;
    // Booleans and floating-point numbers are NSNumbers too; CoreFoundation tells them apart.
    if (CFGetTypeID((__bridge CFTypeRef)number) == CFBooleanGetTypeID()) {
      return static_cast<bool>(number.boolValue);
    }
    if (CFNumberIsFloatType((__bridge CFNumberRef)number)) return number.doubleValue;
    return static_cast<int64_t>(number.longLongValue);
  }
  if ([value isKindOfClass:[NSString class]]) return toStdString(value);
  return OtherDefaultsValue{toStdString([value description])};
}

class MacUserDefaults final : public UserDefaults {
 public:
  std::optional<DefaultsValue> objectForKey(const std::string& key) override {
    id value = [[NSUserDefaults standardUserDefaults] objectForKey:toNSString(key)];
    if (value == nil) return std::nullopt;
    return toPort(value);
  }

  void setInteger(int64_t value, const std::string& key) override {
    [[NSUserDefaults standardUserDefaults] setInteger:static_cast<NSInteger>(value)
                                               forKey:toNSString(key)];
  }
};

}  // namespace

std::shared_ptr<UserDefaults> makeUserDefaults() {
  return std::make_shared<MacUserDefaults>();
}

}  // namespace strandel::mac
