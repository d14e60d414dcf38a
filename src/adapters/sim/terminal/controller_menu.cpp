// How the controller answers keys and the pointer while Strandel's menu is open.

#include <algorithm>

#include "adapters/sim/services/xdg_login_items.h"
#include "adapters/sim/terminal/controller.h"
#include "adapters/sim/terminal/controller_support.h"
#include "adapters/sim/ui/sim_menu.h"
#include "text/utf8.h"

namespace strandel::sim::terminal {

using namespace detail;

void Controller::openMenu() {
  menuFirst_ = 0;
  if (!simulator_.statusItem()) {
    log("the status item is not in the menu bar yet");
    return;
  }
  // The menu opens within this call; its log line tells how long that took.
  menuAskedAt_ = simulator_.secondsSinceStart();
  simulator_.openMenu();
  menuAskedAt_.reset();
}

void Controller::chooseRow(long row) {
  bool submenu = row >= 0 && row < static_cast<long>(menuRows().size()) &&
                 menuRows()[static_cast<size_t>(row)].submenu;
  auto& loginItems = *simulator_.platform().loginItems;
  LoginItemStatus before = loginItems.status();
  simulator_.choose(row + 1);
  tellAboutLoginItem(before, loginItems.status());
  // A submenu opens with nothing highlighted, as on the Mac; the keys then act on it.
  if (submenu) typedAt_ = -1e9;
}

void Controller::tellAboutLoginItem(LoginItemStatus before, LoginItemStatus after) {
  if (before == after) return;
  std::string entry =
      XdgLoginItems(simulator_.autostartDirectory(), std::nullopt, nullptr).entryPath().string();
  if (after == LoginItemStatus::enabled) {
    logEvent("Launch at Login wrote a real autostart entry, " + entry,
             {"your desktop starts this simulator at each login; without a terminal it plays",
              "the demonstration on virtual time and exits. Choose the row again to remove it."});
  } else if (before == LoginItemStatus::enabled) {
    logEvent("Launch at Login removed " + entry, {});
  }
}

void Controller::menuBack() {
  long parent = openSubmenuRow();
  if (parent < 0) {
    simulator_.closeMenu();
    return;
  }
  // The row the submenu hung from stays highlighted.
  simulator_.activeMenu()->close();
  typedAt_ = -1e9;
}

void Controller::handleMenu(const Input& input) {
  auto rows = menuRows();
  long count = static_cast<long>(rows.size());
  const long cursor = menuCursor();
  if (input.kind == Input::Kind::key && handleSearchKey(input)) return;
  if (input.kind == Input::Kind::key) {
    switch (input.key) {
      case Key::up:
        setMenuCursor(nextSelectable(rows, cursor < 0 ? count : cursor, -1));
        return;
      case Key::down:
        setMenuCursor(nextSelectable(rows, cursor, 1));
        return;
      case Key::home:
        setMenuCursor(nextSelectable(rows, -1, 1));
        return;
      case Key::end:
        setMenuCursor(nextSelectable(rows, count, -1));
        return;
      case Key::pageUp:
      case Key::pageDown: {
        long row = cursor;
        for (int i = 0; i < 10; ++i)
          row = nextSelectable(rows, row, input.key == Key::pageUp ? -1 : 1);
        setMenuCursor(row);
        return;
      }
      case Key::enter:
        if (cursor >= 0) chooseRow(cursor);
        return;
      case Key::right:
        // Opens the highlighted row's submenu; elsewhere it does nothing.
        if (cursor >= 0 && cursor < count && rows[static_cast<size_t>(cursor)].submenu) {
          chooseRow(cursor);
        }
        return;
      case Key::escape:
      case Key::left:
        menuBack();
        return;
      case Key::tab:
        // A terminal cannot tell a held Option key: tab holds it, or lets it go.
        simulator_.setOptionKeyDown(!simulator_.optionKeyDown());
        return;
      case Key::none:
        if (input.character == U' ') {
          if (cursor >= 0) chooseRow(cursor);
        } else if (input.character == U'`') {
          pressShortcut();
        } else {
          typeIntoMenu(input.character);
        }
        return;
      default:
        return;
    }
  }
  for (const auto& [region, index] : hits_.menuRows) {
    if (!region.contains(input.x, input.y)) continue;
    bool can = index < count && selectable(rows[static_cast<size_t>(index)]);
    if (input.kind == Input::Kind::pointerMove) {
      setMenuCursor(can ? index : -1);
    } else if (can) {
      chooseRow(index);
    }
    return;
  }
  bool inside = hits_.menuBox && hits_.menuBox->contains(input.x, input.y);
  bool onParent = hits_.parentMenuBox && hits_.parentMenuBox->contains(input.x, input.y);
  if (input.kind == Input::Kind::pointerDown && onParent) {
    menuBack();  // a click back on the menu under the submenu returns to it
  } else if (input.kind == Input::Kind::pointerDown && !inside) {
    // A click anywhere else, the status item included, closes the menu and does no more.
    simulator_.closeMenu();
  }
}

void Controller::pressShortcut() {
  auto combo = simulator_.chosenShortcut();
  if (!combo) {
    log("no keyboard shortcut chosen (Strandel's menu: Keyboard Shortcut)");
    return;
  }
  // While its menu is open the program lets go of the hot key on purpose.
  if (!menuOpen() && !simulator_.isRegistered(*combo)) {
    std::string holder = simulator_.hotKeyHolder(*combo);
    log(describeHotKey(*combo) + " is chosen but not registered: " +
        (holder == "no app" ? std::string("the system refused it") : holder + " holds it"));
  }
  menuAskedAt_ = simulator_.secondsSinceStart();
  simulator_.pressShortcut(*combo);
}

void Controller::typeIntoMenu(char32_t character) {
  // The system's menus take a pause of about a second as the start of a new search; without
  // one, the letter only narrows what the letters before it matched.
  double now = simulator_.secondsSinceStart();
  bool continuing = now - typedAt_ <= 1.0;
  typedAt_ = now;
  // The menu's own type-select moves its highlight.
  simulator_.typeIntoMenu(utf8Of(character), continuing);
}

}  // namespace strandel::sim::terminal
