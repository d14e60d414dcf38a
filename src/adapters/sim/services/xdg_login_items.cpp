#include "adapters/sim/services/xdg_login_items.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <sstream>
#include <system_error>

#include "adapters/sim/services/atomic_file.h"

namespace strandel::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEntryName = "strandel.desktop";

std::string trim(const std::string& text) {
  auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// True when the entry's main group switches it off.
bool switchedOff(const std::string& contents) {
  std::istringstream lines(contents);
  std::string line;
  bool inMainGroup = false;
  bool off = false;
  while (std::getline(lines, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup) continue;
    auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = trim(line.substr(0, equals));
    std::string value = lower(trim(line.substr(equals + 1)));
    if (key == "Hidden" && value == "true") off = true;
    if (key == "X-GNOME-Autostart-enabled" && value == "false") off = true;
  }
  return off;
}

}  // namespace

std::optional<std::string> desktopExecValue(const std::string& program) {
  if (program.empty()) return std::nullopt;
  bool needsQuotes = false;
  std::string quoted;
  for (char c : program) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
    if (std::string_view(" \t\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos) {
      needsQuotes = true;
    }
    // Inside quotes these four take a backslash; then, as in every string value of an
    // entry, each backslash is doubled. A percent sign would start a field code.
    if (c == '"' || c == '`' || c == '$') {
      quoted += "\\\\";
      quoted += c;
    } else if (c == '\\') {
      quoted += "\\\\\\\\";
    } else if (c == '%') {
      quoted += "%%";
    } else {
      quoted += c;
    }
  }
  return needsQuotes ? "\"" + quoted + "\"" : quoted;
}

XdgLoginItems::XdgLoginItems(fs::path autostartDirectory, std::optional<fs::path> executable)
    : directory_(std::move(autostartDirectory)), executable_(std::move(executable)) {}

fs::path XdgLoginItems::entryPath() const {
  return directory_ / kEntryName;
}

bool XdgLoginItems::executableExists() const {
  if (!executable_ || executable_->empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(*executable_, ec);
}

LoginItemStatus XdgLoginItems::status() {
  if (!executableExists()) return LoginItemStatus::notFound;
  if (directory_.empty()) return LoginItemStatus::notRegistered;
  auto contents = readWholeFile(entryPath());
  if (!contents) return LoginItemStatus::notRegistered;
  return switchedOff(*contents) ? LoginItemStatus::requiresApproval : LoginItemStatus::enabled;
}

std::optional<PlatformError> XdgLoginItems::registerService() {
  if (directory_.empty()) {
    return PlatformError{
        "There is no autostart directory: neither XDG_CONFIG_HOME nor HOME is set"};
  }
  if (!executable_ || executable_->empty()) {
    return PlatformError{"The program's executable could not be determined"};
  }
  if (!executableExists()) {
    return PlatformError{"The program's executable " + executable_->string() + " does not exist"};
  }
  auto exec = desktopExecValue(executable_->string());
  if (!exec) {
    return PlatformError{"The program's path " + executable_->string() +
                         " cannot be written into an autostart entry"};
  }
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Strandel\n"
      "Comment=Lists hidden menu bar extras\n"
      "Exec=" +
      *exec +
      "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  if (auto failure = writeFileAtomically(entryPath(), entry)) return PlatformError{*failure};
  return std::nullopt;
}

std::optional<PlatformError> XdgLoginItems::unregisterService() {
  if (directory_.empty()) return std::nullopt;  // nothing can have been registered
  fs::path entry = entryPath();
  if (unlink(entry.c_str()) != 0 && errno != ENOENT) {
    return PlatformError{"Could not remove " + entry.string() + ": " + errorText(errno)};
  }
  return std::nullopt;
}

std::optional<fs::path> defaultAutostartDirectory() {
  auto config = userConfigDirectory();
  if (!config) return std::nullopt;
  return *config / "autostart";
}

std::optional<fs::path> currentExecutablePath() {
  std::error_code ec;
  fs::path path = fs::read_symlink("/proc/self/exe", ec);
  if (ec || path.empty()) return std::nullopt;
  return path;
}

std::shared_ptr<XdgLoginItems> makeXdgLoginItems() {
  // Without a home there is no autostart directory; the entry path then cannot be written
  // and registering reports why.
  return std::make_shared<XdgLoginItems>(defaultAutostartDirectory().value_or(fs::path()),
                                         currentExecutablePath());
}

}  // namespace strandel::sim
