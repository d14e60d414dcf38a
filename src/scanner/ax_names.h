#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ports/accessibility.h"

// The words that menu bar reports and scene files use for Accessibility results.
namespace strandel {

// The kind of a value that an Accessibility read handed back.
enum class AXValueKind {
  element,
  array,
  string,
  number,
  point,
  size,
  otherValue,  // an Accessibility value of another type than point or size
  other,       // a value of a type that no read of the program expects
};

// "cannotComplete" for AXError::cannotComplete; none for a code without a name.
std::optional<std::string_view> axErrorName(AXError error);
std::optional<AXError> axErrorNamed(std::string_view name);
// All names, comma-separated, for messages.
std::string_view axErrorNames();

std::string_view axValueKindName(AXValueKind kind);
std::optional<AXValueKind> axValueKindNamed(std::string_view name);
std::string_view axValueKindNames();

}  // namespace strandel
