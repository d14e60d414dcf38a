// How the controller answers keys and the pointer in each state of the screen.

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

namespace {

// Moves a button focus through `count` buttons laid out right to left.
std::optional<size_t> moveFocus(const Input& input, size_t focus, size_t count) {
  if (count == 0) return std::nullopt;
  if (isKey(input, Key::left)) return std::min(focus + 1, count - 1);
  if (isKey(input, Key::right)) return focus > 0 ? focus - 1 : 0;
  if (isKey(input, Key::tab)) return (focus + 1) % count;
  if (isKey(input, Key::backTab)) return (focus + count - 1) % count;
  return std::nullopt;
}

// The button that the input answers with, if it answers.
std::optional<size_t> answerOf(const Input& input, size_t focus, size_t count,
                               const std::vector<std::pair<Region, size_t>>& buttons) {
  if (isKey(input, Key::enter) || isCharacter(input, U' ')) return focus;
  if (input.kind == Input::Kind::key && input.key == Key::none && input.character >= U'1' &&
      input.character <= U'9') {
    size_t n = static_cast<size_t>(input.character - U'1');
    if (n < count) return n;
  }
  if (input.kind == Input::Kind::pointerDown) {
    for (const auto& [region, index] : buttons) {
      if (region.contains(input.x, input.y)) return index;
    }
  }
  return std::nullopt;
}

std::optional<size_t> pointedButton(const Input& input,
                                    const std::vector<std::pair<Region, size_t>>& buttons) {
  if (input.kind != Input::Kind::pointerMove) return std::nullopt;
  for (const auto& [region, index] : buttons) {
    if (region.contains(input.x, input.y)) return index;
  }
  return std::nullopt;
}

}  // namespace

void Controller::handle(const Input& input) {
  if (isKey(input, Key::redraw)) {
    host_.redraw();
    return;
  }
  if (dialog_) {
    handleDialog(input);
  } else if (prompt_) {
    handlePrompt(input);
  } else if (opened_ && input.kind != Input::Kind::pointerMove) {
    // An extra's open menu takes the next key or click to close, as menus do.
    opened_.reset();
  } else if (list_) {
    handleList(input);
  } else if (menuOpen()) {
    handleMenu(input);
  } else if (simulator_.loginItemsPaneOpen()) {
    // Another application's window: it takes every key and click until closed.
    if (isKey(input, Key::escape)) simulator_.closeLoginItemsPane();
  } else if (simulator_.privacyPaneOpen()) {
    handlePane(input);
  } else {
    handleDesktop(input);
  }
  host_.redraw();
}

void Controller::handleDialog(const Input& input) {
  Dialog& dialog = *dialog_;
  size_t count = dialog.alert.buttons.size();
  if (auto focus = moveFocus(input, dialog.focus, count)) {
    dialog.focus = *focus;
  } else if (auto pointed = pointedButton(input, hits_.dialogButtons)) {
    dialog.focus = *pointed;
  } else if (auto answer = answerOf(input, dialog.focus, count, hits_.dialogButtons)) {
    dialog.answer = *answer;
  }
}

void Controller::handlePrompt(const Input& input) {
  size_t count = kPromptButtons.size();
  if (auto focus = moveFocus(input, prompt_->focus, count)) {
    prompt_->focus = *focus;
  } else if (auto pointed = pointedButton(input, hits_.dialogButtons)) {
    prompt_->focus = *pointed;
  } else if (auto answer = answerOf(input, prompt_->focus, count, hits_.dialogButtons)) {
    prompt_.reset();
    if (*answer == 0) simulator_.openPrivacyPane();
  } else if (isKey(input, Key::escape)) {
    prompt_.reset();
  }
}

