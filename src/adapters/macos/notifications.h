#pragma once

#import <Foundation/Foundation.h>

#include <memory>

#include "ports/workspace.h"

namespace strandel::mac {

// Observers of `center` delivered on the main operation queue.
std::shared_ptr<NotificationCenter> makeNotificationCenter(NSNotificationCenter* center);

// NSDistributedNotificationCenter's default centre, each posting delivered at once even while
// the application is inactive; observers run on the main thread.
std::shared_ptr<NotificationCenter> makeDistributedCenter();

}  // namespace strandel::mac
