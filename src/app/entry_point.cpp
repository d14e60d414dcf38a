#include "app/entry_point.h"

#include "ports/platform.h"

namespace strandel {

std::shared_ptr<Application> app;
std::shared_ptr<AppDelegate> delegate;

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
