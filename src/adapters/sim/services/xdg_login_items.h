#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "ports/login_items.h"

namespace strandel::sim {

// The program's own login item as an XDG autostart entry, `<autostart dir>/strandel.desktop`,
// which desktop sessions start at login.
//
// Status:
// - notFound: the program's executable is unknown or no longer exists, so no entry could
//   start it (registering fails);
// - notRegistered: there is no entry, or it cannot be read (the session cannot use it);
// - requiresApproval: an entry exists but the user switched it off in the session's
//   settings (Hidden=true or X-GNOME-Autostart-enabled=false); registering again rewrites it
//   switched on;
// - enabled: an entry exists and is switched on.
//
// Registering writes the entry atomically; unregistering removes it (and succeeds when there
// is none). Failures carry what failed, the path and the system's error text.
class XdgLoginItems : public LoginItemService {
 public:
  XdgLoginItems(std::filesystem::path autostartDirectory,
                std::optional<std::filesystem::path> executable);

  LoginItemStatus status() override;
  std::optional<PlatformError> registerService() override;
  std::optional<PlatformError> unregisterService() override;

  std::filesystem::path entryPath() const;

 private:
  bool executableExists() const;

  std::filesystem::path directory_;
  std::optional<std::filesystem::path> executable_;
};

// The `Exec=` value that runs `program` with no arguments, quoted and escaped as desktop
// entries require; none for a path that an entry cannot hold (control characters).
std::optional<std::string> desktopExecValue(const std::string& program);

// `$XDG_CONFIG_HOME/autostart`, else `$HOME/.config/autostart`; none without either.
std::optional<std::filesystem::path> defaultAutostartDirectory();

// The running program's own executable, from /proc/self/exe.
std::optional<std::filesystem::path> currentExecutablePath();

std::shared_ptr<XdgLoginItems> makeXdgLoginItems();

}  // namespace strandel::sim
