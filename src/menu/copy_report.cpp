#include <string>
#include <utility>

#include "app/app_delegate.h"
#include "ports/platform.h"
#include "scanner/menu_bar_report.h"
#include "scanner/menu_bar_scanner.h"

namespace strandel {

// Touches no state of the delegate: the cache, the menu and the timers stay as they are,
// and the blocks hold nothing of it.
void AppDelegate::copyMenuBarReport() {
  MenuBarReport::Request request = MenuBarReport::snapshot(platform().processIdentifier);
  MenuBarScanner::queue().async([request = std::move(request)] {
    std::string text = MenuBarReport::read(request).json();
    platform().dispatch->mainQueue().async([text = std::move(text)] {
      Pasteboard& pasteboard = *platform().generalPasteboard;
      pasteboard.clearContents();
      pasteboard.setString(text, kPasteboardTypeString);
    });
  });
}

}  // namespace strandel
