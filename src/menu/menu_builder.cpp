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
  target.removeAllItems();

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
    for (const auto& item : hidden) {
      // The menu's type-select reads the plain title, so the mark is only drawn: typing
      // the label's first letters reaches the row.
      auto row = addItemRow(target, item, item->appName);
      row->setAttributedTitle(
          AttributedString{kHiddenMark + item->appName, Font::menu(), std::nullopt});
    }
  }
  if (!visible.empty()) {
    if (!hidden.empty()) target.addItem(menus.separatorItem());
    addHeader(stringWithFormat(L("list.visibleHeader"), {static_cast<int64_t>(visible.size())}),
              target);
    for (const auto& item : visible) addItemRow(target, item, item->appName);
  }
  if (!items->empty()) addNoMatchRow(target);
  target.addItem(menus.separatorItem());
  addFooterItems(target);
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

MenuItemRef AppDelegate::addItemRow(Menu& target, const ExtraItemRef& item,
                                    const std::string& title) {
  auto row = platform().menus->makeItem(title, kPickAction, "");
  row->setTarget(weak_from_this());
  row->setRepresentedObject(item);
  // All extras of one application share its icon; each row gets its own small copy.
  if (item->icon) {
    if (auto copy = item->icon->copy()) {
      copy->setSize(kRowIconSize);
      row->setImage(std::move(copy));
    }
  }
  target.addItem(row);
  return row;
}

}  // namespace strandel
