#import "adapters/macos/images.h"

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

class MacImage final : public Image {
 public:
  explicit MacImage(NSImage* image) : image_(image) {}

  NSImage* image() const { return image_; }

  ImageRef copy() const override {
    id duplicate = [image_ copy];
    return [duplicate isKindOfClass:[NSImage class]] ? wrapImage(duplicate) : nullptr;
  }
  Size size() const override {
    NSSize size = image_.size;
    return Size{size.width, size.height};
  }
  void setSize(Size size) override { image_.size = NSMakeSize(size.width, size.height); }
  bool isTemplate() const override { return [image_ isTemplate]; }
  void setTemplate(bool isTemplate) override { [image_ setTemplate:isTemplate]; }
  std::string accessibilityDescription() const override {
    return toStdString(image_.accessibilityDescription);
  }

 private:
  NSImage* image_;
};

class MacImages final : public Images {
 public:
  ImageRef systemSymbol(const std::string& name,
                        const std::string& accessibilityDescription) override {
    return wrapImage([NSImage imageWithSystemSymbolName:toNSString(name)
                               accessibilityDescription:toNSString(accessibilityDescription)]);
  }
};

}  // namespace

ImageRef wrapImage(NSImage* image) {
  if (image == nil) return nullptr;
  return std::make_shared<MacImage>(image);
}

NSImage* unwrapImage(const ImageRef& image) {
  auto* mac = dynamic_cast<MacImage*>(image.get());
  return mac == nullptr ? nil : mac->image();
}

std::shared_ptr<Images> makeImages() {
  return std::make_shared<MacImages>();
}

}  // namespace strandel::mac
