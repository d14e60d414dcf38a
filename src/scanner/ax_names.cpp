#include "scanner/ax_names.h"

namespace strandel {

namespace {

constexpr struct {
  std::string_view name;
  AXError error;
} kErrors[] = {
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

constexpr struct {
  std::string_view name;
  AXValueKind kind;
} kKinds[] = {
    {"number", AXValueKind::number},   {"string", AXValueKind::string},
    {"point", AXValueKind::point},     {"size", AXValueKind::size},
    {"element", AXValueKind::element}, {"array", AXValueKind::array},
    {"rect", AXValueKind::otherValue}, {"other", AXValueKind::other},
};

}  // namespace

std::optional<std::string_view> axErrorName(AXError error) {
  for (const auto& entry : kErrors) {
    if (entry.error == error) return entry.name;
  }
  return std::nullopt;
}

std::optional<AXError> axErrorNamed(std::string_view name) {
  for (const auto& entry : kErrors) {
    if (entry.name == name) return entry.error;
  }
  return std::nullopt;
}

std::string_view axErrorNames() {
  static const std::string names = [] {
    std::string out;
    for (const auto& entry : kErrors) out += (out.empty() ? "" : ", ") + std::string(entry.name);
    return out;
  }();
  return names;
}

std::string_view axValueKindName(AXValueKind kind) {
  for (const auto& entry : kKinds) {
    if (entry.kind == kind) return entry.name;
  }
  return "other";
}

std::optional<AXValueKind> axValueKindNamed(std::string_view name) {
  for (const auto& entry : kKinds) {
    if (entry.name == name) return entry.kind;
  }
  return std::nullopt;
}

std::string_view axValueKindNames() {
  static const std::string names = [] {
    std::string out;
    for (const auto& entry : kKinds) out += (out.empty() ? "" : ", ") + std::string(entry.name);
    return out;
  }();
  return names;
}

}  // namespace strandel
