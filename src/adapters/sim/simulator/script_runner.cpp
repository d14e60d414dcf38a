#include "adapters/sim/simulator/script_runner.h"

#include <algorithm>
#include <stdexcept>

#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/ui/sim_search_field.h"

namespace strandel::sim {

namespace {

std::string describeNotch(const ScreenSpec& screen) {
  std::string out;
  if (screen.topLeftArea && screen.topRightArea) {
    double lower = maxX(*screen.topLeftArea);
    double upper = minX(*screen.topRightArea);
    if (lower < upper) {
      out += " with a notch from x " + formatNumber(lower) + " to " + formatNumber(upper);
    }
  }
  return out;
}

std::string describeScreen(const std::optional<ScreenSpec>& screen) {
  if (!screen) return "no screen";
  std::string out = "screen " + formatNumber(screen->frame.size.width) + "x" +
                    formatNumber(screen->frame.size.height);
  return out + describeNotch(*screen);
}

// One line per display when there are several: where each lies, which one holds the menu
// bar and which one has the keyboard focus.
std::vector<std::string> describeScreens(const Scene& scene) {
  const std::vector<ScreenSpec> screens = scene.screens();
  if (screens.size() < 2) return {describeScreen(scene.screen)};
  std::vector<std::string> out;
  for (size_t i = 0; i < screens.size(); ++i) {
    const Rect& frame = screens[i].frame;
    std::string line = "screen " + std::to_string(i + 1) + ": " + formatNumber(frame.size.width) +
                       "x" + formatNumber(frame.size.height) + " at " +
                       formatNumber(frame.origin.x) + "," + formatNumber(frame.origin.y) +
                       describeNotch(screens[i]);
    if (i == 0) line += ", menu bar";
    if (i == scene.mainScreen) line += ", keyboard focus";
    out.push_back(line);
  }
  return out;
}

std::string describeServer(const UpdateServerSpec& server) {
  if (server.offline) return "offline";
  std::string out;
  for (const auto& answer : server.answers) {
    if (!out.empty()) out += ", then ";
    switch (answer.kind) {
      case ServerAnswer::Kind::content:
        out += "status " + std::to_string(answer.status);
        break;
      case ServerAnswer::Kind::disconnect:
        out += "disconnect";
        break;
      case ServerAnswer::Kind::silence:
        out += "silence";
        break;
    }
  }
  return out;
}

}  // namespace

std::string checkScript(const Script& script, const Scene& scene) {
  for (const auto& command : script.commands) {
    if (command.kind != ScriptCommand::Kind::launch && command.kind != ScriptCommand::Kind::quit) {
      continue;
    }
    auto resolved = scene.resolveApp(command.text);
    if (auto* error = std::get_if<std::string>(&resolved)) {
      return script.name + ":" + std::to_string(command.line) + ": " + *error;
    }
  }
  return {};
}

ScriptRunner::ScriptRunner(Simulator& simulator, Script script, Transcript& transcript)
    : simulator_(simulator), script_(std::move(script)), transcript_(transcript) {}

int ScriptRunner::run() {
  if (!simulator_.virtualLoop()) throw std::logic_error("a script runs on virtual time");
  transcript_.setClock([this] { return simulator_.secondsSinceStart(); });
  transcript_.setScrubber([this](const std::string& text) { return simulator_.scrub(text); });
  simulator_.setEventSink(
      [this](const SimEvent& event) { transcript_.block(event.text, event.details); });
  simulator_.setAlertPresenter([this](const AlertRecord& alert) { return answerAlert(alert); });
  simulator_.setMenuObserver([this] { menuChanged(); });
  printHeader();
  simulator_.run([this] { drive(); });
  simulator_.setEventSink(nullptr);
  simulator_.setAlertPresenter(nullptr);
  simulator_.setMenuObserver(nullptr);
  // The transcript may outlive the simulator: it keeps the end of the run.
  double end = simulator_.secondsSinceStart();
  transcript_.setClock([end] { return end; });
  transcript_.setScrubber(nullptr);
  return failed_ ? 1 : 0;
}

void ScriptRunner::printHeader() {
  const Scene& scene = simulator_.scene();
  size_t running = scene.apps.size();
  std::vector<std::string> details = describeScreens(scene);
  std::vector<std::string> rest = {
      std::to_string(running) + (running == 1 ? " app" : " apps") + " running, " +
          std::to_string(scene.installed.size()) + " installed, " +
          std::to_string(scene.timeline.size()) + " timed events",
      std::string("Accessibility ") + (scene.accessibilityGranted ? "granted" : "not granted"),
      "update server: " + describeServer(scene.updateServer),
      "script: " + std::to_string(script_.commands.size()) + " lines, " +
          formatNumber(script_.endsAt) + " s",
  };
  details.insert(details.end(), rest.begin(), rest.end());
  transcript_.block("scene: " + (scene.name.empty() ? std::string("(unnamed)") : scene.name),
                    details);
}

void ScriptRunner::drive() {
  try {
    // Launching finishes at the first moment.
    advanceTo(0);
    if (auto item = simulator_.statusItem()) {
      std::string text = "status item: ";
      auto* button = item->simButton();
      text += button ? describeImage(button->image()) : "no button";
      if (button) text += ", tooltip " + quoted(button->toolTip());
      transcript_.line(text);
    }
    while (next_ < script_.commands.size() && !simulator_.terminated()) {
      size_t index = next_;
      advanceTo(script_.commands[index].at);
      if (simulator_.terminated()) break;
      if (next_ != index) continue;  // an alert came up on the way and took the line
      ++next_;
      execute(script_.commands[index]);
    }
    if (!simulator_.terminated()) {
      advanceTo(script_.endsAt);
      transcript_.line("end of script");
    } else if (next_ < script_.commands.size()) {
      size_t left = script_.commands.size() - next_;
      transcript_.line("end: the program quit; " + std::to_string(left) +
                       (left == 1 ? " script line was" : " script lines were") + " not run");
    }
  } catch (const Stop& stop) {
    failed_ = true;
    transcript_.line("error: " + stop.message);
  }
}

void ScriptRunner::advanceTo(double seconds) {
  VirtualEventLoop* loop = simulator_.virtualLoop();
  Date limit{simulator_.startDate().secondsSinceReference + seconds};
  loop->runUntil(limit);
}

void ScriptRunner::fail(const ScriptCommand& command, const std::string& what) {
  throw Stop{script_.name + ":" + std::to_string(command.line) + ": " + what};
}

void ScriptRunner::requireOpenMenu(const ScriptCommand& command) {
  auto menu = simulator_.menu();
  if (!menu || !menu->isOpen()) fail(command, "the menu is not open");
}

void ScriptRunner::execute(const ScriptCommand& command) {
  transcript_.line("> " + describe(command));
  using Kind = ScriptCommand::Kind;
  bool needsMenu =
      command.kind == Kind::hover || command.kind == Kind::open || command.kind == Kind::close ||
      command.kind == Kind::choose || command.kind == Kind::key || command.kind == Kind::shortcut ||
      command.kind == Kind::type || command.kind == Kind::enter || command.kind == Kind::up ||
      command.kind == Kind::down || command.kind == Kind::escape || command.kind == Kind::erase;
  if (alertDepth_ > 0 && needsMenu) fail(command, "an alert is showing; answer it first");

  switch (command.kind) {
    case Kind::hover:
      simulator_.hover();
      break;
    case Kind::open: {
      auto menu = simulator_.menu();
      if (!menu) fail(command, "the program has no status item with a menu yet");
      if (menu->isOpen()) fail(command, "the menu is already open");
      simulator_.openMenu();
      break;
    }
    case Kind::close:
      requireOpenMenu(command);
      simulator_.closeMenu();
      break;
    case Kind::choose: {
      requireOpenMenu(command);
      auto menu = simulator_.menu();
      long row = command.index;
      if (row == 0) {
        long found = simulator_.findRow(command.text);
        if (found < 0) fail(command, "no row of the menu is titled " + quoted(command.text));
        row = found + 1;
      }
      const long rows = static_cast<long>(menu->shownItems().size());
      if (row > rows) {
        fail(command, "the menu has no row " + std::to_string(row) + " (it has " +
                          std::to_string(rows) + ")");
      }
      if (!simulator_.choose(row)) {
        fail(command, "row " + std::to_string(row) + " cannot be chosen (a separator or disabled)");
      }
      break;
    }
    case Kind::key:
      requireOpenMenu(command);
      if (!simulator_.chooseKey(command.text)) {
        fail(command, "no row of the menu answers the key " + quoted(command.text));
      }
      break;
    case Kind::shortcut:
      simulator_.pressShortcut(*parseHotKey(command.text));
      break;
    case Kind::type: {
      requireOpenMenu(command);
      // A focused search field takes the text; type-select is then off.
      if (SimSearchField* field = simulator_.focusedSearchField()) {
        field->insertText(command.text);
        break;
      }
      long row = simulator_.typeIntoMenu(command.text);
      if (row < 0) {
        transcript_.line("typed: no row starts with " + quoted(command.text));
      } else {
        auto shown = simulator_.activeMenu();
        transcript_.line("highlighted: " +
                         describeRow(row + 1, *shown->shownItems()[static_cast<size_t>(row)]));
      }
      break;
    }
    case Kind::enter:
      requireOpenMenu(command);
      if (!simulator_.pressReturn()) fail(command, "no row of the menu is highlighted");
      break;
    case Kind::up:
    case Kind::down: {
      requireOpenMenu(command);
      simulator_.pressArrow(command.kind == Kind::down);
      auto shown = simulator_.activeMenu();
      const long row = shown->highlightedIndex();
      transcript_.line(
          row < 0 ? std::string("highlighted: none")
                  : "highlighted: " +
                        describeRow(row + 1, *shown->shownItems()[static_cast<size_t>(row)]));
      break;
    }
    case Kind::escape:
      requireOpenMenu(command);
      simulator_.pressEscape();
      break;
    case Kind::erase: {
      requireOpenMenu(command);
      SimSearchField* field = simulator_.focusedSearchField();
      if (!field) fail(command, "no search field of the menu has the keyboard focus");
      field->deleteBackward();
      break;
    }
    case Kind::answer:
      fail(command, "no alert is showing");
    case Kind::grant:
      simulator_.grant();
      break;
    case Kind::hold:
    case Kind::release:
      simulator_.setOptionKeyDown(command.kind == Kind::hold);
      break;
    case Kind::withdraw:
      simulator_.withdraw();
      break;
    case Kind::launch:
    case Kind::quit: {
      auto resolved = simulator_.scene().resolveApp(command.text);
      if (auto* error = std::get_if<std::string>(&resolved)) fail(command, *error);
      ProcessID pid = std::get<ProcessID>(resolved);
      bool launching = command.kind == Kind::launch;
      if (launching ? !simulator_.launch(pid) : !simulator_.quit(pid)) {
        fail(command,
             quoted(command.text) + (launching ? " is already running" : " is not running"));
      }
      break;
    }
  }
}

size_t ScriptRunner::answerAlert(const AlertRecord& alert) {
  ++alertDepth_;
  for (;;) {
    if (next_ >= script_.commands.size()) {
      throw Stop{script_.name + ": the script ended while an alert was showing"};
    }
    size_t index = next_;
    advanceTo(script_.commands[index].at);
    if (next_ != index) continue;  // another alert came up on the way and took the line
    ++next_;
    const ScriptCommand& command = script_.commands[index];
    if (command.kind != ScriptCommand::Kind::answer) {
      execute(command);
      continue;
    }
    transcript_.line("> " + describe(command));
    size_t chosen = 0;
    if (command.index > 0) {
      if (static_cast<size_t>(command.index) > alert.buttons.size()) {
        fail(command, "the alert has no button " + std::to_string(command.index) + " (it has " +
                          std::to_string(alert.buttons.size()) + ")");
      }
      chosen = static_cast<size_t>(command.index - 1);
    } else {
      auto found = std::find(alert.buttons.begin(), alert.buttons.end(), command.text);
      if (found == alert.buttons.end()) {
        fail(command, "the alert has no button titled " + quoted(command.text));
      }
      chosen = static_cast<size_t>(found - alert.buttons.begin());
    }
    --alertDepth_;
    return chosen;
  }
}

void ScriptRunner::menuChanged() {
  auto menu = simulator_.menu();
  if (!menu) return;
  bool open = menu->isOpen();
  auto submenu = open ? menu->openSubmenu() : nullptr;
  if (submenu && submenu->isOpen() && submenu.get() != shownSubmenu_) {
    shownSubmenu_ = submenu.get();
    long rows = static_cast<long>(submenu->shownItems().size());
    transcript_.block(
        "submenu opened (" + std::to_string(rows) + (rows == 1 ? " row):" : " rows):"),
        describeMenu(*submenu));
    return;
  }
  if (!submenu || !submenu->isOpen()) shownSubmenu_ = nullptr;
  if (open != shownOpen_) {
    shownOpen_ = open;
    if (open) {
      printMenu("menu opened");
    } else {
      transcript_.line("menu closed");
    }
    return;
  }
  if (!open || checkPending_) return;
  // Rows change one by one; look once the whole rebuild is done.
  checkPending_ = true;
  simulator_.mainQueue().async([this] {
    checkPending_ = false;
    auto shown = simulator_.menu();
    if (shown && shown->isOpen() && shown->changeCount() != printedCount_) {
      printMenu("menu updated");
    }
  });
}

void ScriptRunner::printMenu(const std::string& heading) {
  auto menu = simulator_.menu();
  printedCount_ = menu->changeCount();
  long rows = static_cast<long>(menu->shownItems().size());
  transcript_.block(heading + " (" + std::to_string(rows) + (rows == 1 ? " row):" : " rows):"),
                    describeMenu(*menu));
}

}  // namespace strandel::sim
