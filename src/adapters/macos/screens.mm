#import "adapters/macos/screens.h"

#import <AppKit/AppKit.h>

namespace strandel::mac {

namespace {

Rect toPort(NSRect rect) {
  return Rect{Point{rect.origin.x, rect.origin.y}, Size{rect.size.width, rect.size.height}};
}

// Screens without a camera housing report the zero rectangle for the two top areas.
std::optional<Rect> area(NSRect rect) {
  if (NSEqualRects(rect, NSZeroRect)) return std::nullopt;
  return toPort(rect);
}

class MacScreen final : public Screen {
 public:
  explicit MacScreen(NSScreen* screen) : screen_(screen) {}

  Rect frame() const override { return toPort(screen_.frame); }
  std::optional<Rect> auxiliaryTopLeftArea() const override {
    return area(screen_.auxiliaryTopLeftArea);
  }
  std::optional<Rect> auxiliaryTopRightArea() const override {
    return area(screen_.auxiliaryTopRightArea);
  }
  uint32_t displayID() const override {
    id number = [[screen_ deviceDescription] objectForKey:@"NSScreenNumber"];
    return [number isKindOfClass:[NSNumber class]] ? [number unsignedIntValue] : 0;
  }

 private:
  NSScreen* screen_;
};

class MacScreens final : public Screens {
 public:
  std::shared_ptr<const Screen> mainScreen() override {
    NSScreen* screen = [NSScreen mainScreen];
    if (screen == nil) return nullptr;
    return std::make_shared<MacScreen>(screen);
  }

  std::vector<std::shared_ptr<const Screen>> screens() override {
    std::vector<std::shared_ptr<const Screen>> result;
    for (NSScreen* screen in [NSScreen screens])
      result.push_back(std::make_shared<MacScreen>(screen));
    return result;
  }
};

}  // namespace

std::shared_ptr<Screens> makeScreens() {
  return std::make_shared<MacScreens>();
}

}  // namespace strandel::mac
