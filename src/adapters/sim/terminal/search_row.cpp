// The menu's search field on the terminal: its row, and the keys it takes while focused.
#include "adapters/sim/terminal/controller.h"
#include "adapters/sim/terminal/text.h"
#include "adapters/sim/terminal/view.h"
#include "adapters/sim/ui/sim_search_field.h"
#include "text/utf8.h"

namespace strandel::sim::terminal {

std::optional<MenuRowView> searchFieldRow(const MenuItem& item) {
  SearchFieldRef field = item.view();
  if (!field) return std::nullopt;
  MenuRowView row;
  row.kind = MenuRowView::Kind::field;
  row.glyph = "⌕";
  const std::string text = field->stringValue();
  // Dimmed as a disabled row while the placeholder stands in for the text.
  row.enabled = !text.empty();
  row.title = text.empty() ? field->placeholderString() : text;
  auto* sim = dynamic_cast<const SimSearchField*>(field.get());
  if (sim && sim->showsCaret()) row.title = text + "▏" + (text.empty() ? row.title : "");
  return row;
}

bool Controller::handleSearchKey(const Input& input) {
  SimSearchField* field = simulator_.focusedSearchField();
  if (!field) return false;
  switch (input.key) {
    case Key::none:
      // The backquote stays the global shortcut's key; everything else is text.
      if (input.character == U'`') return false;
      field->insertText(utf8Of(input.character));
      return true;
    case Key::backspace:
      field->deleteBackward();
      return true;
    case Key::enter:
      // A highlighted row is the menu's to choose; without one the field takes Return.
      if (menuCursor() >= 0) return false;
      simulator_.pressReturn();
      return true;
    case Key::escape:
      simulator_.pressEscape();
      return true;
    default:
      return false;
  }
}

}  // namespace strandel::sim::terminal
