#pragma once

#include <string>
#include <vector>

#include "ports/menu.h"

namespace strandel::test {

// A menu as lines of text, one per row, for comparing whole menus in one assertion:
//   "---"                              a separator
//   "Title"                            an enabled row without action
//   "Title -> action"                  a row with an action
//   "●  A (title A)"                   a row that draws another text than its title
//   "Title (submenu)"                  a row with a submenu
// followed by any of " (disabled)", " (checked)", " [key]" (its key equivalent),
// " (alternate, option)" (shown instead of the row before it while Option is held).
std::vector<std::string> describeMenu(const Menu& menu);
std::string describeRow(const MenuItem& row);

// The rows every list menu ends with, in the English string table.
std::vector<std::string> englishFooter(bool launchAtLoginChecked = false);

}  // namespace strandel::test
