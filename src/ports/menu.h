#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ports/application.h"
#include "ports/geometry.h"
#include "ports/image.h"
#include "ports/object.h"

namespace strandel {

enum class FontWeight { regular, semibold };
enum class Color { label, secondaryLabel };

struct Font {
  double pointSize = 13;
  FontWeight weight = FontWeight::regular;
  bool operator==(const Font&) const = default;

  // menuFontOfSize:0, the font of a plain menu row.
  static constexpr Font menu() { return Font{0, FontWeight::regular}; }
};

struct AttributedString {
  std::string text;
  Font font;
  // None: the menu's own text colour, which follows the row's highlight.
  std::optional<Color> foregroundColor;
  bool operator==(const AttributedString&) const = default;
};

enum class ControlState : int { off = 0, on = 1, mixed = -1 };

// NSEventModifierFlags, as far as menu rows use them.
enum class ModifierFlags : uint64_t {
  none = 0,
  shift = 1ull << 17,
  control = 1ull << 18,
  option = 1ull << 19,
  command = 1ull << 20,
};

class Menu;
class SearchField;

// NSControlTextEditingDelegate, as a search field's owner uses it.
class SearchFieldDelegate {
 public:
  virtual ~SearchFieldDelegate() = default;
  // controlTextDidChange: sent after each edit the user makes, not after setStringValue.
  virtual void controlTextDidChange(SearchField& field) = 0;
  // control:textView:doCommandBySelector: a key's command ("insertNewline:",
  // "cancelOperation:", ...) before the field editor acts on it; true when handled here.
  virtual bool doCommandBySelector(SearchField& field, const std::string& selector) = 0;
};

// An NSSearchField shown as a menu row's view.
class SearchField {
 public:
  virtual ~SearchField() = default;
  virtual std::string stringValue() const = 0;
  virtual void setStringValue(const std::string& text) = 0;
  virtual std::string placeholderString() const = 0;
  virtual void setPlaceholderString(const std::string& text) = 0;
  virtual std::string accessibilityLabel() const = 0;
  virtual void setAccessibilityLabel(const std::string& text) = 0;
  // Held weakly, as AppKit holds delegates.
  virtual void setDelegate(std::weak_ptr<SearchFieldDelegate> delegate) = 0;
  // [field.window makeFirstResponder:field]: false when refused, as before the menu's
  // tracking has begun (the field has no window yet).
  virtual bool makeFirstResponder() = 0;
  // Whether the field's editor is its window's first responder.
  virtual bool isFirstResponder() const = 0;
  // A field editor of its own that draws the insertion point although the window is not
  // key (an inactive app's menu window never is; AppKit's editor then draws none).
  virtual void setDrawsInsertionPointWhenInactive(bool draws) = 0;
};
using SearchFieldRef = std::shared_ptr<SearchField>;

// One row of a menu; choosing it sends its action to its target with the row as sender.
class MenuItem {
 public:
  virtual ~MenuItem() = default;

  virtual bool isSeparator() const = 0;
  virtual std::string title() const = 0;
  virtual void setTitle(const std::string& title) = 0;
  virtual std::optional<std::string> action() const = 0;
  virtual std::string keyEquivalent() const = 0;
  // Command unless set otherwise.
  virtual ModifierFlags keyEquivalentModifierMask() const = 0;
  virtual void setKeyEquivalentModifierMask(ModifierFlags mask) = 0;
  // An alternate row stands in for the row right before it while its modifiers are held,
  // and is not shown otherwise.
  virtual bool isAlternate() const = 0;
  virtual void setAlternate(bool alternate) = 0;
  // A hidden row's key equivalent still answers when this is set (see isHidden).
  virtual bool allowsKeyEquivalentWhenHidden() const = 0;
  virtual void setAllowsKeyEquivalentWhenHidden(bool allows) = 0;

