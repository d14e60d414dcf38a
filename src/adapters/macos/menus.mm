#import "adapters/macos/menus.h"

#include <utility>

#import "adapters/macos/bridge.h"
#import "adapters/macos/images.h"
#import "adapters/macos/menu_forwarder.h"
#import "adapters/macos/search_field.h"

// A row's represented object: keeps the program's object alive and gives it back unchanged.
@interface StrandelObjectBox : NSObject
@property(nonatomic, readonly) std::shared_ptr<const strandel::Object> object;
- (instancetype)initWithObject:(std::shared_ptr<const strandel::Object>)object;
@end

@implementation StrandelObjectBox {
  std::shared_ptr<const strandel::Object> _object;
}

- (instancetype)initWithObject:(std::shared_ptr<const strandel::Object>)object {
  if ((self = [super init])) _object = std::move(object);
  return self;
}

- (std::shared_ptr<const strandel::Object>)object {
  return _object;
}

@end

// A row's target: answers exactly the actions the program's target answers and sends each,
// by name, on to it with the row as sender.
@interface StrandelActionTrampoline : NSObject
@property(nonatomic, weak) NSMenuItem* item;
- (instancetype)initWithTarget:(std::weak_ptr<strandel::ActionTarget>)target;
- (std::shared_ptr<strandel::ActionTarget>)target;
@end

// A row that keeps its target alive (NSMenuItem holds targets weakly) and remembers the
// styled title it was given, which AppKit cannot give back in the program's terms.
@interface StrandelMenuItem : NSMenuItem
@property(nonatomic, strong) StrandelActionTrampoline* trampoline;
@property(nonatomic) std::shared_ptr<strandel::Menu> programSubmenu;
- (const std::optional<strandel::AttributedString>&)styledTitle;
- (void)setStyledTitle:(strandel::AttributedString)title;
@end

namespace strandel::mac {
namespace {

class MacMenuItem;
MenuItemRef wrapItem(NSMenuItem* item);
NSMenu* unwrapMenuOf(const MenuRef& menu);

NSFont* toNSFont(const Font& font) {
  if (font == Font::menu()) return [NSFont menuFontOfSize:0];
  return [NSFont systemFontOfSize:font.pointSize
                           weight:font.weight == FontWeight::semibold ? NSFontWeightSemibold
                                                                      : NSFontWeightRegular];
}

NSColor* toNSColor(Color color) {
  switch (color) {
    case Color::label:
      return [NSColor labelColor];
    case Color::secondaryLabel:
      return [NSColor secondaryLabelColor];
  }
  return [NSColor labelColor];
}

// NSInteger rather than NSControlStateValue: the off, on and mixed values are -1 to 1.
NSInteger toNSState(ControlState state) {
  switch (state) {
    case ControlState::off:
      return NSControlStateValueOff;
    case ControlState::on:
      return NSControlStateValueOn;
    case ControlState::mixed:
      return NSControlStateValueMixed;
  }
  return NSControlStateValueOff;
}

ControlState toPort(NSInteger state) {
  if (state == NSControlStateValueOn) return ControlState::on;
  if (state == NSControlStateValueMixed) return ControlState::mixed;
  return ControlState::off;
}

constexpr struct {
  ModifierFlags port;
  NSEventModifierFlags ns;
} kModifiers[] = {
    {ModifierFlags::shift, NSEventModifierFlagShift},
    {ModifierFlags::control, NSEventModifierFlagControl},
    {ModifierFlags::option, NSEventModifierFlagOption},
    {ModifierFlags::command, NSEventModifierFlagCommand},
};

NSEventModifierFlags toNSModifierFlags(ModifierFlags mask) {
  NSEventModifierFlags flags = 0;
  for (const auto& m : kModifiers) {
    if ((static_cast<uint64_t>(mask) & static_cast<uint64_t>(m.port)) != 0) flags |= m.ns;
  }
  return flags;
}

ModifierFlags toPort(NSEventModifierFlags flags) {
  uint64_t mask = 0;
  for (const auto& m : kModifiers) {
    if ((flags & m.ns) != 0) mask |= static_cast<uint64_t>(m.port);
  }
  return static_cast<ModifierFlags>(mask);
}

// Stateless: every wrapper of one NSMenuItem behaves the same, so a fresh one can stand for
// the sender of an action.
class MacMenuItem final : public MenuItem {
 public:
  explicit MacMenuItem(NSMenuItem* item) : item_(item) {}

