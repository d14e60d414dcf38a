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
  } else if (isCharacter(input, U'q')) {
    // The system's prompt is no alert of the program's: the person may leave from it.
    prompt_.reset();
    quitRequested_ = true;
    host_.quit();
  }
}

void Controller::openList(bool launching) {
  AppList list;
  list.launching = launching;
  Desktop& desktop = simulator_.desktop();
  const Scene& scene = simulator_.scene();
  // An app without a name goes by its pid, said once.
  auto add = [&](const AppSpec& app, const std::string& glyph) {
    list.pids.push_back(app.pid);
    std::string pid = "pid " + std::to_string(app.pid);
    list.entries.push_back(glyph + " " + (app.name ? *app.name + " (" + pid + ")" : pid));
  };
  if (launching) {
    for (const auto* apps : {&scene.apps, &scene.installed}) {
      for (const SceneApp& app : *apps) {
        if (!desktop.app(app.definition.pid)) add(app.definition, app.icon ? app.icon->glyph : "▪");
      }
    }
  } else {
    for (const AppSpec& app : desktop.apps()) {
      if (app.pid != scene.selfPid && !app.terminated) add(app, iconOf(app.icon).first);
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

void Controller::openExtraAt(int column, int row) {
  if (row < 0 || row >= static_cast<int>(hits_.bars.size())) return;
  auto index = hits_.bars[static_cast<size_t>(row)].extraAt(column);
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
  if (hits_.bars.empty()) return false;
  const Span& item = hits_.bars.front().statusItem;
  bool onItem = input.y == 0 && input.x >= item.column && input.x < item.column + item.width;
  if (input.kind == Input::Kind::pointerMove) {
    pointerOverStatusItem(onItem);
    return onItem;
  }
  if (onItem) {
    openMenu();
    return true;
  }
  if (input.y >= 0 && input.y < static_cast<int>(hits_.bars.size())) {
    openExtraAt(input.x, input.y);
    return true;
  }
  return false;
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
