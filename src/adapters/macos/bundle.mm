#import "adapters/macos/bundle.h"

#import <Foundation/Foundation.h>

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

class MacBundle final : public Bundle {
 public:
  std::optional<InfoValue> infoDictionaryValue(const std::string& key) override {
    NSDictionary* info = [NSBundle mainBundle].infoDictionary;
    if (info == nil) return std::nullopt;
    id value = info[toNSString(key)];
    if (value == nil) return std::nullopt;
    if ([value isKindOfClass:[NSString class]]) return InfoValue{toStdString(value)};
    return InfoValue{std::monostate{}};
  }

  std::string localizedString(const std::string& key, const std::string& value) override {
    return toStdString([[NSBundle mainBundle] localizedStringForKey:toNSString(key)
                                                              value:toNSString(value)
                                                              table:nil]);
  }
};

}  // namespace

std::shared_ptr<Bundle> makeBundle() {
  return std::make_shared<MacBundle>();
}

}  // namespace strandel::mac
