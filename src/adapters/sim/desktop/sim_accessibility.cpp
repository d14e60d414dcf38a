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

AXError SimAccessibility::copyMultipleAttributeValues(const AXRef& element,
                                                      const std::vector<std::string>& attributes,
                                                      AXRef& values) {
  values.reset();
  const SimElement* target = asElement(element);
  std::string names;
  bool valid = !attributes.empty();
  for (const std::string& attribute : attributes) {
    names += (names.empty() ? "" : ",") + attribute;
    valid = valid && !attribute.empty();
  }
  // One message: the application answers every attribute at once, after one delay.
  return ask(requestFor(Request::Kind::copyMultipleAttributeValues, target, names), target, valid,
             [&](const ElementAddress& address) {
               std::vector<AXRef> answers;
               for (const std::string& attribute : attributes) {
                 AXRef value;
                 const AXError error = desktop_->readAttribute(address, attribute, value);
                 // An element that is gone fails the whole request.
                 if (error == AXError::invalidUIElement || error == AXError::cannotComplete) {
                   return error;
                 }
                 if (error != AXError::success) value = SimValue::error(error);
                 if (!value) value = SimValue::error(AXError::noValue);
                 answers.push_back(std::move(value));
               }
               values = std::make_shared<const SimArray>(std::move(answers));
               return AXError::success;
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

AXError SimAccessibility::getPid(const AXRef& element, ProcessID& pid) {
  const SimElement* target = asElement(element);
  if (!target) return AXError::illegalArgument;
  pid = target->address().pid;
  return AXError::success;
}

bool SimAccessibility::equal(const AXRef& a, const AXRef& b) {
  if (a == b) return true;
  if (!a || !b) return false;
  if (const SimElement* left = asElement(a)) {
    const SimElement* right = asElement(b);
    return right && left->address() == right->address();
  }
  if (const auto* left = dynamic_cast<const SimString*>(a.get())) {
    const auto* right = dynamic_cast<const SimString*>(b.get());
    return right && left->text() == right->text();
  }
  if (const auto* left = dynamic_cast<const SimNumber*>(a.get())) {
    const auto* right = dynamic_cast<const SimNumber*>(b.get());
    return right && left->value() == right->value();
  }
  if (const auto* left = dynamic_cast<const SimBoolean*>(a.get())) {
    const auto* right = dynamic_cast<const SimBoolean*>(b.get());
    return right && left->value() == right->value();
  }
  if (const auto* left = dynamic_cast<const SimValue*>(a.get())) {
    const auto* right = dynamic_cast<const SimValue*>(b.get());
    return right && left->kind() == right->kind() && left->first() == right->first() &&
           left->second() == right->second();
  }
  return false;  // arrays and opaque values: only the same object
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

bool SimAccessibility::booleanValue(const AXRef& value) {
  const auto* b = dynamic_cast<const SimBoolean*>(value.get());
  return b && b->value();
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
