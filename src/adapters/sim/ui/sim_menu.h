#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/sim/ui/type_select.h"
#include "ports/menu.h"

namespace strandel::sim {

class SimMenu;
class SimSearchField;

// A menu row as the simulated window system keeps it.
class SimMenuItem final : public MenuItem {
 public:
  SimMenuItem(std::string title, std::optional<std::string> action, std::string keyEquivalent,
              bool separator = false);
  ~SimMenuItem() override;
  SimMenuItem(const SimMenuItem&) = delete;
  SimMenuItem& operator=(const SimMenuItem&) = delete;

  bool isSeparator() const override { return separator_; }
  std::string title() const override { return title_; }
  void setTitle(const std::string& title) override;
  std::optional<std::string> action() const override { return action_; }
  std::string keyEquivalent() const override { return keyEquivalent_; }
  ModifierFlags keyEquivalentModifierMask() const override { return modifierMask_; }
  void setKeyEquivalentModifierMask(ModifierFlags mask) override { modifierMask_ = mask; }
  bool isAlternate() const override { return alternate_; }
  void setAlternate(bool alternate) override { alternate_ = alternate; }
  bool allowsKeyEquivalentWhenHidden() const override { return keyWhenHidden_; }
  void setAllowsKeyEquivalentWhenHidden(bool allows) override { keyWhenHidden_ = allows; }
  bool isEnabled() const override { return enabled_; }
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  std::shared_ptr<ActionTarget> target() const override { return target_.lock(); }
  void setTarget(std::weak_ptr<ActionTarget> target) override { target_ = std::move(target); }
  ControlState state() const override { return state_; }
  void setState(ControlState state) override { state_ = state; }
  ImageRef image() const override { return image_; }
  void setImage(ImageRef image) override { image_ = std::move(image); }
  std::optional<AttributedString> attributedTitle() const override { return attributedTitle_; }
  void setAttributedTitle(AttributedString title) override;
  std::shared_ptr<const Object> representedObject() const override { return represented_; }
  void setRepresentedObject(std::shared_ptr<const Object> object) override {
    represented_ = std::move(object);
  }
  std::shared_ptr<Menu> submenu() const override { return submenu_; }
  void setSubmenu(std::shared_ptr<Menu> submenu) override { submenu_ = std::move(submenu); }
  bool isHidden() const override { return hidden_; }
  void setHidden(bool hidden) override;
  SearchFieldRef view() const override { return view_; }
  void setView(SearchFieldRef view) override;
  // The simulated field this row shows, if any.
  SimSearchField* searchField() const;
  // The menu that holds the row, while it does.
  std::shared_ptr<SimMenu> menu() const { return menu_.lock(); }

  // What the user sees: a row is chosen only when it is enabled and its target answers its
  // action, as a menu that validates its rows does.
  bool isEffectivelyEnabled() const;

 private:
  friend class SimMenu;
  // What the open menu shows changed: it redraws.
  void changed() const;

  bool separator_;
  std::string title_;
  std::optional<std::string> action_;
  std::string keyEquivalent_;
  ModifierFlags modifierMask_ = ModifierFlags::command;
  bool alternate_ = false;
  bool keyWhenHidden_ = false;
  bool enabled_ = true;
  std::weak_ptr<ActionTarget> target_;
  ControlState state_ = ControlState::off;
  ImageRef image_;
  std::optional<AttributedString> attributedTitle_;
  std::shared_ptr<const Object> represented_;
  std::shared_ptr<Menu> submenu_;
  bool hidden_ = false;
  SearchFieldRef view_;
  std::weak_ptr<SimMenu> menu_;
};

// A menu that the simulated user opens, reads, chooses from and closes.
class SimMenu final : public Menu, public std::enable_shared_from_this<SimMenu> {
 public:
  long numberOfItems() const override { return static_cast<long>(items_.size()); }
  MenuItemRef itemAtIndex(long index) const override;
  void removeAllItems() override;
  void addItem(MenuItemRef item) override;
  void insertItem(MenuItemRef item, long index) override;
  void removeItemAtIndex(long index) override;
  long indexOfItem(const MenuItemRef& item) const override;
  // Follows its row wherever rows are put around it, and is lost with it.
  MenuItemRef highlightedItem() const override { return highlighted_; }
  MenuItemRef addItemWithTitle(const std::string& title, std::optional<std::string> action,
                               const std::string& keyEquivalent) override;
  void setDelegate(std::weak_ptr<MenuDelegate> delegate) override { delegate_ = delegate; }
  std::shared_ptr<MenuDelegate> delegate() const override { return delegate_.lock(); }
  // Ends the whole menu's tracking, submenus included.
  void cancelTracking() override { rootMenu().close(); }
  void popUpAt(Point location) override;
  // Where the menu was last popped up; none when it opened under its status item.
  std::optional<Point> poppedUpAt() const { return poppedUpAt_; }

