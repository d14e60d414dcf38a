#include "scanner/ax_names.h"

namespace strandel {

namespace {

template <typename Value>
struct Named {
  std::string_view name;
  Value value;
};

constexpr Named<AXError> kErrors[] = {
    {"success", AXError::success},
    {"failure", AXError::failure},
    {"illegalArgument", AXError::illegalArgument},
    {"invalidUIElement", AXError::invalidUIElement},
    {"invalidUIElementObserver", AXError::invalidUIElementObserver},
    {"cannotComplete", AXError::cannotComplete},
    {"attributeUnsupported", AXError::attributeUnsupported},
    {"actionUnsupported", AXError::actionUnsupported},
    {"notificationUnsupported", AXError::notificationUnsupported},
    {"notImplemented", AXError::notImplemented},
    {"notificationAlreadyRegistered", AXError::notificationAlreadyRegistered},
    {"notificationNotRegistered", AXError::notificationNotRegistered},
    {"apiDisabled", AXError::apiDisabled},
    {"noValue", AXError::noValue},
    {"parameterizedAttributeUnsupported", AXError::parameterizedAttributeUnsupported},
    {"notEnoughPrecision", AXError::notEnoughPrecision},
};

constexpr Named<AXValueKind> kKinds[] = {
    {"number", AXValueKind::number},   {"string", AXValueKind::string},
    {"point", AXValueKind::point},     {"size", AXValueKind::size},
    {"element", AXValueKind::element}, {"array", AXValueKind::array},
    {"rect", AXValueKind::otherValue}, {"other", AXValueKind::other},
};

template <typename Value, size_t N>
std::optional<std::string_view> nameIn(const Named<Value> (&table)[N], Value value) {
  for (const auto& entry : table) {
    if (entry.value == value) return entry.name;
  }
  return std::nullopt;
}

template <typename Value, size_t N>
std::optional<Value> valueIn(const Named<Value> (&table)[N], std::string_view name) {
  for (const auto& entry : table) {
    if (entry.name == name) return entry.value;
  }
  return std::nullopt;
}

template <typename Value, size_t N>
std::string joinedNames(const Named<Value> (&table)[N]) {
  std::string out;
  for (const auto& entry : table) out += (out.empty() ? "" : ", ") + std::string(entry.name);
  return out;
}

}  // namespace

std::optional<std::string_view> axErrorName(AXError error) {
  return nameIn(kErrors, error);
}

std::optional<AXError> axErrorNamed(std::string_view name) {
  return valueIn(kErrors, name);
}

std::string_view axErrorNames() {
  static const std::string names = joinedNames(kErrors);
  return names;
}

std::string_view axValueKindName(AXValueKind kind) {
  return nameIn(kKinds, kind).value_or("other");
}

std::optional<AXValueKind> axValueKindNamed(std::string_view name) {
  return valueIn(kKinds, name);
}

std::string_view axValueKindNames() {
  static const std::string names = joinedNames(kKinds);
  return names;
}

}  // namespace strandel
