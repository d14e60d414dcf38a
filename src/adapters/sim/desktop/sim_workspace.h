#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "adapters/sim/desktop/desktop.h"
#include "ports/workspace.h"

namespace strandel::sim {

// The workspace of the simulated Mac. Opening addresses goes to a handler (none: nothing
// opens) and the notification centre is whichever one it was given, so the rest of the
// simulator can decide what these do; subclasses may override them too.
class SimWorkspace : public Workspace {
 public:
  using OpenURLHandler = std::function<bool(const URL&)>;

  // Without a centre, observers are accepted and never called.
  SimWorkspace(std::shared_ptr<Desktop> desktop, std::shared_ptr<NotificationCenter> center,
               OpenURLHandler openURL = {});

  std::vector<RunningApplication> runningApplications() override;
  bool openURL(const URL& url) override;
  NotificationCenter& notificationCenter() override;

  void setOpenURLHandler(OpenURLHandler handler) { openURL_ = std::move(handler); }

 private:
  std::shared_ptr<Desktop> desktop_;
  std::shared_ptr<NotificationCenter> center_;
  OpenURLHandler openURL_;
};

// A snapshot of one of the desktop's screens, taken when asked for. Its display number is
// its place in the desktop's list, counted from 1.
class SimScreen final : public Screen {
 public:
  explicit SimScreen(ScreenSpec definition, uint32_t displayID = 1)
      : spec_(definition), id_(displayID) {}
  Rect frame() const override { return spec_.frame; }
  std::optional<Rect> auxiliaryTopLeftArea() const override { return spec_.topLeftArea; }
  std::optional<Rect> auxiliaryTopRightArea() const override { return spec_.topRightArea; }
  uint32_t displayID() const override { return id_; }

 private:
  ScreenSpec spec_;
  uint32_t id_;
};

class SimScreens final : public Screens {
 public:
  explicit SimScreens(std::shared_ptr<Desktop> desktop) : desktop_(std::move(desktop)) {}
  std::shared_ptr<const Screen> mainScreen() override;
  std::vector<std::shared_ptr<const Screen>> screens() override;

 private:
  std::shared_ptr<Desktop> desktop_;
};

}  // namespace strandel::sim
