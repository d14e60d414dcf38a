#include "adapters/sim/desktop/sim_accessibility.h"

#include <cmath>
#include <utility>

namespace strandel::sim {

namespace {

const SimElement* asElement(const AXRef& object) {
  return dynamic_cast<const SimElement*>(object.get());
}

SimAccessibility::Request requestFor(SimAccessibility::Request::Kind kind,
                                     const SimElement* element, std::string_view name) {
  SimAccessibility::Request request;
  request.kind = kind;
  request.name = std::string(name);
  if (element) {
    request.target = element->address().kind;
    request.pid = element->address().pid;
    request.extra = element->address().extra;
  }
  return request;
}

}  // namespace

SimAccessibility::SimAccessibility(std::shared_ptr<Desktop> desktop,
                                   std::shared_ptr<TimeSource> time)
    : desktop_(std::move(desktop)), time_(std::move(time)) {}

bool SimAccessibility::isProcessTrusted() {
  return desktop_->accessibilityGranted();
}

bool SimAccessibility::isProcessTrustedWithOptions(bool prompt) {
  if (prompt) return desktop_->promptForAccessibility();
  return desktop_->accessibilityGranted();
}

AXRef SimAccessibility::createApplication(ProcessID pid) {
  auto element = std::make_shared<const SimElement>(desktop_->applicationAddress(pid));
  Request request = requestFor(Request::Kind::createApplication, element.get(), "");
  record(std::move(request));
  return element;
}

AXError SimAccessibility::setMessagingTimeout(const AXRef& element, float seconds) {
  const SimElement* target = asElement(element);
  Request request = requestFor(Request::Kind::setMessagingTimeout, target, "");
  request.timeout = seconds;
  if (!target || std::isnan(seconds) || seconds < 0) {
    request.result = AXError::illegalArgument;
  } else {
    target->setMessagingTimeout(seconds);
  }
  const AXError result = request.result;
  record(std::move(request));
  return result;
}

AXError SimAccessibility::exchange(const SimElement& element,
                                   const std::function<AXError()>& answer) {
  if (element.address().desktop != desktop_->id()) return AXError::invalidUIElement;
  if (!desktop_->accessibilityGranted()) return AXError::apiDisabled;
  const float own = element.messagingTimeout();
  const double timeout = own > 0 ? static_cast<double>(own) : kDefaultMessagingTimeout;
  const double delay = desktop_->responseDelay(element.address());
  if (delay > timeout) {
    time_->sleepFor(timeout);
    return AXError::cannotComplete;
  }
  if (delay > 0) time_->sleepFor(delay);
  return answer();
}

AXError SimAccessibility::ask(Request request, const SimElement* target, bool argumentsValid,
                              const std::function<AXError(const ElementAddress&)>& answer) {
  if (!target || !argumentsValid) {
    request.result = AXError::illegalArgument;
  } else {
    request.result = exchange(*target, [&] { return answer(target->address()); });
  }
  const AXError result = request.result;
  record(std::move(request));
  return result;
}

AXError SimAccessibility::copyAttributeValue(const AXRef& element, std::string_view attribute,
                                             AXRef& value) {
  value.reset();
  const SimElement* target = asElement(element);
  return ask(requestFor(Request::Kind::copyAttributeValue, target, attribute), target,
             !attribute.empty(), [&](const ElementAddress& address) {
               return desktop_->readAttribute(address, attribute, value);
             });
}

AXError SimAccessibility::copyActionNames(const AXRef& element, AXRef& names) {
  names.reset();
  const SimElement* target = asElement(element);
  return ask(
      requestFor(Request::Kind::copyActionNames, target, ""), target, true,
      [&](const ElementAddress& address) { return desktop_->readActionNames(address, names); });
}

AXError SimAccessibility::performAction(const AXRef& element, std::string_view action) {
  const SimElement* target = asElement(element);
  return ask(
      requestFor(Request::Kind::performAction, target, action), target, !action.empty(),
      [&](const ElementAddress& address) { return desktop_->performAction(address, action); });
}

TypeID SimAccessibility::typeID(const AXRef& value) {
  const auto* object = dynamic_cast<const SimAXObject*>(value.get());
  return object ? object->typeID() : 0;
}

bool SimAccessibility::valueGetPoint(const AXRef& value, Point& point) {
  const auto* v = dynamic_cast<const SimValue*>(value.get());
  if (!v || v->kind() != SimValue::Kind::point) return false;
  point = Point{v->first(), v->second()};
  return true;
}

bool SimAccessibility::valueGetSize(const AXRef& value, Size& size) {
  const auto* v = dynamic_cast<const SimValue*>(value.get());
  if (!v || v->kind() != SimValue::Kind::size) return false;
  size = Size{v->first(), v->second()};
  return true;
}

std::string SimAccessibility::stringValue(const AXRef& value) {
  const auto* s = dynamic_cast<const SimString*>(value.get());
  return s ? s->text() : std::string();
}

std::vector<AXRef> SimAccessibility::arrayValues(const AXRef& value) {
  const auto* a = dynamic_cast<const SimArray*>(value.get());
  return a ? a->values() : std::vector<AXRef>();
}

void SimAccessibility::setRecordingRequests(bool on) {
  std::lock_guard lock(mutex_);
  recording_ = on;
}

std::vector<SimAccessibility::Request> SimAccessibility::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void SimAccessibility::clearRequests() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

void SimAccessibility::setRequestObserver(RequestObserver observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void SimAccessibility::record(Request request) {
  RequestObserver observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
    if (recording_) requests_.push_back(request);
  }
  if (observer) observer(request);
}

}  // namespace strandel::sim
