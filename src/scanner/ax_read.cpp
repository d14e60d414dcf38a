#include "scanner/ax_read.h"

#include "ports/platform.h"

namespace strandel {

AXRef axCopy(const AXRef& element, std::string_view attribute) {
  AXRef value;
  if (platform().accessibility->copyAttributeValue(element, attribute, value) != AXError::success) {
    return nullptr;  // a value handed back with an error is released here
  }
  return value;
}

std::optional<Rect> frameOf(const AXRef& position, const AXRef& size) {
  if (!position || !size) return std::nullopt;
  Accessibility& ax = *platform().accessibility;
  const TypeID valueType = ax.valueTypeID();
  if (ax.typeID(position) != valueType || ax.typeID(size) != valueType) return std::nullopt;

  Point origin{};
  if (!ax.valueGetPoint(position, origin)) return std::nullopt;
  Size extent{};
  if (!ax.valueGetSize(size, extent)) return std::nullopt;
  return Rect{origin, extent};
}

std::optional<Rect> axFrame(const AXRef& element) {
  const AXRef position = axCopy(element, "AXPosition");
  if (!position) return std::nullopt;
  return frameOf(position, axCopy(element, "AXSize"));
}

std::optional<std::string> textOf(const AXRef& value) {
  Accessibility& ax = *platform().accessibility;
  if (!value || ax.typeID(value) != ax.stringTypeID()) return std::nullopt;
  return ax.stringValue(value);
}

bool BoundedReads::prepare(const AXRef& element) {
  if (gaveUp_ || !element) return false;
  platform().accessibility->setMessagingTimeout(element, timeout_);
  return true;
}

void BoundedReads::note(AXError error) {
  if (error == AXError::cannotComplete) gaveUp_ = true;
}

AXRef BoundedReads::copy(const AXRef& element, std::string_view attribute) {
  if (!prepare(element)) return nullptr;
  AXRef value;
  const AXError error = platform().accessibility->copyAttributeValue(element, attribute, value);
  note(error);
  return error == AXError::success ? value : nullptr;
}

std::vector<AXRef> BoundedReads::copyMultiple(const AXRef& element,
                                              const std::vector<std::string>& attributes) {
  if (!prepare(element)) return {};
  Accessibility& ax = *platform().accessibility;
  AXRef values;
  const AXError error = ax.copyMultipleAttributeValues(element, attributes, values);
  note(error);
  if (error != AXError::success || !values || ax.typeID(values) != ax.arrayTypeID()) return {};
  std::vector<AXRef> out = ax.arrayValues(values);
  if (out.size() != attributes.size()) return {};
  return out;
}

}  // namespace strandel
