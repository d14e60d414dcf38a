#pragma once

#include <memory>
#include <string>

#include "ports/geometry.h"

namespace strandel {

class Image;
using ImageRef = std::shared_ptr<Image>;

// An image object (an application's icon, the status item's symbol).
class Image {
 public:
  virtual ~Image() = default;
  // A new image object that can be resized without touching this one; none if the copy
  // is not an image.
  virtual ImageRef copy() const = 0;
  virtual Size size() const = 0;
  virtual void setSize(Size size) = 0;
  virtual bool isTemplate() const = 0;
  virtual void setTemplate(bool isTemplate) = 0;
  virtual std::string accessibilityDescription() const = 0;
};

class Images {
 public:
  virtual ~Images() = default;
  // imageWithSystemSymbolName:accessibilityDescription:, none when no such symbol exists.
  virtual ImageRef systemSymbol(const std::string& name,
                                const std::string& accessibilityDescription) = 0;
};

}  // namespace strandel
