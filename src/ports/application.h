#pragma once

#include <memory>
#include <string>

#include "ports/workspace.h"

namespace strandel {

class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual void applicationDidFinishLaunching() = 0;
  // The application is about to end (after terminate:).
  virtual void applicationWillTerminate() {}
};

// Something that answers action messages sent by menu rows.
class MenuItem;
class ActionTarget {
 public:
  virtual ~ActionTarget() = default;
  virtual bool respondsTo(const std::string& action) const = 0;
  virtual void perform(const std::string& action, MenuItem& sender) = 0;
};

inline constexpr const char* kTerminateAction = "terminate:";

// The shared application object; it answers "terminate:".
class Application : public ActionTarget {
 public:
  virtual void setDelegate(std::weak_ptr<ApplicationDelegate> delegate) = 0;
  virtual void setActivationPolicy(ActivationPolicy policy) = 0;
  // The event loop; returns only when the application stops.
  virtual void run() = 0;
  virtual void terminate() = 0;
  virtual void activateIgnoringOtherApps(bool flag) = 0;

  bool respondsTo(const std::string& action) const override { return action == kTerminateAction; }
  void perform(const std::string& action, MenuItem&) override {
    if (action == kTerminateAction) terminate();
  }
};

}  // namespace strandel
