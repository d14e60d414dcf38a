#include "adapters/sim/services/xdg_login_items.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "adapters/sim/services/atomic_file.h"
#include "adapters/sim/services/regular_file.h"
#include "text/utf8.h"

namespace strandel::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEntryName = "strandel.desktop";
constexpr const char* kEntryTitle = "Strandel";  // the Name= of the entry written here

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

constexpr const char* kMainGroup = "[Desktop Entry]";

struct EntryReading {
  bool ours = false;
  bool switchedOff = false;
};

// Reads the bytes as a desktop entry: UTF-8 lines of comments, group headers and keys, the
// first group the main one.
EntryReading readEntry(const std::string& contents) {
  if (!isValidUTF8(contents)) return {};
  std::istringstream lines(contents);
  std::string line;
  bool seenGroup = false, inMainGroup = false, named = false, off = false;
  while (std::getline(lines, line)) {
    bool control = std::any_of(line.begin(), line.end(), [](char c) {
      auto byte = static_cast<unsigned char>(c);
      return (byte < 0x20 && c != '\t' && c != '\r') || byte == 0x7F;
    });
    if (control) return {};
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']' || (!seenGroup && line != kMainGroup)) return {};
      seenGroup = true;
      inMainGroup = line == kMainGroup;
      continue;
    }
    auto equals = line.find('=');
    if (!seenGroup || equals == std::string::npos) return {};
    if (!inMainGroup) continue;
    std::string key = trim(line.substr(0, equals));
    std::string value = trim(line.substr(equals + 1));
    if (key == "Name" && value == kEntryTitle) named = true;
    if (key == "Hidden" && lower(value) == "true") off = true;
    if (key == "X-GNOME-Autostart-enabled" && lower(value) == "false") off = true;
  }
  return {named, off};
}

// Whether the path can stand in the entry as it is: UTF-8 without control characters.
bool entryCanHoldLiterally(const std::string& path) {
  return isValidUTF8(path) && std::none_of(path.begin(), path.end(), [](char c) {
           auto byte = static_cast<unsigned char>(c);
           return byte < 0x20 || byte == 0x7F;
         });
}

// One argument of a command line, before the value's own escaping: quoted when it holds a
// reserved character, with a backslash before the four characters that quotes do not
// protect; a percent sign is doubled, as it would start a field code.
std::string execArgument(std::string_view argument) {
  bool needsQuotes = argument.find_first_of(" \t\"'\\><~|&;$*?#()`") != std::string_view::npos;
  std::string quoted;
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return needsQuotes ? "\"" + quoted + "\"" : quoted;
}

}  // namespace

std::optional<std::string> desktopExecValue(const std::string& program) {
  if (program.empty()) return std::nullopt;
  std::vector<std::string> arguments = {program};
  if (!entryCanHoldLiterally(program)) {
    // The entry must stay UTF-8 text without control characters, so a shell rebuilds such a
    // path from octal escapes. The trailing "_" keeps line feeds at the path's end, which
    // command substitution would strip.
    std::string format;
    for (char c : program) {
      bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      if (plain || c == '/' || c == '.' || c == '_') {
        format += c;
      } else {
        char octal[5];
        std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
        format += octal;
      }
    }
    arguments = {"/bin/sh", "-c", "p=$(printf '" + format + "_'); exec \"${p%_}\""};
  }
  std::string command;
  for (const auto& argument : arguments) {
    if (!command.empty()) command += ' ';
    command += execArgument(argument);
  }
  // As in every string value of an entry, each backslash is doubled.
  std::string value;
  for (char c : command) value += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return value;
}

XdgLoginItems::XdgLoginItems(fs::path autostartDirectory, std::optional<fs::path> executable,
                             Report report)
    : directory_(std::move(autostartDirectory)),
      executable_(std::move(executable)),
      report_(std::move(report)) {}

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
  EntryReading entry = contents ? readEntry(*contents) : EntryReading{};
  if (!entry.ours) return LoginItemStatus::notRegistered;
  return entry.switchedOff ? LoginItemStatus::requiresApproval : LoginItemStatus::enabled;
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
  if (auto failure = keepAsideWhatIsNotOurs()) return failure;
  if (auto failure = writeFileAtomically(entryPath(), entry)) return PlatformError{*failure};
  return std::nullopt;
}

std::optional<bool> XdgLoginItems::entryIsOurs() const {
  ReadFailure failure;
  auto contents = readWholeFile(entryPath(), &failure);
  if (!contents && failure.missing()) return std::nullopt;
  return contents && readEntry(*contents).ours;
}

std::optional<PlatformError> XdgLoginItems::keepAsideWhatIsNotOurs() {
  if (entryIsOurs().value_or(true)) return std::nullopt;
  fs::path entry = entryPath();
  int error = 0;
  auto kept = moveAside(entry, ".not-ours-" + utcStamp(), &error);
  if (!kept) {
    return PlatformError{entry.string() +
                         " is not Strandel's autostart entry and could not be moved aside (" +
                         errorText(error) + "); it is left as it is"};
  }
  tell(entry.string() + " was not Strandel's autostart entry; it is kept as " + kept->string());
  return std::nullopt;
}

void XdgLoginItems::tell(const std::string& what) const {
  if (report_) report_("Strandel: " + what);
}

std::optional<PlatformError> XdgLoginItems::unregisterService() {
  if (directory_.empty()) return std::nullopt;  // nothing can have been registered
  fs::path entry = entryPath();
  std::optional<bool> ours = entryIsOurs();
  if (!ours) return std::nullopt;
  if (!*ours) {
    tell(entry.string() + " is not Strandel's autostart entry; it is left as it is");
    return std::nullopt;
  }
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
