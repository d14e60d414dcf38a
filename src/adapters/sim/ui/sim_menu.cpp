#include "adapters/sim/ui/sim_menu.h"

#include <algorithm>

#include "adapters/sim/ui/sim_search_field.h"
#include "adapters/sim/ui/type_select.h"

namespace strandel::sim {

SimMenuItem::SimMenuItem(std::string title, std::optional<std::string> action,
                         std::string keyEquivalent, bool separator)
    : separator_(separator),
      title_(std::move(title)),
      action_(std::move(action)),
      keyEquivalent_(std::move(keyEquivalent)) {}

bool SimMenuItem::isEffectivelyEnabled() const {
  if (separator_ || !enabled_) return false;
  if (submenu_) return true;
  if (!action_) return false;
  auto answering = target_.lock();
  return answering && answering->respondsTo(*action_);
}

SimMenuItem::~SimMenuItem() {
  if (auto* field = searchField()) field->detach();
}

void SimMenuItem::changed() const {
  if (auto holder = menu_.lock()) holder->noteChanged();
}

void SimMenuItem::setTitle(const std::string& title) {
  if (title == title_) return;
  title_ = title;
  changed();
}

void SimMenuItem::setAttributedTitle(AttributedString title) {
  if (attributedTitle_ == title) return;
  attributedTitle_ = std::move(title);
  changed();
}

void SimMenuItem::setHidden(bool hidden) {
  if (hidden == hidden_) return;
  hidden_ = hidden;
  // A hidden row cannot hold the focus.
  if (auto* field = searchField(); field && hidden) field->resignFirstResponder();
  changed();
}

void SimMenuItem::setView(SearchFieldRef view) {
  if (auto* field = searchField()) field->detach();
  view_ = std::move(view);
  if (auto* field = searchField()) field->attach(this);
  changed();
}

SimSearchField* SimMenuItem::searchField() const {
  return dynamic_cast<SimSearchField*>(view_.get());
}

MenuItemRef SimMenu::itemAtIndex(long index) const {
  if (index < 0 || index >= numberOfItems()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

void SimMenu::leaveMenu(const MenuItemRef& item) {
  auto* sim = dynamic_cast<SimMenuItem*>(item.get());
  if (!sim) return;
  sim->menu_.reset();
  // A view leaves the window with its row, and with it the focus.
  if (auto* field = sim->searchField()) field->resignFirstResponder();
}

void SimMenu::removeAllItems() {
  for (const MenuItemRef& item : items_) leaveMenu(item);
  items_.clear();
  highlighted_ = nullptr;
  changed();
}

void SimMenu::addItem(MenuItemRef item) {
  insertItem(std::move(item), numberOfItems());
}

void SimMenu::insertItem(MenuItemRef item, long index) {
  if (index < 0 || index > numberOfItems()) return;  // AppKit raises an exception
  if (auto* sim = dynamic_cast<SimMenuItem*>(item.get())) sim->menu_ = weak_from_this();
  items_.insert(items_.begin() + index, std::move(item));
  changed();
}

void SimMenu::removeItemAtIndex(long index) {
  if (index < 0 || index >= numberOfItems()) return;
  const MenuItemRef item = items_[static_cast<size_t>(index)];
  leaveMenu(item);
  items_.erase(items_.begin() + index);
  // A row that leaves takes the highlight with it: nothing is highlighted until the person
  // moves the pointer or presses a key.
  if (item == highlighted_) highlighted_ = nullptr;
  changed();
}

long SimMenu::indexOfItem(const MenuItemRef& item) const {
  auto found = std::find(items_.begin(), items_.end(), item);
  return found == items_.end() ? -1 : static_cast<long>(found - items_.begin());
}

MenuItemRef SimMenu::addItemWithTitle(const std::string& title, std::optional<std::string> action,
                                      const std::string& keyEquivalent) {
  auto item = std::make_shared<SimMenuItem>(title, std::move(action), keyEquivalent);
  addItem(item);
  return item;
}

void SimMenu::popUpAt(Point location) {
  if (open_) return;
  poppedUpAt_ = location;
  open();
}

void SimMenu::open() {
  if (open_) return;
  // Keep the menu alive while its delegate rebuilds it.
  auto self = shared_from_this();
  if (auto d = delegate()) d->menuNeedsUpdate(*this);
  open_ = true;
  highlighted_ = nullptr;
  // What the delegate changes on the way (a field taking the focus) shows with the opening.
  opening_ = true;
  if (auto d = delegate()) d->menuWillOpen(*this);
  tracking_ = true;
  if (auto d = delegate()) d->menuDidBeginTracking(*this);
  opening_ = false;
  changed();
}

void SimMenu::close() {
  if (!open_) return;
  poppedUpAt_.reset();
  auto self = shared_from_this();
  if (auto sub = openSubmenu_.lock()) sub->close();
  openSubmenu_.reset();
  open_ = false;
  tracking_ = false;
  highlighted_ = nullptr;
  // The menu's window goes, and the focus of any field in it.
  for (const MenuItemRef& item : items_) {
    if (auto* sim = dynamic_cast<SimMenuItem*>(item.get()); sim && sim->searchField())
      sim->searchField()->resignFirstResponder();
  }
  if (auto d = delegate()) d->menuDidClose(*this);
  changed();
}

std::vector<MenuItemRef> SimMenu::shownItems() const {
  const ModifierFlags held = optionDown_ ? ModifierFlags::option : ModifierFlags::none;
  std::vector<MenuItemRef> shown;
  for (const MenuItemRef& item : items_) {
    if (item->isHidden()) continue;
    if (!item->isAlternate()) {
      shown.push_back(item);
    } else if (item->keyEquivalentModifierMask() == held) {
      bool pairs = !shown.empty() && !shown.back()->isAlternate() &&
                   shown.back()->keyEquivalent() == item->keyEquivalent();
      if (pairs) shown.pop_back();
      shown.push_back(item);
    }
  }
  return shown;
}

std::vector<MenuItemRef> shownRows(const Menu& menu) {
  if (const auto* sim = dynamic_cast<const SimMenu*>(&menu)) return sim->shownItems();
  std::vector<MenuItemRef> rows;
  for (long i = 0; i < menu.numberOfItems(); ++i) {
    if (MenuItemRef item = menu.itemAtIndex(i)) rows.push_back(item);
  }
  return rows;
}

void SimMenu::setOptionKeyDown(bool down) {
  if (down == optionDown_) return;
  const std::vector<MenuItemRef> before = shownItems();
  optionDown_ = down;
  if (shownItems() != before) changed();
}

bool SimMenu::choose(long index) {
  const std::vector<MenuItemRef> shown = shownItems();
  MenuItemRef row = index >= 0 && index < static_cast<long>(shown.size())
                        ? shown[static_cast<size_t>(index)]
                        : nullptr;
  auto item = std::dynamic_pointer_cast<SimMenuItem>(row);
  if (!open_ || !item || !item->isEffectivelyEnabled()) return false;
  if (auto sub = std::dynamic_pointer_cast<SimMenu>(item->submenu())) {
    if (auto previous = openSubmenu_.lock(); previous && previous != sub) previous->close();
    sub->supermenu_ = weak_from_this();
    openSubmenu_ = sub;
    highlighted_ = item;  // the row stays highlighted while its submenu is open
    sub->open();
    return true;
  }
  perform(item);
  return true;
}

void SimMenu::perform(const MenuItemRef& item) {
  // Choosing a row ends the tracking of every menu it hangs from.
  rootMenu().close();
  // The menu has closed before the action arrives, as it does on the Mac.
  if (auto answering = item->target()) answering->perform(*item->action(), *item);
}

bool SimMenu::chooseKeyEquivalent(const std::string& key) {
  const std::vector<MenuItemRef> shown = shownItems();
  for (size_t i = 0; i < shown.size(); ++i) {
    if (!key.empty() && shown[i]->keyEquivalent() == key) return choose(static_cast<long>(i));
  }
  return false;
}

namespace {

std::shared_ptr<SimMenuItem> findKeyEquivalent(const std::vector<MenuItemRef>& rows,
                                               const std::string& key, ModifierFlags modifiers) {
  for (const MenuItemRef& row : rows) {
    auto item = std::dynamic_pointer_cast<SimMenuItem>(row);
    if (!item || (item->isHidden() && !item->allowsKeyEquivalentWhenHidden())) continue;
    if (auto sub = std::dynamic_pointer_cast<SimMenu>(item->submenu())) {
      if (auto found = findKeyEquivalent(sub->items(), key, modifiers)) return found;
    } else if (item->keyEquivalent() == key && item->keyEquivalentModifierMask() == modifiers &&
               item->isEffectivelyEnabled()) {
      return item;
    }
  }
  return nullptr;
}

}  // namespace

bool SimMenu::performKeyEquivalent(const std::string& key, ModifierFlags modifiers) {
  auto item = open_ && !key.empty() ? findKeyEquivalent(items_, key, modifiers) : nullptr;
  if (item) perform(item);
  return item != nullptr;
}

SimMenu& SimMenu::rootMenu() {
  SimMenu* menu = this;
  while (auto parent = menu->supermenu_.lock()) {
    if (!parent->open_) break;
    menu = parent.get();
  }
  return *menu;
}

SimMenu& SimMenu::activeMenu() {
  auto sub = openSubmenu_.lock();
  return sub && sub->open_ ? sub->activeMenu() : *this;
}

bool SimMenu::typeSelect(const std::string& typed, bool continuing) {
  const std::vector<MenuItemRef> shown = shownItems();
  if (!continuing || !typing_) {
    std::vector<std::optional<std::string>> titles;
    for (const MenuItemRef& row : shown) {
      auto item = std::dynamic_pointer_cast<SimMenuItem>(row);
      if (item && item->isEffectivelyEnabled()) {
        titles.emplace_back(item->title());
      } else {
        titles.emplace_back();
      }
    }
    typing_.emplace(titles);
  }
  auto row = typing_->type(typed);
  if (!row) return false;
  // Only the highlight moves: no row changes.
  highlighted_ = shown[*row];
  return true;
}

long SimMenu::highlightedIndex() const {
  if (!highlighted_) return -1;
  const std::vector<MenuItemRef> shown = shownItems();
  auto found = std::find(shown.begin(), shown.end(), highlighted_);
  return found == shown.end() ? -1 : static_cast<long>(found - shown.begin());
}

void SimMenu::highlightShownRow(long index) {
  const std::vector<MenuItemRef> shown = shownItems();
  highlighted_ = index >= 0 && index < static_cast<long>(shown.size())
                     ? shown[static_cast<size_t>(index)]
                     : nullptr;
}

bool SimMenu::chooseHighlighted() {
  const long index = highlightedIndex();
  return index >= 0 && choose(index);
}

SimSearchField* SimMenu::focusedField() const {
  for (const MenuItemRef& item : items_) {
    auto* sim = dynamic_cast<SimMenuItem*>(item.get());
    if (sim && sim->searchField() && sim->searchField()->isFirstResponder())
      return sim->searchField();
  }
  return nullptr;
}

void SimMenu::moveHighlight(bool down) {
  const std::vector<MenuItemRef> shown = shownItems();
  const long count = static_cast<long>(shown.size());
  const long from = highlightedIndex();
  const long step = down ? 1 : -1;
  for (long i = from < 0 ? (down ? 0 : count - 1) : from + step; i >= 0 && i < count; i += step) {
    auto item = std::dynamic_pointer_cast<SimMenuItem>(shown[static_cast<size_t>(i)]);
    if (item && item->isEffectivelyEnabled()) {
      highlighted_ = item;  // only the highlight moves: no row changes
      return;
    }
  }
}

void SimMenu::changed() {
  ++changeCount_;
  typing_.reset();
  if (onChange && !opening_) onChange();
}

MenuRef SimMenus::makeMenu() {
  return std::make_shared<SimMenu>();
}

MenuItemRef SimMenus::makeItem(const std::string& title, std::optional<std::string> action,
                               const std::string& keyEquivalent) {
  return std::make_shared<SimMenuItem>(title, std::move(action), keyEquivalent);
}

MenuItemRef SimMenus::separatorItem() {
  return std::make_shared<SimMenuItem>("", std::nullopt, "", /*separator=*/true);
}

SearchFieldRef SimMenus::makeSearchField() {
  return std::make_shared<SimSearchField>();
}

}  // namespace strandel::sim
