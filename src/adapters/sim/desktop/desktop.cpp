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
                                       definition.activationPolicy, definition.terminated});
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

ElementAddress Desktop::applicationAddress(ProcessID pid) const {
  std::lock_guard lock(mutex_);
  const Running* running = find(pid);
  return ElementAddress{id_, ElementKind::application, pid, running ? running->generation : 0, 0};
}

double Desktop::responseDelay(const ElementAddress& element) const {
  std::lock_guard lock(mutex_);
  const Running* running = findAlive(element);
  return running ? running->definition.responseDelay : 0;
}

AXRef Desktop::makeValue(ValueKind kind, const ElementAddress& owner) const {
  switch (kind) {
    case ValueKind::number:
      return std::make_shared<const SimNumber>(42);
    case ValueKind::string:
      return std::make_shared<const SimString>("not what was asked for");
    case ValueKind::point:
      return SimValue::point(Point{1, 2});
    case ValueKind::size:
      return SimValue::size(Size{3, 4});
    case ValueKind::element:
      return std::make_shared<const SimElement>(
          ElementAddress{id_, ElementKind::application, owner.pid, owner.generation, 0});
    case ValueKind::array:
      return std::make_shared<const SimArray>(
          std::vector<AXRef>{std::make_shared<const SimNumber>(7)});
    case ValueKind::otherValue:
      return std::make_shared<const SimValue>(SimValue::Kind::rect, 5, 6);
    case ValueKind::other:
      return std::make_shared<const SimOpaque>();
  }
  return nullptr;
}

AXError Desktop::answerFault(const AttributeFault& fault, const ElementAddress& owner,
                             AXRef& value) const {
  if (fault.value) value = makeValue(*fault.value, owner);
  return fault.error;
}

AXError Desktop::readAttribute(const ElementAddress& element, std::string_view attribute,
                               AXRef& value) {
  std::lock_guard lock(mutex_);
  const Running* running = findAlive(element);
  if (!running) {
    // Messages to a process that is gone cannot be delivered; its inner elements are
    // simply invalid.
    return element.kind == ElementKind::application ? AXError::cannotComplete
                                                    : AXError::invalidUIElement;
  }
  const AppSpec& app = running->definition;
  switch (element.kind) {
    case ElementKind::application: {
      if (const auto fault = app.appFaults.find(attribute); fault != app.appFaults.end()) {
        return answerFault(fault->second, element, value);
      }
      if (attribute != "AXExtrasMenuBar") return AXError::attributeUnsupported;
      if (!app.hasExtrasBar) return AXError::noValue;
      ElementAddress bar = element;
      bar.kind = ElementKind::extrasBar;
      value = std::make_shared<const SimElement>(bar);
      return AXError::success;
    }
    case ElementKind::extrasBar: {
      if (!app.hasExtrasBar) return AXError::invalidUIElement;
      if (const auto fault = app.barFaults.find(attribute); fault != app.barFaults.end()) {
        return answerFault(fault->second, element, value);
      }
      if (attribute != "AXChildren") return AXError::attributeUnsupported;
      std::vector<AXRef> children;
      children.reserve(app.extras.size());
      for (const ExtraSpec& extra : app.extras) {
        ElementAddress child = element;
        child.kind = ElementKind::extra;
        child.extra = extra.id;
        children.push_back(std::make_shared<const SimElement>(child));
      }
      value = std::make_shared<const SimArray>(std::move(children));
      return AXError::success;
    }
    case ElementKind::extra: {
      const ExtraSpec* extra = running->extra(element.extra);
      if (!extra) return AXError::invalidUIElement;
      if (const auto fault = extra->faults.find(attribute); fault != extra->faults.end()) {
        return answerFault(fault->second, element, value);
      }
      if (attribute == "AXPosition") {
        value = SimValue::point(extra->position);
      } else if (attribute == "AXSize") {
        value = SimValue::size(extra->size);
      } else if (attribute == "AXDescription") {
        if (!extra->description) return AXError::noValue;
        value = std::make_shared<const SimString>(*extra->description);
      } else {
        return AXError::attributeUnsupported;
      }
      return AXError::success;
    }
  }
  return AXError::failure;
}

AXError Desktop::readActionNames(const ElementAddress& element, AXRef& names) {
  std::lock_guard lock(mutex_);
  const Running* running = findAlive(element);
  if (!running) {
    return element.kind == ElementKind::application ? AXError::cannotComplete
                                                    : AXError::invalidUIElement;
  }
  std::vector<AXRef> list;
  if (element.kind == ElementKind::extra) {
    const ExtraSpec* extra = running->extra(element.extra);
    if (!extra) return AXError::invalidUIElement;
    if (const auto fault = extra->faults.find("AXActionNames"); fault != extra->faults.end()) {
      return answerFault(fault->second, element, names);
    }
    for (const std::string& action : extra->actions) {
      list.push_back(std::make_shared<const SimString>(action));
    }
  }
  names = std::make_shared<const SimArray>(std::move(list));
  return AXError::success;
}

AXError Desktop::performAction(const ElementAddress& element, std::string_view action) {
  Events events;
  AXError result = AXError::success;
  {
    std::lock_guard lock(mutex_);
    const Running* running = findAlive(element);
    if (!running) {
      return element.kind == ElementKind::application ? AXError::cannotComplete
                                                      : AXError::invalidUIElement;
    }
    if (element.kind != ElementKind::extra) return AXError::actionUnsupported;
    const ExtraSpec* extra = running->extra(element.extra);
    if (!extra) return AXError::invalidUIElement;
    if (action != "AXPress") return AXError::actionUnsupported;

    PressEvent press{element.pid, running->definition.name, extra->id, extra->description,
                     AXError::success};
    // An extra that does not list the action never gets it, whatever it would do.
    const bool offered =
        std::find(extra->actions.begin(), extra->actions.end(), action) != extra->actions.end();
    switch (offered ? extra->press.kind : PressBehavior::Kind::fail) {
      case PressBehavior::Kind::accept:
        break;
      case PressBehavior::Kind::fail:
        press.result = offered ? extra->press.error : AXError::actionUnsupported;
        break;
      case PressBehavior::Kind::quitApp:
        press.result = AXError::cannotComplete;
        break;
    }
    result = press.result;
    const bool quits = offered && extra->press.kind == PressBehavior::Kind::quitApp;
    presses_.push_back(press);
    if (presses_.size() > kPressHistoryLimit) presses_.pop_front();
    events.push_back({DesktopEvent::Kind::pressed, element.pid, press});
    if (quits) quitLocked(element.pid, events);  // invalidates `running` and `extra`
  }
  notify(events);
  return result;
}

}  // namespace strandel::sim
