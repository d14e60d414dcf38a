// How the simulated apps answer Accessibility requests: element addresses, attribute reads,
// their faults and delays, and presses.

#include <algorithm>
#include <memory>
#include <utility>

#include "adapters/sim/desktop/desktop.h"

namespace strandel::sim {

ElementAddress Desktop::applicationAddress(ProcessID pid) const {
  std::lock_guard lock(mutex_);
  const Running* running = find(pid);
  return ElementAddress{id_, ElementKind::application, pid, running ? running->generation : 0, 0};
}

std::optional<double> Desktop::responseDelay(const ElementAddress& element) const {
  std::lock_guard lock(mutex_);
  const Running* running = findAlive(element);
  if (!running) return std::nullopt;
  return running->definition.responseDelay;
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

// The element of a child: its own, or the extra of another process that it stands for (dead
// when that process or extra is gone).
AXRef Desktop::childElement(const ExtraSpec& child, const ElementAddress& parent) const {
  ElementAddress address = parent;
  address.kind = ElementKind::extra;
  address.extra = child.id;
  if (child.standsFor) {
    const Running* owner = find(child.standsFor->pid);
    address.pid = child.standsFor->pid;
    address.generation = 0;
    address.extra = 0;
    if (owner && child.standsFor->index < owner->definition.extras.size()) {
      address.generation = owner->generation;
      address.extra = owner->definition.extras[child.standsFor->index].id;
    }
  }
  return std::make_shared<const SimElement>(address);
}

AXError Desktop::answerElement(const ExtraSpec& definition, const ElementAddress& element,
                               std::string_view attribute, AXRef& value) const {
  if (const auto fault = definition.faults.find(attribute); fault != definition.faults.end()) {
    return answerFault(fault->second, element, value);
  }
  auto text = [&value](const std::optional<std::string>& string) {
    if (!string) return AXError::noValue;
    value = std::make_shared<const SimString>(*string);
    return AXError::success;
  };
  if (attribute == "AXPosition" || attribute == "AXSize") {
    if (!definition.laidOut) return AXError::noValue;
    value = attribute == "AXPosition" ? SimValue::point(definition.position)
                                      : SimValue::size(definition.size);
  } else if (attribute == "AXDescription") {
    return text(definition.description);
  } else if (attribute == "AXTitle") {
    return text(definition.title);
  } else if (attribute == "AXRole") {
    return text(definition.role);
  } else if (attribute == "AXSubrole") {
    return text(definition.subrole);
  } else if (attribute == "AXIdentifier") {
    return text(definition.identifier);
  } else if (attribute == "AXEnabled") {
    if (!definition.enabled) return AXError::attributeUnsupported;
    value = std::make_shared<const SimBoolean>(*definition.enabled);
  } else if (attribute == "AXChildren") {
    std::vector<AXRef> children;
    children.reserve(definition.children.size());
    for (const ExtraSpec& child : definition.children)
      children.push_back(childElement(child, element));
    value = std::make_shared<const SimArray>(std::move(children));
  } else {
    return AXError::attributeUnsupported;
  }
  return AXError::success;
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
    case ElementKind::systemWide:
      return AXError::attributeUnsupported;
    case ElementKind::application: {
      if (const auto fault = app.appFaults.find(attribute); fault != app.appFaults.end()) {
        return answerFault(fault->second, element, value);
      }
      if (attribute == "AXWindows") {
        std::vector<AXRef> windows;
        windows.reserve(app.windows.size());
        for (const ExtraSpec& window : app.windows)
          windows.push_back(childElement(window, element));
        value = std::make_shared<const SimArray>(std::move(windows));
        return AXError::success;
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
      return answerElement(*extra, element, attribute, value);
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
