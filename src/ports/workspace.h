#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/accessibility.h"
#include "ports/geometry.h"
#include "ports/image.h"

namespace strandel {

enum class ActivationPolicy : int { regular = 0, accessory = 1, prohibited = 2 };

// One entry of the workspace's running applications, read on the main thread.
struct RunningApplication {
  ProcessID processIdentifier = 0;
  std::optional<std::string> localizedName;
  ImageRef icon;
  ActivationPolicy activationPolicy = ActivationPolicy::regular;
  bool isTerminated = false;
  // The bundle identifier ("com.apple.controlcenter"); none for a process without a bundle.
  std::optional<std::string> bundleIdentifier;
};

// The text form of an address that the platform accepted as a URL.
struct URL {
  std::string absoluteString;
  bool operator==(const URL&) const = default;
};

using NotificationBlock = std::function<void()>;

// A notification centre whose observers run on the main thread, for the life of the process.
class NotificationCenter {
 public:
  virtual ~NotificationCenter() = default;
  // addObserverForName:object:nil queue:mainQueue usingBlock:; the token is not kept.
  virtual void addObserver(const std::string& name, NotificationBlock block) = 0;
};

inline constexpr const char* kDidLaunchApplicationNotification =
    "NSWorkspaceDidLaunchApplicationNotification";
inline constexpr const char* kDidTerminateApplicationNotification =
    "NSWorkspaceDidTerminateApplicationNotification";

class Workspace {
 public:
  virtual ~Workspace() = default;
  // In the workspace's own order.
  virtual std::vector<RunningApplication> runningApplications() = 0;
  // openURL:; true when a handler took it.
  virtual bool openURL(const URL& url) = 0;
  virtual NotificationCenter& notificationCenter() = 0;
};

// URL(string:): none for text that is not a valid URL.
class URLs {
 public:
  virtual ~URLs() = default;
  virtual std::optional<URL> urlWithString(const std::string& text) = 0;
};

class Screen {
 public:
  virtual ~Screen() = default;
  virtual Rect frame() const = 0;
  // The usable areas left and right of the camera housing; none on screens without one.
  virtual std::optional<Rect> auxiliaryTopLeftArea() const = 0;
  virtual std::optional<Rect> auxiliaryTopRightArea() const = 0;
  // deviceDescription["NSScreenNumber"]: the display's number, which tells apart two screens
  // with the same frame (mirrored ones).
  virtual uint32_t displayID() const = 0;
};

class Screens {
 public:
  virtual ~Screens() = default;
  // NSScreen.mainScreen; none when there is no screen.
  virtual std::shared_ptr<const Screen> mainScreen() = 0;
  // NSScreen.screens: every screen, the one holding the menu bar first; empty without one.
  virtual std::vector<std::shared_ptr<const Screen>> screens() = 0;
};

}  // namespace strandel
