#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "ports/application.h"
#include "ports/dispatch.h"

namespace strandel::sim {

// The application object of the simulated Mac: `run` tells the delegate that launching has
// finished and then runs the given event loop until `terminate`.
class SimApplication final : public Application {
 public:
  struct Loop {
    std::function<void()> run;   // returns when stopped
    std::function<void()> stop;  // ends `run`
  };

  SimApplication(MainQueue& mainQueue, Loop loop) : mainQueue_(mainQueue), loop_(std::move(loop)) {}

  void setDelegate(std::weak_ptr<ApplicationDelegate> delegate) override {
    delegate_ = std::move(delegate);
  }
  void setActivationPolicy(ActivationPolicy policy) override { policy_ = policy; }
  void run() override;
  void terminate() override;
  void activateIgnoringOtherApps(bool) override { ++activations_; }

  std::shared_ptr<ApplicationDelegate> delegate() const { return delegate_.lock(); }
  std::optional<ActivationPolicy> activationPolicy() const { return policy_; }
  bool isTerminated() const { return terminated_; }
  int activationCount() const { return activations_; }
  // Called when the user quits, before the loop stops (the simulator's transcript).
  std::function<void()> onTerminate;

 private:
  MainQueue& mainQueue_;
  Loop loop_;
  std::weak_ptr<ApplicationDelegate> delegate_;
  std::optional<ActivationPolicy> policy_;
  bool terminated_ = false;
  int activations_ = 0;
};

}  // namespace strandel::sim
