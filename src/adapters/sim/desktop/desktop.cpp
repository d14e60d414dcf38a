#include "adapters/sim/desktop/desktop.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

namespace strandel::sim {

namespace {

uint64_t nextDesktopId() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1);
}

}  // namespace

Desktop::Desktop() : id_(nextDesktopId()) {}

void Desktop::Running::reindex() {
  extraIndex.clear();
  extraIndex.reserve(definition.extras.size());
  for (size_t i = 0; i < definition.extras.size(); ++i) {
    extraIndex.emplace(definition.extras[i].id, i);
  }
}

const ExtraSpec* Desktop::Running::extra(ExtraID id) const {
  const auto found = extraIndex.find(id);
  return found == extraIndex.end() ? nullptr : &definition.extras[found->second];
}

ExtraSpec* Desktop::Running::extra(ExtraID id) {
  return const_cast<ExtraSpec*>(std::as_const(*this).extra(id));
}

Desktop::Running* Desktop::find(ProcessID pid) {
  const auto found = appIndex_.find(pid);
  return found == appIndex_.end() ? nullptr : &apps_[found->second];
}

const Desktop::Running* Desktop::find(ProcessID pid) const {
  return const_cast<Desktop*>(this)->find(pid);
}

const Desktop::Running* Desktop::findAlive(const ElementAddress& element) const {
  if (element.desktop != id_ || element.generation == 0) return nullptr;
  const Running* running = find(element.pid);
  if (!running || running->generation != element.generation) return nullptr;
  return running;
}

void Desktop::assignIds(AppSpec& app) {
  for (ExtraSpec& extra : app.extras) {
    if (extra.id == 0) extra.id = nextExtra_++;
  }
}

std::optional<ProcessID> Desktop::launch(AppSpec app) {
  Events events;
  {
    std::lock_guard lock(mutex_);
    if (app.pid == 0) {
      while (find(nextPid_)) ++nextPid_;
      app.pid = nextPid_++;
    } else if (find(app.pid)) {
      return std::nullopt;
    }
    for (ExtraSpec& extra : app.extras) extra.id = 0;  // ids are the desktop's to give
    assignIds(app);
    const uint64_t generation = app.terminated ? 0 : nextGeneration_++;
    appIndex_.emplace(app.pid, apps_.size());
    apps_.push_back(Running{std::move(app), generation, {}});
    apps_.back().reindex();
    events.push_back({DesktopEvent::Kind::launched, apps_.back().definition.pid, std::nullopt});
  }
  notify(events);
  return events.front().pid;
}

void Desktop::quitLocked(ProcessID pid, Events& events) {
  const auto found = appIndex_.find(pid);
  if (found == appIndex_.end()) return;
  const size_t index = found->second;
  apps_.erase(apps_.begin() + static_cast<std::ptrdiff_t>(index));
  appIndex_.erase(found);
  for (size_t i = index; i < apps_.size(); ++i) appIndex_[apps_[i].definition.pid] = i;
  events.push_back({DesktopEvent::Kind::quit, pid, std::nullopt});
}

bool Desktop::quit(ProcessID pid) {
  Events events;
  {
    std::lock_guard lock(mutex_);
    quitLocked(pid, events);
  }
  notify(events);
  return !events.empty();
}

bool Desktop::updateApp(ProcessID pid, const std::function<void(AppSpec&)>& edit) {
  {
    std::lock_guard lock(mutex_);
    Running* running = find(pid);
    if (!running) return false;
    AppSpec edited = running->definition;
    edit(edited);
    edited.pid = pid;
    assignIds(edited);
    if (edited.terminated) running->generation = 0;  // a process never comes back
    running->definition = std::move(edited);
    running->reindex();
  }
  notify({{DesktopEvent::Kind::appChanged, pid, std::nullopt}});
  return true;
}

std::optional<ExtraID> Desktop::addExtra(ProcessID pid, ExtraSpec extra) {
  ExtraID id = 0;
  {
    std::lock_guard lock(mutex_);
    Running* running = find(pid);
    if (!running) return std::nullopt;
    id = nextExtra_++;
    extra.id = id;
    running->extraIndex.emplace(id, running->definition.extras.size());
    running->definition.extras.push_back(std::move(extra));
  }
  notify({{DesktopEvent::Kind::appChanged, pid, std::nullopt}});
  return id;
}

