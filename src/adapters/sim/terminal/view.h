#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/terminal/canvas.h"
#include "adapters/sim/terminal/layout.h"
#include "ports/menu.h"

// What the interactive simulator shows, as plain values, and how it is drawn onto a canvas.
namespace strandel::sim::terminal {

// An item as the system draws it in a display's bar.
struct BarExtraView {
  Rect frame;
  std::string glyph;  // the owning app's icon
  Ink ink = Ink::standard;
  std::string name;  // how the edge lists it when it is off the screen
  bool opened = false;
  size_t display = 0;       // index into the screens
  bool overflowed = false;  // in the system's overflow: only a « shows it
};

struct MenuRowView {
  enum class Kind { separator, header, item, field };
  Kind kind = Kind::item;
  std::string mark;   // "✓" (on), "−" (mixed) or nothing
  std::string glyph;  // the row's image; empty without one
  Ink ink = Ink::standard;
  std::string title;
  std::string key;  // the key equivalent as the menu shows it ("⌘Q")
  bool enabled = true;
  bool submenu = false;  // opens a submenu: marked ▸
  bool operator==(const MenuRowView&) const = default;
};

// A search field's row: its text (the placeholder, dimmed, while empty) after a magnifier,
// and the caret when the field shows one; never highlighted. None for any other row.
std::optional<MenuRowView> searchFieldRow(const MenuItem& item);
// The rows of a menu as it draws them: the attributed title where there is one, headers
// told apart by their small secondary text.
std::vector<MenuRowView> describeRows(const Menu& menu);
// Separators, headers and disabled rows cannot be highlighted.
bool selectable(const MenuRowView& row);
// The selectable row after (`step` 1) or before (-1) `from`, or `from` when there is none;
// from -1 going down, the first one.
long nextSelectable(const std::vector<MenuRowView>& rows, long from, int step);

struct PopupView {
  size_t extra = 0;  // index into the bar's extras
  std::string title;
  std::vector<std::string> lines;
  bool failed = false;
};

struct DialogView {
  std::string title;
  std::string message;
  std::vector<std::string> buttons;
  size_t focus = 0;
  bool critical = false;
  std::string caption;  // who asks: the program, or the system
};

struct PaneView {
  bool granted = false;
};

// System Settings' Login Items, opened by the program while its login item awaits approval.
struct LoginItemsPaneView {
  bool allowed = false;
};

struct ListView {
  std::string title;
  std::vector<std::string> entries;
  long cursor = 0;
  std::string emptyText;
};

// A key and what it does, as the bottom line shows it: `words`, or `shortWords` where the
// line is narrow.
struct KeyHint {
  std::string keys;
  std::string words;
  std::string shortWords;
  bool operator==(const KeyHint&) const = default;
};

// The key hints laid out on one line of `columns`, with shorter words when the long ones do
// not fit, else on two lines (or more, each cut to the width, on a very narrow terminal).
std::vector<std::string> helpLines(const std::vector<KeyHint>& hints, int columns);

struct ViewModel {
  std::vector<ScreenSpec> screens;  // one bar each, the first holding the menu bar's own
  std::vector<BarExtraView> extras;
  bool statusItemShown = false;
  std::string statusGlyph;
  bool statusHighlighted = false;

  std::optional<std::vector<MenuRowView>> menu;  // present while the menu is open
  long menuCursor = -1;
  int menuFirst = 0;  // the first row shown when the menu scrolls
  // An open submenu, beside the row `submenuRow` of the menu; the keys act on it.
  std::optional<std::vector<MenuRowView>> submenu;
  long submenuRow = -1;
  long submenuCursor = -1;

  std::optional<PopupView> popup;
  std::optional<PaneView> pane;
  std::optional<LoginItemsPaneView> loginItemsPane;
  std::optional<ListView> list;
  std::optional<DialogView> dialog;

  std::vector<std::string> log;  // oldest first; the newest lines that fit are shown
  std::string status;
  std::vector<KeyHint> help;
};

// Where the drawn things ended up, for the pointer.
struct HitMap {
  std::vector<BarLayout> bars;                    // bar i on row i; never empty once rendered
  std::optional<Region> menuBox;                  // the menu that the keys act on
  std::optional<Region> parentMenuBox;            // the menu under it, while a submenu is open
  int menuFirst = 0;                              // of the status menu
  std::vector<std::pair<Region, long>> menuRows;  // of the menu that the keys act on
  std::optional<Region> paneBox;
  std::optional<Region> paneToggle;
  std::optional<Region> listBox;
  std::vector<std::pair<Region, long>> listRows;
  std::optional<Region> dialogBox;
  std::vector<std::pair<Region, size_t>> dialogButtons;
};

// Draws the whole screen; the canvas starts blank.
HitMap render(const ViewModel& model, Canvas& canvas);

}  // namespace strandel::sim::terminal