  NSMenuItem* item() const { return item_; }

  bool isSeparator() const override { return [item_ isSeparatorItem]; }
  std::string title() const override { return toStdString(item_.title); }
  void setTitle(const std::string& title) override { item_.title = toNSString(title); }
  std::optional<std::string> action() const override {
    SEL selector = [item_ action];
    if (selector == nullptr) return std::nullopt;
    return toStdString(NSStringFromSelector(selector));
  }
  std::string keyEquivalent() const override { return toStdString(item_.keyEquivalent); }
  ModifierFlags keyEquivalentModifierMask() const override {
    return toPort(static_cast<NSEventModifierFlags>([item_ keyEquivalentModifierMask]));
  }
  void setKeyEquivalentModifierMask(ModifierFlags mask) override {
    [item_ setKeyEquivalentModifierMask:toNSModifierFlags(mask)];
  }
  bool isAlternate() const override { return [item_ isAlternate]; }
  void setAlternate(bool alternate) override { [item_ setAlternate:alternate]; }
  bool allowsKeyEquivalentWhenHidden() const override {
    return item_.allowsKeyEquivalentWhenHidden;
  }
  void setAllowsKeyEquivalentWhenHidden(bool allows) override {
    item_.allowsKeyEquivalentWhenHidden = allows;
  }

  bool isEnabled() const override { return [item_ isEnabled]; }
  void setEnabled(bool enabled) override { item_.enabled = enabled; }

  std::shared_ptr<ActionTarget> target() const override {
    id target = item_.target;
    if (![target isKindOfClass:[StrandelActionTrampoline class]]) return nullptr;
    return [static_cast<StrandelActionTrampoline*>(target) target];
  }
  void setTarget(std::weak_ptr<ActionTarget> target) override {
    StrandelActionTrampoline* trampoline =
        [[StrandelActionTrampoline alloc] initWithTarget:std::move(target)];
    trampoline.item = item_;
    if ([item_ isKindOfClass:[StrandelMenuItem class]]) {
      static_cast<StrandelMenuItem*>(item_).trampoline = trampoline;
      item_.target = trampoline;
    }
  }

  ControlState state() const override { return toPort(item_.state); }
  void setState(ControlState state) override { item_.state = toNSState(state); }

  ImageRef image() const override { return wrapImage(item_.image); }
  void setImage(ImageRef image) override { item_.image = unwrapImage(image); }

  std::optional<AttributedString> attributedTitle() const override {
    if (![item_ isKindOfClass:[StrandelMenuItem class]]) return std::nullopt;
    return [static_cast<StrandelMenuItem*>(item_) styledTitle];
  }
  void setAttributedTitle(AttributedString title) override {
    // Without a colour of its own the text follows the row's highlight.
    NSDictionary* attributes =
        title.foregroundColor ? @{
          NSFontAttributeName : toNSFont(title.font),
          NSForegroundColorAttributeName : toNSColor(*title.foregroundColor),
        }
                              : @{NSFontAttributeName : toNSFont(title.font)};
    item_.attributedTitle = [[NSAttributedString alloc] initWithString:toNSString(title.text)
                                                            attributes:attributes];
    if ([item_ isKindOfClass:[StrandelMenuItem class]]) {
      [static_cast<StrandelMenuItem*>(item_) setStyledTitle:std::move(title)];
    }
  }

  std::shared_ptr<const Object> representedObject() const override {
    id object = item_.representedObject;
    if (![object isKindOfClass:[StrandelObjectBox class]]) return nullptr;
    return static_cast<StrandelObjectBox*>(object).object;
  }
  void setRepresentedObject(std::shared_ptr<const Object> object) override {
    item_.representedObject =
        object == nullptr ? nil : [[StrandelObjectBox alloc] initWithObject:std::move(object)];
  }

