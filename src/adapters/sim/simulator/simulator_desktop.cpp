// What a person does on the simulated desktop, and what the desktop tells the program.

#include <cctype>
#include <string_view>

#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/simulator/transcript.h"
#include "adapters/sim/ui/sim_search_field.h"

namespace strandel::sim {

namespace {

bool hasScheme(const std::string& text, std::string_view scheme) {
  if (text.size() <= scheme.size() || text[scheme.size()] != ':') return false;
  for (size_t i = 0; i < scheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i]) return false;
  }
  return true;
}

}  // namespace

std::shared_ptr<SimStatusItem> Simulator::statusItem() const {
  const auto& items = statusBar_->items();
  return items.empty() ? nullptr : items.front();
}

std::shared_ptr<SimMenu> Simulator::menu() const {
  auto item = statusItem();
  return item ? item->menu() : nullptr;
}

void Simulator::hover() {
  if (auto item = statusItem()) item->hover();
}

bool Simulator::openMenu() {
  auto item = statusItem();
  if (!item || !item->menu() || item->menu()->isOpen()) return false;
  return item->click();
}

void Simulator::closeMenu() {
  if (auto shown = menu(); shown && shown->isOpen()) shown->close();
}

std::shared_ptr<SimMenu> Simulator::activeMenu() const {
  auto shown = menu();
  if (!shown || !shown->isOpen()) return nullptr;
  return std::static_pointer_cast<SimMenu>(shown->activeMenu().shared_from_this());
}

bool Simulator::choose(long row) {
  auto shown = activeMenu();
  return shown && shown->choose(row - 1);
}

void Simulator::pressShortcut(const HotKeyCombo& combo) {
  hotKeys_->press(combo);
}

long Simulator::typeIntoMenu(const std::string& text, bool continuing) {
  auto shown = activeMenu();
  if (!shown || !shown->typeSelect(text, continuing)) return -1;
  return shown->highlightedIndex();
}

bool Simulator::pressReturn() {
  auto shown = activeMenu();
  if (!shown) return false;
  if (shown->highlightedIndex() >= 0) return shown->chooseHighlighted();
  SimSearchField* field = focusedSearchField();
  return field && field->doCommand("insertNewline:");
}

void Simulator::pressArrow(bool down) {
  if (auto shown = activeMenu()) shown->moveHighlight(down);
}

void Simulator::pressEscape() {
  SimSearchField* field = focusedSearchField();
  if (field && field->doCommand("cancelOperation:")) return;
  if (auto shown = activeMenu()) shown->close();
}

SimSearchField* Simulator::focusedSearchField() const {
  auto shown = activeMenu();
  return shown && shown == menu() ? shown->focusedField() : nullptr;
}

long Simulator::findRow(const std::string& title) const {
  auto shown = activeMenu();
  if (!shown) shown = menu();
  if (!shown) return -1;
  const auto items = shown->shownItems();
  // First by what the row shows, then by its plain title: a hidden extra's row draws its
  // mark before the label, and the label alone names it too.
  for (size_t i = 0; i < items.size(); ++i) {
    auto shownAs = items[i]->attributedTitle();
    if (!items[i]->isSeparator() && (shownAs ? shownAs->text : items[i]->title()) == title)
      return static_cast<long>(i);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (!items[i]->isSeparator() && items[i]->title() == title) return static_cast<long>(i);
  }
  return -1;
}

bool Simulator::choose(const std::string& title) {
  long index = findRow(title);
  return index >= 0 && choose(index + 1);
}

void Simulator::setOptionKeyDown(bool down) {
  optionDown_ = down;
  if (auto shown = menu_.lock()) shown->setOptionKeyDown(down);
}

bool Simulator::chooseKey(const std::string& key) {
  auto shown = activeMenu();
  return shown && shown->chooseKeyEquivalent(key);
}

void Simulator::openPrivacyPane() {
  if (paneOpen_) return;
  paneOpen_ = true;
  emit({SimEvent::Kind::privacyPane, "privacy pane: opened", {}});
}

void Simulator::closePrivacyPane() {
  if (!paneOpen_) return;
  paneOpen_ = false;
  emit({SimEvent::Kind::privacyPane, "privacy pane: closed", {}});
}

void Simulator::openLoginItemsPane() {
  if (loginItemsPaneOpen_) return;
  loginItemsPaneOpen_ = true;
  emit({SimEvent::Kind::loginPane, "login items pane: opened", {}});
}

void Simulator::closeLoginItemsPane() {
  if (!loginItemsPaneOpen_) return;
  loginItemsPaneOpen_ = false;
  emit({SimEvent::Kind::loginPane, "login items pane: closed", {}});
}

void Simulator::grant() {
  openPrivacyPane();
  desktop_->setAccessibilityGranted(true);
}

void Simulator::withdraw() {
  openPrivacyPane();
  desktop_->setAccessibilityGranted(false);
}

