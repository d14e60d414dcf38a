#include "scanner/extras_bar.h"

#include "ports/platform.h"

namespace strandel {

std::vector<AXRef> readExtrasBarChildren(ProcessID pid, BoundedReads& reads) {
  Accessibility& ax = *platform().accessibility;
  const AXRef appElement = ax.createApplication(pid);
  const AXRef bar = reads.copy(appElement, "AXExtrasMenuBar");
  if (!bar || ax.typeID(bar) != ax.elementTypeID()) return {};

  const AXRef children = reads.copy(bar, "AXChildren");
  if (!children || ax.typeID(children) != ax.arrayTypeID()) return {};
  return ax.arrayValues(children);
}

ExtraRead readExtra(const AXRef& child, BoundedReads& reads) {
  // Never destroyed: exit() may come while a lane is still reading.
  static const auto& kAttributes =
      *new std::vector<std::string>{"AXPosition", "AXSize", "AXDescription"};
  const std::vector<AXRef> values = reads.copyMultiple(child, kAttributes);
  if (values.empty()) return {};
  return ExtraRead{frameOf(values[0], values[1]), textOf(values[2])};
}

}  // namespace strandel
