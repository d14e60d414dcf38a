// The search field at the top of the list: it narrows the rows as the user types.
#include "app/app_delegate.h"
#include "localization/localization.h"
#include "menu/menu_search.h"
#include "ports/platform.h"

namespace strandel {

namespace {

// The menu's window may not take the focus at the very start of tracking; asked again this
// often, this many times, while the menu stays open.
constexpr double kFocusRetryDelay = 0.05;
constexpr int kFocusAttempts = 5;

}  // namespace

void AppDelegate::addSearchRow(Menu& target) {
  if (!search) search = std::make_shared<MenuSearch>();
  if (!search->field) {
    search->field = platform().menus->makeSearchField();
    search->field->setPlaceholderString(L("search.placeholder"));
    search->field->setAccessibilityLabel(L("search.accessibilityLabel"));
    search->field->setDelegate(std::weak_ptr<SearchFieldDelegate>(weak_from_this()));
    // Strandel is not made active by its menu, so its window is never key.
    search->field->setDrawsInsertionPointWhenInactive(true);
  }
  // A view lives in one row at a time: the row it leaves lets go of it first.
  if (search->fieldRow) search->fieldRow->setView(nullptr);
  search->fieldRow = platform().menus->makeItem("", std::nullopt, "");
  search->fieldRow->setView(search->field);
  target.addItem(search->fieldRow);
}

void AppDelegate::addNoMatchRow(Menu& target) {
  auto row = platform().menus->makeItem(L("search.noMatch"), std::nullopt, "");
  row->setEnabled(false);
  row->setHidden(true);
  target.addItem(row);
  search->noMatchRow = row;
}

void AppDelegate::filterBuiltRows(Menu& target) {
  search->index(target, L("list.occludedHeader"), L("list.visibleHeader"));
  search->apply();
  // The rows were replaced under an open menu: the field lost its focus with its old row.
  if (menuIsOpen) focusSearchField(kFocusAttempts);
}

void AppDelegate::menuDidBeginTracking(Menu& shown) {
  // Only a menu that lists extras has the field.
  const bool listsExtras = shownSignature && !shownSignature->empty();
  if (&shown == menu.get() && listsExtras) focusSearchField(kFocusAttempts);
}

void AppDelegate::focusSearchField(int attemptsLeft) {
  if (!search || !search->field || search->field->isFirstResponder()) return;
  if (search->field->makeFirstResponder() || attemptsLeft <= 1) return;
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  platform().dispatch->mainQueue().asyncAfter(kFocusRetryDelay, [weakSelf, attemptsLeft] {
    auto self = weakSelf.lock();
    if (self && self->menuIsOpen) self->focusSearchField(attemptsLeft - 1);
  });
}

void AppDelegate::clearSearch() {
  if (search && search->field) search->field->setStringValue("");
}

void AppDelegate::controlTextDidChange(SearchField&) {
  if (search) search->apply();
}

bool AppDelegate::doCommandBySelector(SearchField& field, const std::string& selector) {
  if (!search) return false;
  if (selector == "insertNewline:") {
    // Return with no row highlighted: the first row that stays, or nothing at all.
    if (MenuItemRef row = search->firstShownRow()) {
      menu->cancelTracking();
      pick(*row);
    }
    return true;
  }
  if (selector == "cancelOperation:") {
    // Escape empties the field first, and only an empty field closes the menu.
    if (field.stringValue().empty()) {
      menu->cancelTracking();
    } else {
      field.setStringValue("");
      search->apply();
    }
    return true;
  }
  return false;
}

}  // namespace strandel