bool Desktop::updateExtra(ProcessID pid, ExtraID id, const std::function<void(ExtraSpec&)>& edit) {
  {
    std::lock_guard lock(mutex_);
    Running* running = find(pid);
    ExtraSpec* extra = running ? running->extra(id) : nullptr;
    if (!extra) return false;
    edit(*extra);
    extra->id = id;
  }
  notify({{DesktopEvent::Kind::appChanged, pid, std::nullopt}});
  return true;
}

bool Desktop::removeExtra(ProcessID pid, ExtraID id) {
  {
    std::lock_guard lock(mutex_);
    Running* running = find(pid);
    if (!running) return false;
    const auto found = running->extraIndex.find(id);
    if (found == running->extraIndex.end()) return false;
    auto& extras = running->definition.extras;
    extras.erase(extras.begin() + static_cast<std::ptrdiff_t>(found->second));
    running->reindex();
  }
  notify({{DesktopEvent::Kind::appChanged, pid, std::nullopt}});
  return true;
}

std::vector<AppSpec> Desktop::apps() const {
  std::lock_guard lock(mutex_);
  std::vector<AppSpec> out;
  out.reserve(apps_.size());
  for (const Running& running : apps_) out.push_back(running.definition);
  return out;
}

std::optional<AppSpec> Desktop::app(ProcessID pid) const {
  std::lock_guard lock(mutex_);
  const Running* running = find(pid);
  if (!running) return std::nullopt;
  return running->definition;
}

std::vector<RunningApplication> Desktop::runningApplications() {
  std::vector<RunningApplication> out;
  Events events;
  {
    std::lock_guard lock(mutex_);
    std::vector<ProcessID> quitting;
    for (const Running& running : apps_) {
      const AppSpec& definition = running.definition;
      out.push_back(RunningApplication{definition.pid, definition.name, definition.icon,
                                       definition.activationPolicy, definition.terminated,
                                       definition.bundleIdentifier});
      if (definition.quitsAfterListing) quitting.push_back(definition.pid);
    }
    for (ProcessID pid : quitting) quitLocked(pid, events);
  }
  notify(events);
  return out;
}

void Desktop::setScreen(std::optional<ScreenSpec> screen) {
  {
    std::lock_guard lock(mutex_);
    screen_ = std::move(screen);
  }
  notify({{DesktopEvent::Kind::screenChanged, 0, std::nullopt}});
}

std::optional<ScreenSpec> Desktop::screen() const {
  std::lock_guard lock(mutex_);
  return screen_;
}

void Desktop::setAccessibilityGranted(bool granted) {
  {
    std::lock_guard lock(mutex_);
    if (granted_ == granted) return;
    granted_ = granted;
  }
  notify({{DesktopEvent::Kind::permissionChanged, 0, std::nullopt}});
}

bool Desktop::accessibilityGranted() const {
  std::lock_guard lock(mutex_);
  return granted_;
}

bool Desktop::promptForAccessibility() {
  {
    std::lock_guard lock(mutex_);
    if (granted_) return true;
    ++prompts_;
  }
  notify({{DesktopEvent::Kind::permissionPrompted, 0, std::nullopt}});
  return false;
}

int Desktop::permissionPromptCount() const {
  std::lock_guard lock(mutex_);
  return prompts_;
}

std::vector<PressEvent> Desktop::presses() const {
  std::lock_guard lock(mutex_);
  return {presses_.begin(), presses_.end()};
}

size_t Desktop::addObserver(Observer observer) {
  std::lock_guard lock(mutex_);
  const size_t token = nextObserver_++;
  observers_.emplace(token, std::move(observer));
  return token;
}

void Desktop::removeObserver(size_t token) {
  std::lock_guard lock(mutex_);
  observers_.erase(token);
}

void Desktop::notify(const Events& events) {
  if (events.empty()) return;
  std::vector<Observer> observers;
  {
    std::lock_guard lock(mutex_);
    for (const auto& entry : observers_) observers.push_back(entry.second);
  }
  for (const DesktopEvent& event : events) {
    for (const Observer& observer : observers) observer(event);
  }
}

}  // namespace strandel::sim
