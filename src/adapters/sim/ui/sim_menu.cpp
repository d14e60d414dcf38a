#include "adapters/sim/ui/sim_menu.h"

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

MenuItemRef SimMenu::itemAtIndex(long index) const {
  if (index < 0 || index >= numberOfItems()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

void SimMenu::removeAllItems() {
  items_.clear();
  changed();
}

void SimMenu::addItem(MenuItemRef item) {
  items_.push_back(std::move(item));
  changed();
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
  highlighted_ = -1;
  if (auto d = delegate()) d->menuWillOpen(*this);
  changed();
}

void SimMenu::close() {
  if (!open_) return;
  poppedUpAt_.reset();
  auto self = shared_from_this();
  if (auto sub = openSubmenu_.lock()) sub->close();
  openSubmenu_.reset();
  open_ = false;
  highlighted_ = -1;
  if (auto d = delegate()) d->menuDidClose(*this);
  changed();
}

std::vector<MenuItemRef> SimMenu::shownItems() const {
  const ModifierFlags held = optionDown_ ? ModifierFlags::option : ModifierFlags::none;
  std::vector<MenuItemRef> shown;
  for (const MenuItemRef& item : items_) {
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
    sub->open();
    return true;
  }
  // Choosing a row ends the tracking of every menu it hangs from.
  rootMenu().close();
  // The menu has closed before the action arrives, as it does on the Mac.
  if (auto answering = item->target()) answering->perform(*item->action(), *item);
  return true;
}

bool SimMenu::chooseKeyEquivalent(const std::string& key) {
  const std::vector<MenuItemRef> shown = shownItems();
  for (size_t i = 0; i < shown.size(); ++i) {
    if (!key.empty() && shown[i]->keyEquivalent() == key) return choose(static_cast<long>(i));
  }
  return false;
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
  if (!continuing || !typing_) {
    const std::vector<MenuItemRef> shown = shownItems();
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
  highlighted_ = static_cast<long>(*row);
  return true;
}

bool SimMenu::chooseHighlighted() {
  return highlighted_ >= 0 && choose(highlighted_);
}

void SimMenu::changed() {
  ++changeCount_;
  typing_.reset();
  if (onChange) onChange();
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

}  // namespace strandel::sim
