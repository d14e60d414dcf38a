#pragma once

#include <memory>

#include "ports/status_bar.h"

namespace strandel::mac {

// The system status bar.
std::shared_ptr<StatusBar> makeStatusBar();

}  // namespace strandel::mac