  std::shared_ptr<Menu> submenu() const override;
  void setSubmenu(std::shared_ptr<Menu> submenu) override;

  bool isHidden() const override { return [item_ isHidden]; }
  void setHidden(bool hidden) override { item_.hidden = hidden; }
  SearchFieldRef view() const override { return wrapSearchField(item_.view); }
  void setView(SearchFieldRef view) override { item_.view = unwrapSearchField(view); }

 private:
  NSMenuItem* item_;
};

NSMenuItem* unwrapItem(const MenuItemRef& item) {
  auto* mac = dynamic_cast<MacMenuItem*>(item.get());
  return mac == nullptr ? nil : mac->item();
}

NSMenuItem* newItem(const std::string& title, const std::optional<std::string>& action,
                    const std::string& keyEquivalent) {
  SEL selector = action.has_value() ? NSSelectorFromString(toNSString(*action)) : nullptr;
  return [[StrandelMenuItem alloc] initWithTitle:toNSString(title)
                                          action:selector
                                   keyEquivalent:toNSString(keyEquivalent)];
}

class MacMenu final : public Menu {
 public:
  MacMenu() : menu_([[NSMenu alloc] init]) {
    forwarder_ = [[StrandelMenuDelegate alloc] initWithMenu:this];
    [forwarder_ observeTrackingOf:menu_];
  }
  ~MacMenu() override {
    // The NSMenu may outlive this object (a status item holds it).
    menu_.delegate = nil;
    [forwarder_ detach];
  }
  MacMenu(const MacMenu&) = delete;
  MacMenu& operator=(const MacMenu&) = delete;

  NSMenu* menu() const { return menu_; }

  long numberOfItems() const override { return static_cast<long>(menu_.numberOfItems); }

  MenuItemRef itemAtIndex(long index) const override {
    // Out of range, AppKit raises an exception, which C++ cannot catch.
    if (index < 0 || index >= menu_.numberOfItems) return nullptr;
    id row = [menu_ itemAtIndex:static_cast<NSInteger>(index)];
    return wrapItem(row);
  }

  void removeAllItems() override { [menu_ removeAllItems]; }

  void addItem(MenuItemRef item) override {
    NSMenuItem* row = unwrapItem(item);
    // A row already in a menu makes AppKit raise an exception; it is left where it is.
    if (row == nil || row.menu != nil) return;
    [menu_ addItem:row];
  }

  void insertItem(MenuItemRef item, long index) override {
    NSMenuItem* row = unwrapItem(item);
    // Past the end, or a row already in a menu, makes AppKit raise an exception.
    if (row == nil || row.menu != nil || index < 0 || index > menu_.numberOfItems) return;
    [menu_ insertItem:row atIndex:static_cast<NSInteger>(index)];
  }

  void removeItemAtIndex(long index) override {
    if (index < 0 || index >= menu_.numberOfItems) return;
    [menu_ removeItemAtIndex:static_cast<NSInteger>(index)];
  }

  long indexOfItem(const MenuItemRef& item) const override {
    NSMenuItem* row = unwrapItem(item);
    return row == nil ? -1 : static_cast<long>([menu_ indexOfItem:row]);
  }

  MenuItemRef highlightedItem() const override {
    NSMenuItem* row = menu_.highlightedItem;
    return row == nil ? nullptr : wrapItem(row);
  }

  MenuItemRef addItemWithTitle(const std::string& title, std::optional<std::string> action,
                               const std::string& keyEquivalent) override {
    NSMenuItem* row = newItem(title, action, keyEquivalent);
    [menu_ addItem:row];
    return wrapItem(row);
  }

  void setDelegate(std::weak_ptr<MenuDelegate> delegate) override {
    [forwarder_ setDelegate:std::move(delegate)];
    menu_.delegate = forwarder_;
  }
  std::shared_ptr<MenuDelegate> delegate() const override { return [forwarder_ delegate]; }

  void cancelTracking() override { [menu_ cancelTracking]; }
  void popUpAt(Point location) override {
    // Tracks the menu until it closes, as a click on the status item would.
    (void)[menu_ popUpMenuPositioningItem:nil
                               atLocation:NSMakePoint(location.x, location.y)
                                   inView:nil];
  }

