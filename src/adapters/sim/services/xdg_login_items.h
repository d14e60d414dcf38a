#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ports/login_items.h"

namespace strandel::sim {

// The program's own login item as an XDG autostart entry, `<autostart dir>/strandel.desktop`,
// which desktop sessions start at login.
//
// The entry is ours when it is a desktop entry (text in groups of keys) whose main group is
// named "Strandel", as the one written here is; the session's settings may add to it. Any
// other file at that path (a file of other bytes, a directory, a named pipe, a link to a
// device, a file that cannot be read) is not ours and counts as no entry.
//
// Status:
// - notFound: the program's executable is unknown or no longer exists, so no entry could
//   start it (registering fails);
// - notRegistered: there is no entry of ours;
// - requiresApproval: our entry exists but the user switched it off in the session's
//   settings (Hidden=true or X-GNOME-Autostart-enabled=false); registering again rewrites it
//   switched on;
// - enabled: our entry exists and is switched on.
//
// Registering writes the entry atomically, first moving a file that is not ours aside to
// `strandel.desktop.not-ours-<UTC time>` and telling `report` so; unregistering removes our
// entry, leaves a file that is not ours alone (telling so), and succeeds when there is none.
// Failures carry what failed, the path and the system's error text.
class XdgLoginItems : public LoginItemService {
 public:
  using Report = std::function<void(const std::string& line)>;

  XdgLoginItems(std::filesystem::path autostartDirectory,
                std::optional<std::filesystem::path> executable, Report report = nullptr);

  LoginItemStatus status() override;
  std::optional<PlatformError> registerService() override;
  std::optional<PlatformError> unregisterService() override;
  // Registering switches the entry on itself, so no registration leaves it awaiting
  // approval: there is no settings page to show.
  void openSystemSettingsLoginItems() override {}

  std::filesystem::path entryPath() const;

 private:
  bool executableExists() const;
  // Whether the file at the entry's path is ours; none when there is none.
  std::optional<bool> entryIsOurs() const;
  std::optional<PlatformError> keepAsideWhatIsNotOurs();
  void tell(const std::string& what) const;

  std::filesystem::path directory_;
  std::optional<std::filesystem::path> executable_;
  Report report_;
};

// The `Exec=` value that runs `program` with no arguments, quoted and escaped as desktop
// entries require, for any path the system allows; none for an empty one. A path that is
// not UTF-8 or holds control characters goes through /bin/sh, spelled in octal escapes, so
// the entry stays valid text.
std::optional<std::string> desktopExecValue(const std::string& program);

// `$XDG_CONFIG_HOME/autostart`, else `$HOME/.config/autostart`; none without either.
std::optional<std::filesystem::path> defaultAutostartDirectory();

// The running program's own executable, from /proc/self/exe.
std::optional<std::filesystem::path> currentExecutablePath();

std::shared_ptr<XdgLoginItems> makeXdgLoginItems();

}  // namespace strandel::sim