  virtual bool isEnabled() const = 0;
  virtual void setEnabled(bool enabled) = 0;
  virtual std::shared_ptr<ActionTarget> target() const = 0;
  // Held weakly, as the platform holds row targets.
  virtual void setTarget(std::weak_ptr<ActionTarget> target) = 0;
  virtual ControlState state() const = 0;
  virtual void setState(ControlState state) = 0;
  virtual ImageRef image() const = 0;
  virtual void setImage(ImageRef image) = 0;
  virtual std::optional<AttributedString> attributedTitle() const = 0;
  virtual void setAttributedTitle(AttributedString title) = 0;
  virtual std::shared_ptr<const Object> representedObject() const = 0;
  // Held strongly and given back unchanged.
  virtual void setRepresentedObject(std::shared_ptr<const Object> object) = 0;
  // The menu that opens from this row; none for a plain row.
  virtual std::shared_ptr<Menu> submenu() const = 0;
  virtual void setSubmenu(std::shared_ptr<Menu> submenu) = 0;
  // A hidden row is not shown, not counted among the shown rows and answers no key
  // equivalent unless it allows that; it stays in the menu.
  virtual bool isHidden() const = 0;
  virtual void setHidden(bool hidden) = 0;
  // The row's view, drawn instead of its title: here only ever a search field.
  virtual SearchFieldRef view() const = 0;
  virtual void setView(SearchFieldRef view) = 0;
};
using MenuItemRef = std::shared_ptr<MenuItem>;

class MenuDelegate {
 public:
  virtual ~MenuDelegate() = default;
  virtual void menuNeedsUpdate(Menu& menu) = 0;
  virtual void menuWillOpen(Menu& menu) = 0;
  virtual void menuDidClose(Menu& menu) = 0;
  // NSMenuDidBeginTrackingNotification: the menu is on screen and tracks the keyboard.
  virtual void menuDidBeginTracking(Menu& menu) = 0;
};

// A menu whose rows may be replaced while it is shown; the shown menu follows.
class Menu {
 public:
  virtual ~Menu() = default;
  virtual long numberOfItems() const = 0;
  virtual MenuItemRef itemAtIndex(long index) const = 0;
  virtual void removeAllItems() = 0;
  virtual void addItem(MenuItemRef item) = 0;
  // insertItem:atIndex: and removeItemAtIndex:, for updating rows of an open menu in place.
  virtual void insertItem(MenuItemRef item, long index) = 0;
  virtual void removeItemAtIndex(long index) = 0;
  // indexOfItem: -1 when the row is not in this menu.
  virtual long indexOfItem(const MenuItemRef& item) const = 0;
  // The row the keyboard or the pointer rests on; none when no row is highlighted. There is
  // no setter: the highlight stays on its row only while that very row stays in the menu.
  virtual MenuItemRef highlightedItem() const = 0;
  virtual MenuItemRef addItemWithTitle(const std::string& title, std::optional<std::string> action,
                                       const std::string& keyEquivalent) = 0;
  virtual void setDelegate(std::weak_ptr<MenuDelegate> delegate) = 0;
  virtual std::shared_ptr<MenuDelegate> delegate() const = 0;
  // cancelTracking: an open menu closes as if the user dismissed it.
  virtual void cancelTracking() = 0;
  // popUpMenuPositioningItem:nil atLocation:inView:nil: opens the menu with its top left
  // corner at `location`, in window coordinates, whatever the status item's place.
  virtual void popUpAt(Point location) = 0;
};
using MenuRef = std::shared_ptr<Menu>;

class Menus {
 public:
  virtual ~Menus() = default;
  virtual MenuRef makeMenu() = 0;
  // initWithTitle:action:keyEquivalent:
  virtual MenuItemRef makeItem(const std::string& title, std::optional<std::string> action,
                               const std::string& keyEquivalent) = 0;
  virtual MenuItemRef separatorItem() = 0;
  virtual SearchFieldRef makeSearchField() = 0;
};

}  // namespace strandel
