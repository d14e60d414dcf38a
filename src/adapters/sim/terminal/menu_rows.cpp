// The rows of a menu as the view draws them, and which of them the cursor can rest on.

#include <memory>

#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/terminal/view.h"
#include "adapters/sim/ui/sim_menu.h"

namespace strandel::sim::terminal {

namespace {

std::string keyLabel(const std::string& key) {
  if (key.empty()) return {};
  // As the menu shows it: ⌘ and the capital letter; a capital itself needs shift.
  if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') {
    return "⌘" + std::string(1, static_cast<char>(key[0] - 'a' + 'A'));
  }
  if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z') return "⇧⌘" + key;
  return "⌘" + key;
}

}  // namespace

std::vector<MenuRowView> describeRows(const Menu& menu) {
  std::vector<MenuRowView> rows;
  for (const MenuItemRef& item : shownRows(menu)) {
    MenuRowView row;
    if (item->isSeparator()) {
      row.kind = MenuRowView::Kind::separator;
      row.enabled = false;
      rows.push_back(row);
      continue;
    }
    if (auto field = searchFieldRow(*item)) {
      rows.push_back(std::move(*field));
      continue;
    }
    auto attributed = item->attributedTitle();
    row.title = attributed ? attributed->text : item->title();
    if (attributed && attributed->foregroundColor == Color::secondaryLabel) {
      row.kind = MenuRowView::Kind::header;
    }
    auto sim = std::dynamic_pointer_cast<SimMenuItem>(item);
    row.enabled = sim ? sim->isEffectivelyEnabled() : item->isEnabled();
    switch (item->state()) {
      case ControlState::on:
        row.mark = "✓";
        break;
      case ControlState::mixed:
        row.mark = "−";
        break;
      case ControlState::off:
        break;
    }
    if (ImageRef image = item->image()) {
      if (auto simImage = std::dynamic_pointer_cast<SimImage>(image)) {
        row.glyph = simImage->glyph();
        row.ink = inkNamed(simImage->colour());
      } else {
        row.glyph = "□";
      }
    }
    row.key = keyLabel(item->keyEquivalent());
    row.submenu = item->submenu() != nullptr;
    rows.push_back(std::move(row));
  }
  return rows;
}

bool selectable(const MenuRowView& row) {
  return row.kind == MenuRowView::Kind::item && row.enabled;
}

long nextSelectable(const std::vector<MenuRowView>& rows, long from, int step) {
  long count = static_cast<long>(rows.size());
  for (long i = from + step; i >= 0 && i < count; i += step) {
    if (selectable(rows[static_cast<size_t>(i)])) return i;
  }
  return from;
}

}  // namespace strandel::sim::terminal
