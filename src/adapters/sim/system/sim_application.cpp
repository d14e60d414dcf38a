#include "adapters/sim/system/sim_application.h"

namespace strandel::sim {

void SimApplication::run() {
  std::weak_ptr<ApplicationDelegate> weakDelegate = delegate_;
  mainQueue_.async([weakDelegate] {
    if (auto d = weakDelegate.lock()) d->applicationDidFinishLaunching();
  });
  if (loop_.run) loop_.run();
}

void SimApplication::terminate() {
  if (terminated_) return;
  terminated_ = true;
  if (auto d = delegate_.lock()) d->applicationWillTerminate();
  if (onTerminate) onTerminate();
  if (loop_.stop) loop_.stop();
}

}  // namespace strandel::sim
