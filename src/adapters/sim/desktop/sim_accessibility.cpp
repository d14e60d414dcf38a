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
    : desktop_(std::move(desktop)),
      time_(std::move(time)),
      systemWide_(std::make_shared<const SimElement>(
          ElementAddress{desktop_->id(), ElementKind::systemWide, 0, 0, 0})) {}

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

AXRef SimAccessibility::createSystemWide() {
  return systemWide_;
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

double SimAccessibility::timeoutFor(const SimElement& element) const {
  const float own = element.messagingTimeout();
  if (own > 0) return own;
  const float global = systemWide_->messagingTimeout();
  return global > 0 ? static_cast<double>(global) : kDefaultMessagingTimeout;
}

AXError SimAccessibility::exchange(const SimElement& element,
                                   const std::function<AXError()>& answer) {
  const ElementAddress& address = element.address();
  if (address.desktop != desktop_->id() || address.kind == ElementKind::systemWide) {
    return AXError::invalidUIElement;
  }
  if (!desktop_->accessibilityGranted()) return AXError::apiDisabled;
  const std::optional<double> delay = desktop_->responseDelay(address);
  if (!delay) return answer();  // a process that is gone fails at once
  // The app answers from its main thread, one message after another: this one waits for
  // those before it, including those whose senders have given up.
  double wait = *delay;
  {
    std::lock_guard lock(mutex_);
    const double now = time_->elapsed();
    double& busy = busyUntil_[{address.pid, address.generation}];
    if (busy > now) wait = busy - now + *delay;
    busy = now + wait;
  }
  const double timeout = timeoutFor(element);
  if (wait > timeout) {
    time_->sleepFor(timeout);
    return AXError::cannotComplete;
  }
  if (wait > 0) time_->sleepFor(wait);
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
  return ask(
      requestFor(Request::Kind::copyMultipleAttributeValues, target, names), target, valid,
      [&](const ElementAddress& address) {
        std::vector<AXRef> answers;
        for (const std::string& attribute : attributes) {
          AXRef value;
          const AXError error = desktop_->readAttribute(address, attribute, value);
          // An element or process that is gone fails the whole request; what the app
          // answers for one attribute, an error included, takes that attribute's place.
          if (error == AXError::invalidUIElement ||
              (error == AXError::cannotComplete && address.kind == ElementKind::application)) {
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

size_t SimAccessibility::hash(const AXRef& value) {
  if (const SimElement* element = asElement(value)) {
    const ElementAddress& a = element->address();
    size_t h = std::hash<uint64_t>{}(a.desktop);
    for (uint64_t part : {static_cast<uint64_t>(a.kind), static_cast<uint64_t>(a.pid), a.generation,
                          static_cast<uint64_t>(a.extra)}) {
      h = h * 1000003u ^ std::hash<uint64_t>{}(part);
    }
    return h;
  }
  if (const auto* text = dynamic_cast<const SimString*>(value.get())) {
    return std::hash<std::string>{}(text->text());
  }
  // Other values equal only themselves, or hash alike by kind: always consistent with equal.
  return value ? std::hash<TypeID>{}(typeID(value)) : 0;
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