void Controller::openList(bool launching) {
  AppList list;
  list.launching = launching;
  Desktop& desktop = simulator_.desktop();
  const Scene& scene = simulator_.scene();
  auto add = [&](ProcessID pid, const std::string& name, const ImageRef& icon) {
    list.pids.push_back(pid);
    list.entries.push_back(iconOf(icon).first + " " + name + " (pid " + std::to_string(pid) + ")");
  };
  if (launching) {
    for (const auto* apps : {&scene.apps, &scene.installed}) {
      for (const SceneApp& app : *apps) {
        if (desktop.app(app.definition.pid)) continue;
        std::string glyph = app.icon ? app.icon->glyph : "▪";
        list.pids.push_back(app.definition.pid);
        list.entries.push_back(glyph + " " + appName(app.definition) + " (pid " +
                               std::to_string(app.definition.pid) + ")");
      }
    }
  } else {
    for (const AppSpec& app : desktop.apps()) {
      if (app.pid == scene.selfPid || app.terminated) continue;
      add(app.pid, appName(app), app.icon);
    }
  }
  list_ = std::move(list);
}

void Controller::handleList(const Input& input) {
  AppList& list = *list_;
  long count = static_cast<long>(list.entries.size());
  auto act = [&](long index) {
    if (index < 0 || index >= count) return;
    ProcessID pid = list.pids[static_cast<size_t>(index)];
    bool launching = list.launching;
    list_.reset();
    if (launching) {
      simulator_.launch(pid);
    } else {
      simulator_.quit(pid);
    }
  };
  if (isKey(input, Key::escape) || isCharacter(input, U'l') || isCharacter(input, U'k')) {
    list_.reset();
  } else if (isKey(input, Key::up)) {
    list.cursor = std::max(list.cursor - 1, 0L);
  } else if (isKey(input, Key::down)) {
    list.cursor = std::min(list.cursor + 1, std::max(count - 1, 0L));
  } else if (isKey(input, Key::home)) {
    list.cursor = 0;
  } else if (isKey(input, Key::end)) {
    list.cursor = std::max(count - 1, 0L);
  } else if (isKey(input, Key::enter) || isCharacter(input, U' ')) {
    act(list.cursor);
  } else if (input.kind != Input::Kind::key) {
    for (const auto& [region, index] : hits_.listRows) {
      if (!region.contains(input.x, input.y)) continue;
      if (input.kind == Input::Kind::pointerMove) {
        list.cursor = index;
      } else {
        act(index);
      }
      return;
    }
    bool inside = hits_.listBox && hits_.listBox->contains(input.x, input.y);
    if (input.kind == Input::Kind::pointerDown && !inside) list_.reset();
  }
}

void Controller::openMenu() {
  menuCursor_ = -1;
  menuCursorTitle_.clear();
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
  menuCursor_ = -1;
  menuCursorTitle_.clear();
  simulator_.choose(row + 1);
}

