#include "adapters/sim/ui/sim_menu.h"

namespace strandel::sim {

SimMenuItem::SimMenuItem(std::string title, std::optional<std::string> action,
                         std::string keyEquivalent, bool separator)
    : separator_(separator),
      title_(std::move(title)),
      action_(std::move(action)),
      keyEquivalent_(std::move(keyEquivalent)) {}

bool SimMenuItem::isEffectivelyEnabled() const {
  if (separator_ || !enabled_ || !action_) return false;
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

void SimMenu::open() {
  if (open_) return;
  // Keep the menu alive while its delegate rebuilds it.
  auto self = shared_from_this();
  if (auto d = delegate()) d->menuNeedsUpdate(*this);
  open_ = true;
  if (auto d = delegate()) d->menuWillOpen(*this);
  changed();
}

void SimMenu::close() {
  if (!open_) return;
  auto self = shared_from_this();
  open_ = false;
  if (auto d = delegate()) d->menuDidClose(*this);
  changed();
}

bool SimMenu::choose(long index) {
  auto item = std::dynamic_pointer_cast<SimMenuItem>(itemAtIndex(index));
  if (!open_ || !item || !item->isEffectivelyEnabled()) return false;
  close();
  // The menu has closed before the action arrives, as it does on the Mac.
  if (auto answering = item->target()) answering->perform(*item->action(), *item);
  return true;
}

bool SimMenu::chooseKeyEquivalent(const std::string& key) {
  for (long i = 0; i < numberOfItems(); ++i) {
    if (!key.empty() && items_[static_cast<size_t>(i)]->keyEquivalent() == key) return choose(i);
  }
  return false;
}

void SimMenu::changed() {
  ++changeCount_;
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
