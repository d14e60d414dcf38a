#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/accessibility.h"
#include "ports/geometry.h"

namespace strandel {

// The attribute's value when the read succeeds; a value handed back with an error is dropped.
AXRef axCopy(const AXRef& element, std::string_view attribute);

// The element's "AXPosition" and "AXSize" as a rectangle; none if either is missing or of
// the wrong kind. The numbers themselves are not checked.
std::optional<Rect> axFrame(const AXRef& element);

// A frame from an "AXPosition" and an "AXSize" value already read.
std::optional<Rect> frameOf(const AXRef& position, const AXRef& size);
// A string value's text; none for anything else (an error stand-in, a number).
std::optional<std::string> textOf(const AXRef& value);

// The requests of one pass over one application. A messaging time-out holds only for the
// element it is set on, so each element gets `timeout` before it is asked. Once a request
// has timed out the application is hung or busy, and every further request would wait as
// long again: the rest of the pass asks it nothing and reads as failed.
class BoundedReads {
 public:
  explicit BoundedReads(float timeout) : timeout_(timeout) {}

  AXRef copy(const AXRef& element, std::string_view attribute);
  // One request for several attributes: their values in order (an Accessibility error value
  // stands in for one that did not read), or nothing when the request failed.
  std::vector<AXRef> copyMultiple(const AXRef& element, const std::vector<std::string>& attributes);
  bool gaveUp() const { return gaveUp_; }

 private:
  bool prepare(const AXRef& element);
  void note(AXError error);

  float timeout_;
  bool gaveUp_ = false;
};

}  // namespace strandel