  // Every row, alternates included, as the program added them.
  const std::vector<MenuItemRef>& items() const { return items_; }
  // The rows the user sees: an alternate row takes the place of the row before it while
  // its modifier is held, and is hidden otherwise.
  std::vector<MenuItemRef> shownItems() const;
  bool isOpen() const { return open_; }
  // From the start of tracking (after menuWillOpen) until the menu closes: only then can a
  // view in the menu take the keyboard focus.
  bool isTracking() const { return open_ && tracking_; }
  // The Option key, held or released; what is shown changes at once.
  void setOptionKeyDown(bool down);
  bool optionKeyDown() const { return optionDown_; }
  // Counts every change of rows, so a view can tell when to redraw and tests can tell that an
  // open menu was left untouched.
  unsigned long changeCount() const { return changeCount_; }
  std::function<void()> onChange;

  // The user's side: opening asks the delegate to update, then tells it the menu opened.
  void open();
  void close();
  // Closes the menu, then sends the shown row's action to its target; false when the row
  // cannot be chosen (a separator, a disabled row, an index out of range). A row with a
  // submenu opens that submenu instead, and the menu stays open.
  bool choose(long index);
  // The deepest open menu: an open submenu's, or this one.
  SimMenu& activeMenu();
  // The submenu open from one of this menu's rows, if any.
  std::shared_ptr<SimMenu> openSubmenu() const { return openSubmenu_.lock(); }
  // Type-select, as the system's menus do it: the first row that can be chosen whose title
  // starts with `typed`, ignoring case and diacritics, becomes the highlighted row. False
  // (and the highlight unchanged) when no row matches. `continuing`: `typed` follows what
  // was typed before, matched only against the rows that still match.
  bool typeSelect(const std::string& typed, bool continuing = false);
  // The highlighted row's index among the shown rows; -1 when none (or it was hidden).
  long highlightedIndex() const;
  // The pointer or the keyboard rests on this shown row (-1: on none).
  void highlightShownRow(long index);
  // Return: chooses the highlighted row; false without one.
  bool chooseHighlighted();
  // The search field that has the keyboard focus, if any; while it has, typed text goes
  // into it and type-select is off.
  SimSearchField* focusedField() const;
  // The arrow keys: the next row (down) or the previous one (up) that can be chosen among
  // the shown rows; the highlight stays at either end. A focused field keeps its text.
  void moveHighlight(bool down);
  // What a view's change or a row's redraws: counted like a change of rows.
  void noteChanged() { changed(); }
  // The row whose key equivalent is `key`, as the keyboard would choose it.
  bool chooseKeyEquivalent(const std::string& key);
  // A key press with its modifiers while the menu is tracked: the first row of this menu or
  // its submenus whose key equivalent and modifier mask match exactly is chosen, a hidden
  // row only if it allows that. False when no row answers.
  bool performKeyEquivalent(const std::string& key, ModifierFlags modifiers);

 private:
  static void leaveMenu(const MenuItemRef& item);
  void changed();
  SimMenu& rootMenu();
  void perform(const MenuItemRef& item);

  std::vector<MenuItemRef> items_;
  std::weak_ptr<SimMenu> supermenu_;
  std::weak_ptr<SimMenu> openSubmenu_;
  MenuItemRef highlighted_;
  std::optional<TypeSelect> typing_;  // what was typed since the rows last changed
  std::weak_ptr<MenuDelegate> delegate_;
  bool open_ = false;
  std::optional<Point> poppedUpAt_;
  bool tracking_ = false;
  bool opening_ = false;
  bool optionDown_ = false;
  unsigned long changeCount_ = 0;
};

// The rows a menu shows: shownItems() of a simulated menu, every row of any other.
std::vector<MenuItemRef> shownRows(const Menu& menu);

class SimMenus final : public Menus {
 public:
  MenuRef makeMenu() override;
  MenuItemRef makeItem(const std::string& title, std::optional<std::string> action,
                       const std::string& keyEquivalent) override;
  MenuItemRef separatorItem() override;
  SearchFieldRef makeSearchField() override;
};

}  // namespace strandel::sim
