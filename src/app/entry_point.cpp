#include "app/entry_point.h"

#include "ports/platform.h"

namespace strandel {

// Never destroyed: quitting ends in exit(), whose destructors run while a scan or a press
// may still be at work on the scan queue.
std::shared_ptr<Application>& app = *new std::shared_ptr<Application>;
std::shared_ptr<AppDelegate>& delegate = *new std::shared_ptr<AppDelegate>;

int runApplication() {
  app = platform().application;
  delegate = std::make_shared<AppDelegate>();
  app->setDelegate(delegate);
  // No Dock icon and no menu bar of its own: the status item is the whole interface.
  app->setActivationPolicy(ActivationPolicy::accessory);
  app->run();
  return 0;
}

}  // namespace strandel
