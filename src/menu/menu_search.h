#pragma once

#include <optional>
#include <string>
#include <vector>

#include "menu/search_filter.h"
#include "ports/menu.h"

namespace strandel {

// The search field's rows: found in the menu after each build, then shown or hidden on
// every keystroke without reading the menu again.
struct MenuSearch {
  struct Row {
    MenuItemRef row;
    SearchKey key;
    bool occluded;
  };
  struct Group {
    MenuItemRef header;
    std::string format;  // the header's text, taking the count of rows that stay
    long shownCount = -1;
  };

  SearchFieldRef field;
  MenuItemRef fieldRow;
  MenuItemRef noMatchRow;
  std::vector<Row> rows;
  Group groups[2];  // visible, hidden
  // Between the hidden and the visible rows: shown only while both have rows.
  MenuItemRef groupSeparator;
  // The last query that kept no row: plain text typed on after it keeps none either, so a
  // long paste costs no folding or matching per keystroke.
  std::optional<std::string> deadEnd;

  // Reads the rows of a freshly built menu.
  void index(const Menu& menu, const std::string& hiddenFormat, const std::string& visibleFormat);
  // Hides the rows the field's query leaves out; headers count the rest.
  void apply();
  // The first extra's row that stays, if any.
  MenuItemRef firstShownRow() const;
};

}  // namespace strandel
