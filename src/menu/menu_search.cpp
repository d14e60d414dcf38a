#include "menu/menu_search.h"

#include <algorithm>

#include "localization/string_format.h"
#include "scanner/extra_item.h"

namespace strandel {

namespace {

void setHidden(const MenuItemRef& row, bool hidden) {
  // Only real changes: each one redraws the open menu.
  if (row && row->isHidden() != hidden) row->setHidden(hidden);
}

// Text typed on after a query that kept no row, when it cannot make an earlier word match:
// ASCII never joins what came before it, as a separate voicing mark joins its kana.
bool extendsPlainly(const std::string& text, const std::string& before) {
  if (text.size() < before.size() || text.compare(0, before.size(), before) != 0) return false;
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(before.size()), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

void MenuSearch::index(const Menu& menu, const std::string& hiddenFormat,
                       const std::string& visibleFormat) {
  rows.clear();
  deadEnd.reset();  // fresh rows may hold what the query asks for
  groups[0] = Group{nullptr, visibleFormat};
  groups[1] = Group{nullptr, hiddenFormat};
  groupSeparator = nullptr;
  MenuItemRef lastHeader;
  MenuItemRef separatorAfterHidden;
  bool sawHidden = false;
  for (long i = 0; i < menu.numberOfItems(); ++i) {
    MenuItemRef row = menu.itemAtIndex(i);
    if (!row || row == fieldRow || row == noMatchRow) continue;
    if (row->isSeparator()) {
      if (sawHidden && !separatorAfterHidden) separatorAfterHidden = row;
      continue;
    }
    auto item = std::dynamic_pointer_cast<const ExtraItem>(row->representedObject());
    if (!item) {
      // A disabled row without an action heads the extras below it.
      if (!row->action()) lastHeader = row;
      continue;
    }
    Group& group = groups[item->occluded ? 1 : 0];
    if (!group.header) group.header = lastHeader;
    if (item->occluded) sawHidden = true;
    if (!item->occluded && sawHidden && !groupSeparator) groupSeparator = separatorAfterHidden;
    rows.push_back({row, SearchKey(item->appName, item->ownerName), item->occluded});
  }
}

void MenuSearch::apply() {
  const std::string typed = field ? field->stringValue() : std::string();
  if (deadEnd && extendsPlainly(typed, *deadEnd)) {
    deadEnd = typed;
    return;
  }
  const SearchQuery query(typed);
  long kept[2] = {0, 0};
  for (const Row& r : rows) {
    const bool stays = query.matches(r.key.label, r.key.owner);
    setHidden(r.row, !stays);
    if (stays) ++kept[r.occluded ? 1 : 0];
  }
  for (int g = 0; g < 2; ++g) {
    Group& group = groups[g];
    if (!group.header) continue;
    setHidden(group.header, kept[g] == 0);
    if (kept[g] == 0 || kept[g] == group.shownCount) continue;
    group.shownCount = kept[g];
    const std::string text = stringWithFormat(group.format, {static_cast<int64_t>(kept[g])});
    group.header->setTitle(text);
    if (auto styled = group.header->attributedTitle()) {
      styled->text = text;
      group.header->setAttributedTitle(*styled);
    }
  }
  setHidden(groupSeparator, kept[0] == 0 || kept[1] == 0);
  setHidden(noMatchRow, rows.empty() || kept[0] + kept[1] > 0);
  deadEnd.reset();
  if (!rows.empty() && kept[0] + kept[1] == 0) deadEnd = typed;
}

MenuItemRef MenuSearch::firstShownRow() const {
  for (const Row& r : rows) {
    if (!r.row->isHidden()) return r.row;
  }
  return nullptr;
}

}  // namespace strandel
