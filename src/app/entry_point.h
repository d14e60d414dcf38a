#pragma once

#include <memory>

#include "app/app_delegate.h"
#include "ports/application.h"

namespace strandel {

// Made once by runApplication. The application holds its delegate weakly; `delegate` is
// what keeps it alive until the process ends, exit() included.
extern std::shared_ptr<Application>& app;
extern std::shared_ptr<AppDelegate>& delegate;

}  // namespace strandel
