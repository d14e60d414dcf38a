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

std::optional<Rect> axFrame(const AXRef& element) {
  const AXRef position = axCopy(element, "AXPosition");
  if (!position) return std::nullopt;
  const AXRef size = axCopy(element, "AXSize");
  if (!size) return std::nullopt;

  Accessibility& ax = *platform().accessibility;
  const TypeID valueType = ax.valueTypeID();
  if (ax.typeID(position) != valueType || ax.typeID(size) != valueType) return std::nullopt;

  Point origin{};
  if (!ax.valueGetPoint(position, origin)) return std::nullopt;
  Size extent{};
  if (!ax.valueGetSize(size, extent)) return std::nullopt;
  return Rect{origin, extent};
}

}  // namespace strandel