void Controller::handleMenu(const Input& input) {
  auto rows = menuRows();
  long count = static_cast<long>(rows.size());
  auto moveTo = [&](long row) {
    menuCursor_ = row;
    menuCursorTitle_ = row >= 0 && row < count ? rows[static_cast<size_t>(row)].title : "";
  };
  if (input.kind == Input::Kind::key) {
    switch (input.key) {
      case Key::up:
        moveTo(nextSelectable(rows, menuCursor_ < 0 ? count : menuCursor_, -1));
        return;
      case Key::down:
        moveTo(nextSelectable(rows, menuCursor_, 1));
        return;
      case Key::home:
        moveTo(nextSelectable(rows, -1, 1));
        return;
      case Key::end:
        moveTo(nextSelectable(rows, count, -1));
        return;
      case Key::pageUp:
      case Key::pageDown: {
        long row = menuCursor_;
        for (int i = 0; i < 10; ++i)
          row = nextSelectable(rows, row, input.key == Key::pageUp ? -1 : 1);
        moveTo(row);
        return;
      }
      case Key::enter:
        if (menuCursor_ >= 0) chooseRow(menuCursor_);
        return;
      case Key::escape:
      case Key::left:
        simulator_.closeMenu();
        return;
      case Key::tab:
        // A terminal cannot tell a held Option key: tab holds it, or lets it go.
        simulator_.setOptionKeyDown(!simulator_.optionKeyDown());
        return;
      case Key::none:
        if (input.character == U' ') {
          if (menuCursor_ >= 0) chooseRow(menuCursor_);
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
      moveTo(can ? index : -1);
    } else if (can) {
      chooseRow(index);
    }
    return;
  }
  bool inside = hits_.menuBox && hits_.menuBox->contains(input.x, input.y);
  if (input.kind == Input::Kind::pointerDown && !inside) {
    // A click anywhere else, the status item included, closes the menu and does no more.
    simulator_.closeMenu();
  }
}

void Controller::togglePermission() {
  if (simulator_.desktop().accessibilityGranted()) {
    simulator_.withdraw();
  } else {
    simulator_.grant();
  }
}

void Controller::handlePane(const Input& input) {
  if (isCharacter(input, U' ') || isCharacter(input, U'g')) {
    togglePermission();
  } else if (isKey(input, Key::escape) || isCharacter(input, U'p')) {
    simulator_.closePrivacyPane();
  } else if (input.kind == Input::Kind::pointerDown && hits_.paneToggle &&
             hits_.paneToggle->contains(input.x, input.y)) {
    togglePermission();
  } else if (input.kind != Input::Kind::key && hits_.paneBox &&
             hits_.paneBox->contains(input.x, input.y)) {
    // The pane's own window takes the pointer.
  } else {
    handleDesktop(input);
  }
}

void Controller::pointerOverStatusItem(bool inside) {
  if (inside && !pointerInStatusItem_) {
    hovered_ = true;
    simulator_.hover();
  } else if (!inside && pointerInStatusItem_) {
    hovered_ = false;
  }
  pointerInStatusItem_ = inside;
}

void Controller::openExtraAt(int column) {
  auto index = hits_.bar.extraAt(column);
  if (!index) return;
  std::vector<std::pair<ProcessID, ExtraID>> ids;
  auto extras = barExtras(&ids);
  if (*index >= ids.size()) return;
  auto [pid, extra] = ids[*index];
  auto app = simulator_.desktop().app(pid);
  if (!app) return;
  Opened opened;
  opened.pid = pid;
  opened.extra = extra;
  std::string name = appName(*app);
  opened.title = name;
  for (const ExtraSpec& definition : app->extras) {
    if (definition.id == extra && definition.description) opened.title = *definition.description;
  }
  opened.lines = {name + " opened its menu", "clicked where it sits"};
  opened_ = std::move(opened);
}

bool Controller::handleBar(const Input& input) {
  if (input.kind == Input::Kind::key) return false;
  const Span& item = hits_.bar.statusItem;
  bool onItem = input.y == 0 && input.x >= item.column && input.x < item.column + item.width;
  if (input.kind == Input::Kind::pointerMove) {
    pointerOverStatusItem(onItem);
    return onItem;
  }
  if (onItem) {
    openMenu();
    return true;
  }
  if (input.y == 0) {
    openExtraAt(input.x);
    return true;
  }
  return false;
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
  // The system's menus take a pause of about a second as the start of a new search.
  double now = simulator_.secondsSinceStart();
  if (now - typedAt_ > 1.0) typed_.clear();
  typedAt_ = now;
  typed_ += utf8Of(character);
  long row = simulator_.typeIntoMenu(typed_);
  if (row < 0) return;
  auto rows = menuRows();
  menuCursor_ = row;
  menuCursorTitle_ =
      row < static_cast<long>(rows.size()) ? rows[static_cast<size_t>(row)].title : "";
}

void Controller::handleDesktop(const Input& input) {
  if (input.kind != Input::Kind::key) {
    handleBar(input);
    return;
  }
  if (!isCharacter(input, U'h') && !pointerInStatusItem_) hovered_ = false;
  if (isCharacter(input, U'h')) {
    hovered_ = true;
    simulator_.hover();
  } else if (isKey(input, Key::enter) || isKey(input, Key::down) || isCharacter(input, U' ') ||
             isCharacter(input, U'o')) {
    openMenu();
  } else if (isCharacter(input, U'p')) {
    simulator_.openPrivacyPane();
  } else if (isCharacter(input, U'`')) {
    pressShortcut();
  } else if (isCharacter(input, U'l')) {
    openList(true);
  } else if (isCharacter(input, U'k')) {
    openList(false);
  } else if (isCharacter(input, U'q')) {
    quitRequested_ = true;
    host_.quit();
  }
}

}  // namespace strandel::sim::terminal
