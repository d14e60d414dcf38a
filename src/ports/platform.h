#pragma once

#include <memory>
#include <mutex>

#include "ports/accessibility.h"
#include "ports/alert.h"
#include "ports/application.h"
#include "ports/bundle.h"
#include "ports/clock.h"
#include "ports/dispatch.h"
#include "ports/hot_keys.h"
#include "ports/http.h"
#include "ports/image.h"
#include "ports/login_items.h"
#include "ports/menu.h"
#include "ports/pasteboard.h"
#include "ports/process_info.h"
#include "ports/status_bar.h"
#include "ports/system_log.h"
#include "ports/timer.h"
#include "ports/user_defaults.h"
#include "ports/workspace.h"

namespace strandel {

// Everything the program reaches outside itself. One is installed per process (one per
// test); the objects it makes once for the life of the process live here with it.
struct Platform {
  std::shared_ptr<Accessibility> accessibility;
  std::shared_ptr<Workspace> workspace;
  std::shared_ptr<Screens> screens;
  std::shared_ptr<URLs> urls;
  std::shared_ptr<Images> images;
  std::shared_ptr<Dispatch> dispatch;
  std::shared_ptr<Clock> clock;
  std::shared_ptr<Timers> timers;
  std::shared_ptr<Application> application;
  std::shared_ptr<UserDefaults> userDefaults;
  std::shared_ptr<Bundle> bundle;
  std::shared_ptr<NotificationCenter> distributedCenter;
  std::shared_ptr<LoginItemService> loginItems;
  std::shared_ptr<HTTPSession> http;
  std::shared_ptr<SystemLog> systemLog;
  std::shared_ptr<StatusBar> statusBar;
  std::shared_ptr<Menus> menus;
  std::shared_ptr<Alerts> alerts;
  std::shared_ptr<Pasteboard> generalPasteboard;
  std::shared_ptr<ProcessInfo> processInfo;
  std::shared_ptr<HotKeys> hotKeys;
  ProcessID processIdentifier = 0;  // getpid()

  // The scan queue, made on first use.
  std::once_flag scanQueueOnce;
  std::shared_ptr<DispatchQueue> scanQueue;
  // The menu bar report's queue, apart from the scan queue, made on first use.
  std::once_flag reportQueueOnce;
  std::shared_ptr<DispatchQueue> reportQueue;
};

// The installed platform. Installing happens before any other thread starts.
Platform& platform();
void installPlatform(Platform* platform);

// Installs a platform for the life of a scope (a test), then restores the previous one.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

}  // namespace strandel
