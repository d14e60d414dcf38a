#pragma once

#include <memory>

#include "ports/pasteboard.h"
#include "ports/process_info.h"

namespace strandel::mac {

// NSPasteboard's general pasteboard.
std::shared_ptr<Pasteboard> makeGeneralPasteboard();
// NSProcessInfo's processInfo.
std::shared_ptr<ProcessInfo> makeProcessInfo();

}  // namespace strandel::mac
