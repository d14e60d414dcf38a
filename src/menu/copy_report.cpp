#include <mutex>
#include <string>
#include <utility>

#include "app/app_delegate.h"
#include "ports/platform.h"
#include "scanner/menu_bar_report.h"

namespace strandel {

namespace {

// The report reads on a queue of its own, so that scans and presses never wait behind it.
DispatchQueue& reportQueue() {
  Platform& p = platform();
  std::call_once(p.reportQueueOnce, [&p] {
    p.reportQueue =
        p.dispatch->makeSerialQueue("com.quillet.strandel.report", QualityOfService::utility);
  });
  return *p.reportQueue;
}

}  // namespace

// Touches no state of the delegate: the cache, the menu and the timers stay as they are,
// and the blocks hold nothing of it.
void AppDelegate::copyMenuBarReport() {
  MenuBarReport::Request request = MenuBarReport::snapshot(platform().processIdentifier);
  reportQueue().async([request = std::move(request)] {
    std::string text = MenuBarReport::read(request).json();
    platform().dispatch->mainQueue().async([text = std::move(text)] {
      Pasteboard& pasteboard = *platform().generalPasteboard;
      pasteboard.clearContents();
      pasteboard.setString(text, kPasteboardTypeString);
    });
  });
}

}  // namespace strandel
