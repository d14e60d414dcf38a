// What the screen shows: the bar, the status line, the keys and the view model.

#include "adapters/sim/terminal/controller.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/transcript.h"
#include "adapters/sim/terminal/controller_support.h"
#include "adapters/sim/ui/sim_menu.h"
#include "text/utf8.h"

namespace strandel::sim::terminal {

using namespace detail;

std::vector<BarExtraView> Controller::barExtras(
    std::vector<std::pair<ProcessID, ExtraID>>* ids) const {
  std::vector<BarExtraView> extras;
  for (const AppSpec& app : simulator_.desktop().apps()) {
    if (app.terminated) continue;
    auto [glyph, ink] = iconOf(app.icon);
    for (const ExtraSpec& extra : app.extras) {
      BarExtraView view;
      view.frame = extra.frame();
      view.glyph = glyph;
      view.ink = ink;
      view.name = appName(app);
      view.opened = opened_ && opened_->pid == app.pid && opened_->extra == extra.id;
      extras.push_back(std::move(view));
      if (ids) ids->emplace_back(app.pid, extra.id);
    }
  }
  return extras;
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
    return {{"←/→", "pick a button", "pick"},
            {"⏎", "answer", ""},
            {numbers, "answer by number", "by number"}};
  }
  if (opened_) return {{"any key or click", "closes the open extra", "closes it"}};
  if (list_) {
    return {{"↑/↓", "move", ""},
            {"⏎", list_->launching ? "launch" : "quit it", ""},
            {"esc", "cancel", ""}};
  }
  if (menuOpen()) {
    return {{"↑/↓", "move", ""},
            {"⏎", "choose", ""},
            {"esc", "close", ""},
            {"tab", "hold/let go Option", "Option"},
            {"letters", "type to a row", "type"},
            {"`", "shortcut", ""}};
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
  m.screen = simulator_.desktop().screen();
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
    long count = static_cast<long>(rows.size());
    // Rows rebuilt while the menu is open keep the highlight on the same title.
    auto fits = [&](long i) {
      return i >= 0 && i < count && selectable(rows[static_cast<size_t>(i)]) &&
             rows[static_cast<size_t>(i)].title == menuCursorTitle_;
    };
    if (menuCursor_ >= 0 && !fits(menuCursor_)) {
      long found = -1;
      for (long i = 0; i < count && found < 0; ++i) {
        if (fits(i)) found = i;
      }
      if (found < 0 && count > 0) {
        // Else the nearest row below that can be highlighted, or above.
        long from = std::min(menuCursor_, count);
        long down = nextSelectable(rows, from - 1, 1);
        if (down != from - 1) {
          found = down;
        } else if (long up = nextSelectable(rows, from, -1); up != from) {
          found = up;
        }
      }
      menuCursor_ = found;
      menuCursorTitle_ = found >= 0 ? rows[static_cast<size_t>(found)].title : "";
    }
    m.menu = std::move(rows);
    m.menuCursor = menuCursor_;
    m.menuFirst = menuFirst_;
  } else {
    menuCursor_ = -1;
    menuCursorTitle_.clear();
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
