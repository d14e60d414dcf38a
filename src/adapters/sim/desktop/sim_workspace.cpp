#include "adapters/sim/desktop/sim_workspace.h"

#include <utility>

namespace strandel::sim {

namespace {

class SilentNotificationCenter final : public NotificationCenter {
 public:
  void addObserver(const std::string&, NotificationBlock) override {}
};

}  // namespace

SimWorkspace::SimWorkspace(std::shared_ptr<Desktop> desktop,
                           std::shared_ptr<NotificationCenter> center, OpenURLHandler openURL)
    : desktop_(std::move(desktop)),
      center_(center ? std::move(center) : std::make_shared<SilentNotificationCenter>()),
      openURL_(std::move(openURL)) {}

std::vector<RunningApplication> SimWorkspace::runningApplications() {
  return desktop_->runningApplications();
}

bool SimWorkspace::openURL(const URL& url) {
  return openURL_ ? openURL_(url) : false;
}

NotificationCenter& SimWorkspace::notificationCenter() {
  return *center_;
}

std::shared_ptr<const Screen> SimScreens::mainScreen() {
  const std::optional<std::pair<size_t, ScreenSpec>> main = desktop_->mainScreenAndIndex();
  if (!main) return nullptr;
  return std::make_shared<SimScreen>(main->second, static_cast<uint32_t>(main->first + 1));
}

std::vector<std::shared_ptr<const Screen>> SimScreens::screens() {
  std::vector<std::shared_ptr<const Screen>> all;
  for (const ScreenSpec& screen : desktop_->screens()) {
    all.push_back(std::make_shared<SimScreen>(screen, static_cast<uint32_t>(all.size() + 1)));
  }
  return all;
}

}  // namespace strandel::sim
