#import "adapters/macos/status_bar.h"

#import <AppKit/AppKit.h>

#import "adapters/macos/bridge.h"
#import "adapters/macos/images.h"
#import "adapters/macos/menus.h"

// A tracking area's owner: passes mouseEntered: on to the program's owner. A responder, so
// that the area's other messages (mouseExited:, and mouseMoved: or cursorUpdate: for other
// options) find a handler that ignores them.
@interface StrandelTrackingForwarder : NSResponder
- (instancetype)initWithOwner:(std::weak_ptr<strandel::TrackingOwner>)owner;
@end

@implementation StrandelTrackingForwarder {
  std::weak_ptr<strandel::TrackingOwner> _owner;
}

- (instancetype)initWithOwner:(std::weak_ptr<strandel::TrackingOwner>)owner {
  if ((self = [super init])) _owner = std::move(owner);
  return self;
}

- (void)mouseEntered:(NSEvent*)event {
  if (auto owner = _owner.lock()) owner->mouseEntered();
}

@end

namespace strandel::mac {

namespace {

NSRect toNSRect(const Rect& rect) {
  return NSMakeRect(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}

class MacStatusBarButton final : public StatusBarButton {
 public:
  explicit MacStatusBarButton(NSStatusBarButton* button) : button_(button) {}

  ImageRef image() const override { return wrapImage(button_.image); }
  void setImage(ImageRef image) override { button_.image = unwrapImage(image); }
  void setToolTip(const std::string& toolTip) override { button_.toolTip = toNSString(toolTip); }

  void addTrackingArea(TrackingArea area) override {
    StrandelTrackingForwarder* forwarder =
        [[StrandelTrackingForwarder alloc] initWithOwner:std::move(area.owner)];
    // NSTrackingArea does not retain its owner.
    [forwarders_ addObject:forwarder];
    NSTrackingArea* tracking =
        [[NSTrackingArea alloc] initWithRect:toNSRect(area.rect)
                                     options:static_cast<NSTrackingAreaOptions>(area.options)
                                       owner:forwarder
                                    userInfo:nil];
    [button_ addTrackingArea:tracking];
  }

  void performClick() override { [button_ performClick:nil]; }

  std::optional<Rect> windowFrame() const override {
    NSWindow* window = button_.window;
    if (window == nil) return std::nullopt;
    const NSRect frame = window.frame;
    return Rect{{frame.origin.x, frame.origin.y}, {frame.size.width, frame.size.height}};
  }

 private:
  NSStatusBarButton* button_;
  NSMutableArray<StrandelTrackingForwarder*>* forwarders_ = [NSMutableArray array];
};

class MacStatusItem final : public StatusItem {
 public:
  explicit MacStatusItem(NSStatusItem* item) : item_(item) {}

  void setAutosaveName(const std::string& name) override { item_.autosaveName = toNSString(name); }

  StatusBarButton* button() override {
    NSStatusBarButton* button = item_.button;
    if (button == nil) return nullptr;
    if (button_ == nullptr) button_ = std::make_unique<MacStatusBarButton>(button);
    return button_.get();
  }

  bool isVisible() const override { return item_.visible; }

  void setMenu(MenuRef menu) override {
    item_.menu = unwrapMenu(menu);
    // The program's side of the menu (its delegate forwarder) lives as long as the item uses it.
    menu_ = std::move(menu);
  }

 private:
  NSStatusItem* item_;
  std::unique_ptr<MacStatusBarButton> button_;
  MenuRef menu_;
};

class MacStatusBar final : public StatusBar {
 public:
  StatusItemRef statusItemWithLength(double length) override {
    return std::make_shared<MacStatusItem>(
        [[NSStatusBar systemStatusBar] statusItemWithLength:length]);
  }
};

}  // namespace

std::shared_ptr<StatusBar> makeStatusBar() {
  return std::make_shared<MacStatusBar>();
}

}  // namespace strandel::mac