 private:
  NSMenu* menu_;
  StrandelMenuDelegate* forwarder_;
};

std::shared_ptr<Menu> MacMenuItem::submenu() const {
  if (![item_ isKindOfClass:[StrandelMenuItem class]]) return nullptr;
  return [static_cast<StrandelMenuItem*>(item_) programSubmenu];
}

void MacMenuItem::setSubmenu(std::shared_ptr<Menu> submenu) {
  item_.submenu = unwrapMenuOf(submenu);
  // The program's side of the submenu lives as long as the row shows it.
  if ([item_ isKindOfClass:[StrandelMenuItem class]]) {
    [static_cast<StrandelMenuItem*>(item_) setProgramSubmenu:std::move(submenu)];
  }
}

class MacMenus final : public Menus {
 public:
  MenuRef makeMenu() override { return std::make_shared<MacMenu>(); }
  MenuItemRef makeItem(const std::string& title, std::optional<std::string> action,
                       const std::string& keyEquivalent) override {
    return wrapItem(newItem(title, action, keyEquivalent));
  }
  MenuItemRef separatorItem() override {
    id separator = [NSMenuItem separatorItem];
    return wrapItem(separator);
  }
  SearchFieldRef makeSearchField() override { return mac::makeSearchField(); }
};

MenuItemRef wrapItem(NSMenuItem* item) {
  if (item == nil) return nullptr;
  return std::make_shared<MacMenuItem>(item);
}

NSMenu* unwrapMenuOf(const MenuRef& menu) {
  auto* mac = dynamic_cast<MacMenu*>(menu.get());
  return mac == nullptr ? nil : mac->menu();
}

}  // namespace

NSMenu* unwrapMenu(const MenuRef& menu) {
  return unwrapMenuOf(menu);
}

std::shared_ptr<Menus> makeMenus() {
  return std::make_shared<MacMenus>();
}

}  // namespace strandel::mac

@implementation StrandelActionTrampoline {
  std::weak_ptr<strandel::ActionTarget> _target;
}

- (instancetype)initWithTarget:(std::weak_ptr<strandel::ActionTarget>)target {
  if ((self = [super init])) _target = std::move(target);
  return self;
}

- (std::shared_ptr<strandel::ActionTarget>)target {
  return _target.lock();
}

- (BOOL)respondsToSelector:(SEL)selector {
  if ([super respondsToSelector:selector]) return YES;
  auto target = _target.lock();
  return target != nullptr &&
         target->respondsTo(strandel::mac::toStdString(NSStringFromSelector(selector)));
}

- (NSMethodSignature*)methodSignatureForSelector:(SEL)selector {
  NSMethodSignature* signature = [super methodSignatureForSelector:selector];
  if (signature != nil) return signature;
  // Only the target's actions are forwarded; any other message raises as unrecognised.
  const std::string action = strandel::mac::toStdString(NSStringFromSelector(selector));
  auto target = _target.lock();
  if (target == nullptr || !target->respondsTo(action)) return nil;
  // One object argument per colon: the sender for an action message, none for a bare name.
  std::string types = "v@:";
  for (char c : action) {
    if (c == ':') types += '@';
  }
  return [NSMethodSignature signatureWithObjCTypes:types.c_str()];
}

- (void)forwardInvocation:(NSInvocation*)invocation {
  auto target = _target.lock();
  NSMenuItem* item = self.item;
  if (target == nullptr || item == nil) return;
  const std::string action = strandel::mac::toStdString(NSStringFromSelector(invocation.selector));
  if (!target->respondsTo(action)) return;
  strandel::mac::MacMenuItem sender(item);
  target->perform(action, sender);
}

@end

@implementation StrandelMenuItem {
  std::optional<strandel::AttributedString> _styledTitle;
}

- (const std::optional<strandel::AttributedString>&)styledTitle {
  return _styledTitle;
}

- (void)setStyledTitle:(strandel::AttributedString)title {
  _styledTitle = std::move(title);
}

@end
