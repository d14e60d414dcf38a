#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ports/accessibility.h"
#include "ports/geometry.h"
#include "ports/image.h"
#include "ports/object.h"

namespace strandel {

// One menu bar extra found by a scan. Immutable; shared by reference between the cache,
// waiting completions and menu rows, from any thread.
class ExtraItem final : public Object {
 public:
  ExtraItem(std::string appName, ImageRef icon, AXRef element, Rect frame, bool occluded,
            std::string ownerName = {});

  // The row text: the extra's label, despite the name.
  const std::string appName;
  // The owning application's icon, shared by all its extras.
  const ImageRef icon;
  const AXRef element;
  const Rect frame;
  const bool occluded;
  // The owning application's name (empty when it has none), which a search also reads.
  const std::string ownerName;

  // "label|hidden|rounded minimum x": changes whenever what the menu would show changes.
  std::string signature() const;
};

using ExtraItemRef = std::shared_ptr<const ExtraItem>;
using ExtraItems = std::vector<ExtraItemRef>;

}  // namespace strandel
