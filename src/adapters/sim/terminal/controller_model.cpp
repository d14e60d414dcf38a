// What the screen shows: the bar, the status line, the keys and the view model.

#include "adapters/sim/terminal/controller.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/transcript.h"
#include "adapters/sim/terminal/bar_picture.h"
#include "adapters/sim/terminal/controller_support.h"
#include "adapters/sim/ui/sim_menu.h"
#include "text/utf8.h"

namespace strandel::sim::terminal {

using namespace detail;

std::vector<BarExtraView> Controller::barExtras(
    std::vector<std::pair<ProcessID, ExtraID>>* ids) const {
  const Desktop& desktop = simulator_.desktop();
  auto apps = desktop.apps();
  std::unordered_map<ProcessID, const AppSpec*> byPid;
  for (const AppSpec& app : apps) byPid.emplace(app.pid, &app);
  std::vector<BarExtraView> extras;
  for (const PicturedExtra& drawn :
       pictureBars(apps, desktop.screens(), simulator_.scene().selfPid)) {
    const AppSpec& app = *byPid.at(drawn.pid);
    BarExtraView view;
    view.frame = drawn.frame;
    std::tie(view.glyph, view.ink) = iconOf(app.icon);
    view.name = appName(app);
    view.opened = opened_ && opened_->pid == app.pid && opened_->extra == drawn.extra;
    view.display = drawn.display;
    view.overflowed = drawn.overflowed;
    extras.push_back(std::move(view));
    if (ids) ids->emplace_back(app.pid, drawn.extra);
  }
  return extras;
}

long Controller::openSubmenuRow() const {
  auto root = simulator_.menu();
  auto active = simulator_.activeMenu();
  if (!root || !active || active == root) return -1;
  auto items = shownRows(*root);
  for (size_t i = 0; i < items.size(); ++i) {
    if (auto sub = items[i]->submenu(); sub && sub.get() == root->openSubmenu().get()) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

std::string Controller::statusLine() const {
  std::string line = simulator_.terminated() ? "Strandel has quit" : "Strandel is running";
  line += simulator_.desktop().accessibilityGranted() ? "  ·  Accessibility: allowed"
                                                      : "  ·  Accessibility: not allowed";
  if (simulator_.privacyPaneOpen()) line += "  ·  privacy pane open";
  if (simulator_.loginItemsPaneOpen()) line += "  ·  Login Items open";
  if (simulator_.optionKeyDown()) line += "  ·  Option held";
  if (hovered_ && !menuOpen()) {
    auto item = simulator_.statusItem();
    if (item && item->simButton() && !item->simButton()->toolTip().empty()) {
      line += "  ·  " + item->simButton()->toolTip();
    }
  }
  return line;
}

std::vector<KeyHint> Controller::keyHints() const {
  if (dialog_ || prompt_) {
    size_t count = dialog_ ? dialog_->alert.buttons.size() : kPromptButtons.size();
    std::string numbers = count > 1 ? "1-" + std::to_string(std::min<size_t>(count, 9)) : "1";
    std::vector<KeyHint> hints = {{"←/→", "pick a button", "pick"},
                                  {"⏎", "answer", ""},
                                  {numbers, "answer by number", "by number"}};
    // The system's prompt can be put away, and the person can leave from it.
    if (!dialog_) hints.insert(hints.end(), {{"esc", "not now", ""}, {"q", "leave", ""}});
    return hints;
  }
  if (opened_) return {{"any key or click", "closes the open extra", "closes it"}};
  if (list_ && list_->entries.empty()) return {{"esc", "close", ""}};
  if (list_) {
    return {{"↑/↓", "move", ""},
            {"⏎", list_->launching ? "launch" : "quit it", ""},
            {"esc", "cancel", ""}};
  }
  if (menuOpen()) {
    auto rows = menuRows();
    const long cursor = menuCursor();
    bool onSubmenu = cursor >= 0 && cursor < static_cast<long>(rows.size()) &&
                     rows[static_cast<size_t>(cursor)].submenu;
    if (openSubmenuRow() >= 0) {
      return {{"↑/↓", "move", ""},
              {"⏎", "choose", ""},
              {"←/esc", "back", ""},
              {"letters", "type to a row", "type"}};
    }
    std::vector<KeyHint> hints = {{"↑/↓", "move", ""}, {"⏎", "choose", ""}};
    if (onSubmenu) hints.push_back({"→", "open the submenu", "open"});
    // With the search field focused, letters narrow the rows and esc clears the text first.
    const bool searching = simulator_.focusedSearchField() != nullptr;
    hints.insert(hints.end(), {{"esc", searching ? "clear/close" : "close", ""},
                               {"tab", "hold/let go Option", "Option"},
                               searching ? KeyHint{"letters", "search", ""}
                                         : KeyHint{"letters", "type to a row", "type"},
                               {"`", "shortcut", ""}});
    return hints;
  }
  std::vector<KeyHint> hints;
  if (simulator_.loginItemsPaneOpen()) {
    return {{"esc", "close Login Items", "close"}};
  }
  if (simulator_.privacyPaneOpen()) {
    hints = {{"space", "allow/deny", ""}, {"esc/p", "close the pane", "close pane"}};
  }
  hints.push_back({"h", "hover", ""});
  hints.push_back({"⏎", "open the menu", "menu"});
  hints.push_back({"`", "shortcut", ""});
  if (!simulator_.privacyPaneOpen()) hints.push_back({"p", "privacy pane", "privacy"});
  hints.push_back({"l", "launch app", "launch"});
  hints.push_back({"k", "quit app", ""});
  hints.push_back({"q", "leave", ""});
  return hints;
}

ViewModel Controller::model() {
  ViewModel m;
  m.screens = simulator_.desktop().screens();
  std::vector<std::pair<ProcessID, ExtraID>> ids;
  m.extras = barExtras(&ids);
  if (opened_) {
    auto at = std::find(ids.begin(), ids.end(), std::make_pair(opened_->pid, opened_->extra));
    if (at == ids.end()) {
      opened_.reset();  // its application quit
    } else {
      m.popup = PopupView{static_cast<size_t>(at - ids.begin()), opened_->title, opened_->lines,
                          opened_->failed};
    }
  }

  if (auto item = simulator_.statusItem()) {
    m.statusItemShown = true;
    // A button without an image shows as an empty box, still there to click.
    auto* button = item->simButton();
    if (button && button->image()) m.statusGlyph = iconOf(button->image()).first;
  }

  if (menuOpen()) {
    auto rows = menuRows();
    m.menuFirst = menuFirst_;
    long parentRow = openSubmenuRow();
    if (parentRow >= 0) {
      // The status menu stays drawn, its row highlighted, with the submenu beside it.
      m.menu = describeRows(*simulator_.menu());
      m.menuCursor = parentRow;
      m.submenu = std::move(rows);
      m.submenuRow = parentRow;
      m.submenuCursor = menuCursor();
    } else {
      m.menu = std::move(rows);
      m.menuCursor = menuCursor();
    }
  } else {
    menuFirst_ = 0;
  }
  m.statusHighlighted = m.menu.has_value() || hovered_;

  if (simulator_.privacyPaneOpen()) {
    m.pane = PaneView{simulator_.desktop().accessibilityGranted()};
  }
  if (simulator_.loginItemsPaneOpen()) {
    m.loginItemsPane =
        LoginItemsPaneView{simulator_.platform().loginItems->status() == LoginItemStatus::enabled};
  }
  if (list_) {
    m.list = ListView{list_->launching ? "Launch an application" : "Quit an application",
                      list_->entries, list_->cursor,
                      list_->launching ? "Every application of the scene is running."
                                       : "No application is running."};
  }
  if (dialog_) {
    m.dialog = DialogView{dialog_->alert.messageText,
                          dialog_->alert.informativeText,
                          dialog_->alert.buttons,
                          dialog_->focus,
                          dialog_->alert.style == AlertStyle::critical,
                          "Strandel"};
  } else if (prompt_) {
    m.dialog = DialogView{
        "Strandel would like to control this computer using accessibility "
        "features.",
        "Allow it in Privacy & Security › Accessibility, in the system's "
        "settings.",
        kPromptButtons,
        prompt_->focus,
        false,
        "System"};
  }
  m.log.assign(log_.begin(), log_.end());
  m.status = statusLine();
  m.help = keyHints();
  return m;
}

}  // namespace strandel::sim::terminal
