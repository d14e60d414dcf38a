#include "adapters/sim/terminal/controller.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/transcript.h"
#include "adapters/sim/ui/sim_menu.h"
#include "text/utf8.h"

namespace strandel::sim::terminal {

namespace {

const std::vector<std::string> kPromptButtons = {"Open System Settings", "Deny"};

bool isCharacter(const Input& input, char32_t c) {
  return input.kind == Input::Kind::key && input.key == Key::none && input.character == c;
}

bool isKey(const Input& input, Key key) {
  return input.kind == Input::Kind::key && input.key == key;
}

std::string appName(const AppSpec& app) {
  return app.name ? *app.name : "pid " + std::to_string(app.pid);
}

std::pair<std::string, Ink> iconOf(const ImageRef& image) {
  if (auto sim = std::dynamic_pointer_cast<SimImage>(image)) {
    return {sim->glyph(), inkNamed(sim->colour())};
  }
  return {image ? "□" : "▪", Ink::standard};
}

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

Controller::Controller(Simulator& simulator, Host host)
    : simulator_(simulator),
      host_(std::move(host)),
      liveness_(std::make_shared<Liveness>(Liveness{this})) {
  // Presses arrive on the scan queue's thread; the controller hears of them on the main one.
  std::weak_ptr<Liveness> weak = liveness_;
  MainQueue* main = &simulator_.mainQueue();
  desktopObserver_ = simulator_.desktop().addObserver([weak, main](const DesktopEvent& event) {
    if (event.kind != DesktopEvent::Kind::pressed || !event.press) return;
    main->async([weak, press = *event.press] {
      if (auto alive = weak.lock()) alive->controller->onPress(press);
    });
  });
}

Controller::~Controller() {
  simulator_.desktop().removeObserver(desktopObserver_);
  detach();
}

void Controller::attach() {
  attached_ = true;
  simulator_.setEventSink([this](const SimEvent& event) { onEvent(event); });
  simulator_.setAlertPresenter([this](const AlertRecord& alert) { return presentAlert(alert); });
  simulator_.setMenuObserver([this] { onMenuChanged(); });
}

void Controller::detach() {
  if (!attached_) return;
  attached_ = false;
  simulator_.setEventSink(nullptr);
  simulator_.setAlertPresenter(nullptr);
  simulator_.setMenuObserver(nullptr);
}

void Controller::log(const std::string& line) {
  log_.push_back(line);
  while (log_.size() > kLogLimit) log_.pop_front();
}

void Controller::logEvent(const std::string& text, const std::vector<std::string>& details) {
  std::string stamp = Transcript::stamp(simulator_.secondsSinceStart());
  log(stamp + " " + simulator_.scrub(text));
  std::string indent(stamp.size() + 3, ' ');
  for (const auto& detail : details) log(indent + simulator_.scrub(detail));
}

void Controller::onEvent(const SimEvent& event) {
  logEvent(event.text, event.details);
  if (event.kind == SimEvent::Kind::prompt) prompt_ = Prompt{};
  host_.redraw();
}

void Controller::onMenuChanged() {
  // As the transcript has it, with how long the opening took after the person asked.
  bool open = menuOpen();
  if (open != menuShownOpen_) {
    menuShownOpen_ = open;
    if (open) {
      long rows = static_cast<long>(shownRows(*simulator_.menu()).size());
      std::string text = "menu opened (" + std::to_string(rows) + (rows == 1 ? " row)" : " rows)");
      if (menuAskedAt_) {
        double seconds = std::max(simulator_.secondsSinceStart() - *menuAskedAt_, 0.0);
        // Tenths of a millisecond as integers: no locale's decimal mark.
        long long tenths = std::llround(seconds * 1e4);
        text += " in " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " ms";
      }
      logEvent(text, {});
    } else {
      logEvent("menu closed", {});
      // Tab stands in for a key held down: once the menu is gone, nobody is holding it.
      if (simulator_.optionKeyDown()) simulator_.setOptionKeyDown(false);
    }
  }
  host_.redraw();
}

void Controller::onPress(const PressEvent& press) {
  auto app = simulator_.desktop().app(press.pid);
  std::string name =
      app ? appName(*app) : press.appName.value_or("pid " + std::to_string(press.pid));
  Opened opened;
  opened.pid = press.pid;
  opened.extra = press.extra;
  opened.title = press.description.value_or(name);
  opened.failed = press.result != AXError::success;
  if (opened.failed) {
    opened.lines = {name + " did not open it",
                    "the press failed: " + std::string(nameOf(press.result))};
  } else {
    opened.lines = {name + " opened its menu", "pressed through Strandel"};
  }
  opened_ = std::move(opened);
  host_.redraw();
}

size_t Controller::presentAlert(const AlertRecord& alert) {
  // An alert is modal: the loop serves events here until the person answers.
  std::optional<Dialog> outer = std::move(dialog_);
  dialog_ = Dialog{alert, 0, std::nullopt};
  host_.redraw();
  host_.runNested([this] { return (dialog_ && dialog_->answer) || quitRequested_; });
  size_t answer = dialog_ && dialog_->answer ? *dialog_->answer : 0;
  dialog_ = std::move(outer);
  host_.redraw();
  return answer;
}

bool Controller::menuOpen() const {
  auto menu = simulator_.menu();
  return menu && menu->isOpen();
}

std::vector<MenuRowView> Controller::menuRows() const {
  auto menu = simulator_.menu();
  return menu ? describeRows(*menu) : std::vector<MenuRowView>{};
}

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
        } else {
          // The menu's key equivalents answer their letter.
          simulator_.chooseKey(utf8Of(input.character));
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
  } else if (isCharacter(input, U'l')) {
    openList(true);
  } else if (isCharacter(input, U'k')) {
    openList(false);
  } else if (isCharacter(input, U'q')) {
    quitRequested_ = true;
    host_.quit();
  }
}

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
            {"letters:", "key equivalents (q: Quit)", "⌘ keys (q: Quit)"}};
  }
  std::vector<KeyHint> hints;
  if (simulator_.privacyPaneOpen()) {
    hints = {{"space", "allow/deny", ""}, {"esc/p", "close the pane", "close pane"}};
  }
  hints.push_back({"h", "hover", ""});
  hints.push_back({"⏎", "open the menu", "menu"});
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
