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
      typedAt_ = -1e9;  // the next letter starts a new search
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

long Controller::menuCursor() const {
  auto menu = simulator_.activeMenu();
  return menu ? menu->highlightedIndex() : -1;
}

void Controller::setMenuCursor(long row) {
  if (auto menu = simulator_.activeMenu()) menu->highlightShownRow(row);
}

std::vector<MenuRowView> Controller::menuRows() const {
  // An open submenu takes the menu's place on the screen, and the keys act on it.
  auto menu = simulator_.activeMenu();
  if (!menu) menu = simulator_.menu();
  return menu ? describeRows(*menu) : std::vector<MenuRowView>{};
}

}  // namespace strandel::sim::terminal
