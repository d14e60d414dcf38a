#include <utility>
#include <vector>

#include "app/app_delegate.h"
#include "localization/localization.h"
#include "localization/string_format.h"
#include "ports/platform.h"

namespace strandel {

namespace {

constexpr Size kRowIconSize{18, 18};
// "●" and two spaces mark a hidden extra.
constexpr const char* kHiddenMark = "\u25CF  ";

std::vector<std::string> signaturesOf(const ExtraItems& items) {
  std::vector<std::string> signatures;
  signatures.reserve(items.size());
  for (const auto& item : items) signatures.push_back(item->signature());
  return signatures;
}

bool sameExtra(const ExtraItem& a, const ExtraItem& b) {
  if (a.element && b.element) return platform().accessibility->equal(a.element, b.element);
  return !a.element && !b.element && a.appName == b.appName && a.ownerName == b.ownerName;
}

// The extra row the person has highlighted and its extra in `items`, while the list still
// holds it; none otherwise.
std::pair<MenuItemRef, ExtraItemRef> highlightedExtra(const Menu& target, const ExtraItems& items) {
  MenuItemRef row = target.highlightedItem();
  if (!row || target.indexOfItem(row) < 0) return {};
  auto shown = std::dynamic_pointer_cast<const ExtraItem>(row->representedObject());
  if (!shown) return {};
  for (const auto& item : items) {
    if (sameExtra(*item, *shown)) return {row, item};
  }
  return {};
}

void removeAllBut(Menu& target, const MenuItemRef& kept) {
  const long at = target.indexOfItem(kept);
  for (long i = target.numberOfItems() - 1; i > at; --i) target.removeItemAtIndex(i);
  for (long i = at - 1; i >= 0; --i) target.removeItemAtIndex(i);
}

// The first `count` rows after the kept first row belong above it: they move there one by
// one, and the kept row itself never leaves the menu.
void moveAboveKeptRow(Menu& target, long count) {
  for (long i = 0; i < count; ++i) {
    MenuItemRef row = target.itemAtIndex(i + 1);
    target.removeItemAtIndex(i + 1);
    target.insertItem(std::move(row), i);
  }
}

}  // namespace

void AppDelegate::build(Menu& target, const std::optional<ExtraItems>& items) {
  auto& menus = *platform().menus;
  if (!items) {
    // Rows without a shown list are the permission rows or this very placeholder; a
    // placeholder must not wipe them.
    if (!shownSignature && target.numberOfItems() > 0) return;
    shownSignature.reset();
    target.removeAllItems();
    addPlaceholder(L("list.scanning"), target);
    target.addItem(menus.separatorItem());
    addFooterItems(target);
    return;
  }

  auto signatures = signaturesOf(*items);
  // The same list again leaves an open menu alone, rows and represented objects included.
  if (shownSignature && *shownSignature == signatures) return;
  shownSignature = std::move(signatures);
  // The menu cannot highlight a row anew, so the row the person has highlighted stays, with
  // its extra's fresh details, while the rows around it are replaced.
  const auto kept = highlightedExtra(target, *items);
  const MenuItemRef& keptRow = kept.first;
  const ExtraItemRef& keptItem = kept.second;
  long rowsAboveKeptRow = 0;
  if (keptRow) {
    removeAllBut(target, keptRow);
  } else {
    target.removeAllItems();
  }
  auto addExtraRow = [&](const ExtraItemRef& item) {
    if (item != keptItem) {
      addItemRow(target, item);
      return;
    }
    showExtra(*keptRow, item);
    rowsAboveKeptRow = target.numberOfItems() - 1;
  };

  ExtraItems hidden;
  ExtraItems visible;
  for (const auto& item : *items) (item->occluded ? hidden : visible).push_back(item);

  // A list of extras opens with the search field; an empty one says so instead.
  if (items->empty()) {
    addPlaceholder(L("list.empty"), target);
  } else {
    addSearchRow(target);
  }
  if (!hidden.empty()) {
    addHeader(stringWithFormat(L("list.occludedHeader"), {static_cast<int64_t>(hidden.size())}),
              target);
    for (const auto& item : hidden) addExtraRow(item);
  }
  if (!visible.empty()) {
    if (!hidden.empty()) target.addItem(menus.separatorItem());
    addHeader(stringWithFormat(L("list.visibleHeader"), {static_cast<int64_t>(visible.size())}),
              target);
    for (const auto& item : visible) addExtraRow(item);
  }
  if (!items->empty()) addNoMatchRow(target);
  target.addItem(menus.separatorItem());
  addFooterItems(target);
  if (keptRow) moveAboveKeptRow(target, rowsAboveKeptRow);
  // The query applies to fresh rows too, so a rebuild while the menu is open keeps it.
  if (!items->empty()) filterBuiltRows(target);
}

void AppDelegate::addHeader(const std::string& text, Menu& target) {
  auto row = platform().menus->makeItem(text, std::nullopt, "");
  row->setEnabled(false);
  row->setAttributedTitle(
      AttributedString{text, Font{10.0, FontWeight::semibold}, Color::secondaryLabel});
  target.addItem(row);
}

void AppDelegate::addPlaceholder(const std::string& text, Menu& target) {
  auto row = platform().menus->makeItem(text, std::nullopt, "");
  row->setEnabled(false);
  target.addItem(row);
}

void AppDelegate::addItemRow(Menu& target, const ExtraItemRef& item) {
  auto row = platform().menus->makeItem(item->appName, kPickAction, "");
  row->setTarget(weak_from_this());
  showExtra(*row, item);
  target.addItem(row);
}

void AppDelegate::showExtra(MenuItem& row, const ExtraItemRef& item) {
  row.setTitle(item->appName);
  row.setRepresentedObject(item);
  // All extras of one application share its icon; each row gets its own small copy.
  ImageRef copy = item->icon ? item->icon->copy() : nullptr;
  if (copy) copy->setSize(kRowIconSize);
  if (copy || row.image()) row.setImage(std::move(copy));
  if (item->occluded) {
    // The menu's type-select reads the plain title, so the mark is only drawn: typing the
    // label's first letters reaches the row.
    row.setAttributedTitle(
        AttributedString{kHiddenMark + item->appName, Font::menu(), std::nullopt});
  } else if (row.attributedTitle()) {
    // A kept row that was hidden: drawn as a plain row, which has no setter of its own.
    row.setAttributedTitle(AttributedString{item->appName, Font::menu(), std::nullopt});
  }
}

}  // namespace strandel