bool Simulator::launch(ProcessID pid) {
  const SceneApp* app = scene_.findApp(pid);
  if (!app || desktop_->app(pid)) return false;
  AppSpec definition = app->definition;
  if (app->icon)
    definition.icon = std::make_shared<SimImage>(app->icon->glyph, app->icon->colour, Size{32, 32});
  return desktop_->launch(std::move(definition)).has_value();
}

bool Simulator::quit(ProcessID pid) {
  if (pid == scene_.selfPid) return false;  // the program quits through its own menu
  return desktop_->quit(pid);
}

std::string Simulator::appLabel(ProcessID pid) const {
  if (pid == scene_.selfPid) return "Strandel (pid " + std::to_string(pid) + ")";
  std::string name = "(no name)";
  if (const SceneApp* app = scene_.findApp(pid); app && app->definition.name)
    name = *app->definition.name;
  return name + " (pid " + std::to_string(pid) + ")";
}

void Simulator::onDesktopEvent(const DesktopEvent& event) {
  // Desktop events come from whichever thread caused them; everything they lead to happens
  // on the main thread, as the system's notifications do.
  switch (event.kind) {
    case DesktopEvent::Kind::launched:
    case DesktopEvent::Kind::quit: {
      bool launched = event.kind == DesktopEvent::Kind::launched;
      ProcessID pid = event.pid;
      mainQueue().async([this, launched, pid] {
        emit({launched ? SimEvent::Kind::appLaunched : SimEvent::Kind::appQuit,
              (launched ? "app launched: " : "app quit: ") + appLabel(pid),
              {}});
        const char* name =
            launched ? kDidLaunchApplicationNotification : kDidTerminateApplicationNotification;
        emit({SimEvent::Kind::notification,
              std::string("notification: ") + name + " (workspace)",
              {}});
        workspaceCenter_->post(name);
      });
      break;
    }
    case DesktopEvent::Kind::pressed: {
      if (!event.press) break;
      const PressEvent& press = *event.press;
      std::string text = "press: extra " + std::to_string(press.extra) + " of " +
                         appLabel(press.pid) + ", " +
                         (press.description ? quoted(*press.description) : "no description") +
                         " -> " + std::string(nameOf(press.result));
      emitFromAnyThread({SimEvent::Kind::press, text, {}});
      break;
    }
    case DesktopEvent::Kind::permissionChanged:
      mainQueue().async([this] {
        bool granted = desktop_->accessibilityGranted();
        emit({SimEvent::Kind::permission,
              granted ? "permission: granted" : "permission: withdrawn",
              {}});
        emit({SimEvent::Kind::notification,
              std::string("notification: ") + kAccessibilityNotification + " (distributed)",
              {}});
        distributedCenter_->post(kAccessibilityNotification);
      });
      break;
    case DesktopEvent::Kind::permissionPrompted:
      emitFromAnyThread({SimEvent::Kind::prompt,
                         "system prompt: Strandel asks for Accessibility access "
                         "(granted in the privacy pane)",
                         {}});
      break;
    case DesktopEvent::Kind::appChanged:
    case DesktopEvent::Kind::screenChanged:
      break;
  }
}

bool Simulator::openURL(const URL& url) {
  const std::string& text = url.absoluteString;
  if (text == kPrivacyPaneAddress) {
    emit({SimEvent::Kind::openURL, "open: " + text + " -> the privacy pane", {}});
    openPrivacyPane();
    return true;
  }
  if (hasScheme(text, "http") || hasScheme(text, "https")) {
    emit({SimEvent::Kind::openURL, "open: " + text + " -> the browser", {}});
    return true;
  }
  emit({SimEvent::Kind::openURL, "open: " + text + " -> no application opens it", {}});
  return false;
}

void Simulator::menuChanged(SimMenu&) {
  // An open menu is tracked: timers only in the default mode wait until it closes.
  auto status = menu();
  bool open = status && status->isOpen();
  if (open != tracking_) {
    tracking_ = open;
    if (virtualLoop_) virtualLoop_->setTracking(tracking_);
    if (realLoop_) realLoop_->setTracking(tracking_);
  }
  if (menuObserver_) menuObserver_();
}

size_t Simulator::presentAlert(const AlertRecord& alert) {
  std::string style = alert.style == AlertStyle::informational ? "informational"
                      : alert.style == AlertStyle::critical    ? "critical"
                                                               : "warning";
  emit({SimEvent::Kind::alert, "alert (" + style + "):", describeAlert(alert)});
  size_t chosen = presenter_ ? presenter_(alert) : 0;
  if (alert.buttons.empty()) return 0;
  if (chosen >= alert.buttons.size()) chosen = 0;
  emit({SimEvent::Kind::alertAnswered,
        "alert answered: " + std::to_string(chosen + 1) + "=" + quoted(alert.buttons[chosen]),
        {}});
  return chosen;
}

}  // namespace strandel::sim
