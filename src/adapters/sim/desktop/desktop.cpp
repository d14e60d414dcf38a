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

void indexNodes(const std::vector<ExtraSpec>& elements,
                std::unordered_map<ExtraID, const ExtraSpec*>& index, bool withSelf) {
  for (const ExtraSpec& element : elements) {
    if (withSelf) index.emplace(element.id, &element);
    indexNodes(element.children, index, true);
  }
}

void clearIds(std::vector<ExtraSpec>& elements) {
  for (ExtraSpec& element : elements) {
    element.id = 0;
    clearIds(element.children);
  }
}

}  // namespace

Desktop::Desktop() : id_(nextDesktopId()) {}

void Desktop::Running::reindex() {
  extraIndex.clear();
  extraIndex.reserve(definition.extras.size());
  for (size_t i = 0; i < definition.extras.size(); ++i) {
    extraIndex.emplace(definition.extras[i].id, i);
  }
  reindexNodes();
}

void Desktop::Running::reindexNodes() {
  nodeIndex.clear();
  indexNodes(definition.extras, nodeIndex, false);
  indexNodes(definition.windows, nodeIndex, true);
}

const ExtraSpec* Desktop::Running::extra(ExtraID id) const {
  if (const auto found = extraIndex.find(id); found != extraIndex.end()) {
    return &definition.extras[found->second];
  }
  const auto node = nodeIndex.find(id);
  return node == nodeIndex.end() ? nullptr : node->second;
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
  const std::function<void(std::vector<ExtraSpec>&)> assign = [&](std::vector<ExtraSpec>& list) {
    for (ExtraSpec& element : list) {
      if (element.id == 0) element.id = nextExtra_++;
      assign(element.children);
    }
  };
  assign(app.extras);
  assign(app.windows);
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
    clearIds(app.extras);  // ids are the desktop's to give
    clearIds(app.windows);
    assignIds(app);
    const uint64_t generation = app.terminated ? 0 : nextGeneration_++;
    appIndex_.emplace(app.pid, apps_.size());
    apps_.push_back(Running{std::move(app), generation, {}, {}});
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
    clearIds(extra.children);
    const bool nested = !extra.children.empty();
    running->extraIndex.emplace(id, running->definition.extras.size());
    running->definition.extras.push_back(std::move(extra));
    if (nested) {
      AppSpec& definition = running->definition;
      assignIds(definition);
      running->reindexNodes();
    }
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
    const bool nested = !extra->children.empty();
    edit(*extra);
    extra->id = id;
    if (nested || !extra->children.empty()) {
      assignIds(running->definition);
      running->reindexNodes();
    }
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
  std::vector<ScreenSpec> screens;
  if (screen) screens.push_back(*screen);
  setScreens(std::move(screens), 0);
}

void Desktop::setScreens(std::vector<ScreenSpec> screens, size_t main) {
  {
    std::lock_guard lock(mutex_);
    screens_ = std::move(screens);
    mainScreen_ = main < screens_.size() ? main : 0;
  }
  notify({{DesktopEvent::Kind::screenChanged, 0, std::nullopt}});
}

std::optional<ScreenSpec> Desktop::screen() const {
  std::lock_guard lock(mutex_);
  if (screens_.empty()) return std::nullopt;
  return screens_.front();
}

std::vector<ScreenSpec> Desktop::screens() const {
  std::lock_guard lock(mutex_);
  return screens_;
}

std::optional<ScreenSpec> Desktop::mainScreen() const {
  const auto main = mainScreenAndIndex();
  if (!main) return std::nullopt;
  return main->second;
}

std::optional<std::pair<size_t, ScreenSpec>> Desktop::mainScreenAndIndex() const {
  std::lock_guard lock(mutex_);
  if (screens_.empty()) return std::nullopt;
  return std::make_pair(mainScreen_, screens_[mainScreen_]);
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
