#include "support/menu_text.h"

namespace strandel::test {

std::string describeRow(const MenuItem& row) {
  if (row.isSeparator()) return "---";
  if (auto field = row.view()) return "[search \"" + field->stringValue() + "\"]";
  // What the row draws, then the plain title where it differs (type-select reads that).
  auto drawn = row.attributedTitle();
  std::string text = drawn ? drawn->text : row.title();
  if (drawn && drawn->text != row.title()) text += " (title " + row.title() + ")";
  if (row.submenu()) text += " (submenu)";
  if (auto action = row.action()) text += " -> " + *action;
  if (!row.isEnabled()) text += " (disabled)";
  if (row.state() == ControlState::on) text += " (checked)";
  if (!row.keyEquivalent().empty()) text += " [" + row.keyEquivalent() + "]";
  if (row.isAlternate()) {
    text += row.keyEquivalentModifierMask() == ModifierFlags::option ? " (alternate, option)"
                                                                     : " (alternate)";
  }
  return text;
}

std::vector<std::string> describeMenu(const Menu& menu) {
  std::vector<std::string> rows;
  for (long i = 0; i < menu.numberOfItems(); ++i) {
    // What the menu shows: rows a search left out are not among them.
    if (!menu.itemAtIndex(i)->isHidden()) rows.push_back(describeRow(*menu.itemAtIndex(i)));
  }
  return rows;
}

std::vector<std::string> englishFooter(bool launchAtLoginChecked) {
  return {
      std::string("Launch at Login -> toggleLaunchAtLogin") +
          (launchAtLoginChecked ? " (checked)" : ""),
      "Keyboard Shortcut (submenu)",
      "Check for Updates… -> checkForUpdates",
      "Copy Menu Bar Report -> copyMenuBarReport (alternate, option)",
      "Support Strandel… -> openDonatePage",
      "Quit Strandel -> terminate: [q]",
  };
}

}  // namespace strandel::test
