#import "adapters/macos/urls.h"

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

class MacURLs final : public URLs {
 public:
  std::optional<URL> urlWithString(const std::string& text) override {
    // A NUL byte would be cut off by the string conversion and leave a different address.
    if (text.find('\0') != std::string::npos) return std::nullopt;
    NSURL* url = [NSURL URLWithString:toNSString(text)];
    if (url == nil) return std::nullopt;
    return URL{toStdString(url.absoluteString)};
  }
};

}  // namespace

NSURL* toNSURL(const URL& url) {
  return [NSURL URLWithString:toNSString(url.absoluteString)];
}

std::shared_ptr<URLs> makeURLs() {
  return std::make_shared<MacURLs>();
}

}  // namespace strandel::mac
