#include "scanner/extras_bar.h"

#include "ports/platform.h"
#include "scanner/ax_read.h"
#include "scanner/menu_bar_scanner.h"

namespace strandel {

std::vector<AXRef> readExtrasBarChildren(ProcessID pid) {
  Accessibility& ax = *platform().accessibility;
  const AXRef appElement = ax.createApplication(pid);
  if (!appElement) return {};
  ax.setMessagingTimeout(appElement, MenuBarScanner::kScanTimeout);

  const AXRef bar = axCopy(appElement, "AXExtrasMenuBar");
  if (!bar || ax.typeID(bar) != ax.elementTypeID()) return {};

  const AXRef children = axCopy(bar, "AXChildren");
  if (!children || ax.typeID(children) != ax.arrayTypeID()) return {};
  return ax.arrayValues(children);
}

}  // namespace strandel
