#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "adapters/sim/services/file_calls.h"
#include "adapters/sim/services/settings_json.h"
#include "ports/user_defaults.h"

namespace strandel::sim {

// The user defaults kept as one JSON object in `<directory>/defaults.json`. The file is read
// once, when the store is made, and rewritten whole (atomically) on every change; values
// that the program did not set are written back as they were read. What an interrupted
// write left behind is removed when the store is made.
//
// A file whose contents cannot be used (not JSON, cut short, not an object, anything after
// the value, nested too deep) is moved aside to `defaults.json.corrupt-<UTC time>` and the
// store starts empty; it is never overwritten or deleted. If it cannot even be moved aside,
// changes stay in memory until a later change manages to move it.
//
// A file that cannot be read at all (no permission, not a regular file, too large) is no
// proof of corruption: it is left exactly as it is, and the store lives in memory only.
// A save never writes a file larger than the store would read back.
//
// Every such problem is told to `report` once, as one line that says what was done.
class FileUserDefaults : public UserDefaults {
 public:
  using Report = std::function<void(const std::string& line)>;

  // An empty directory makes a store that lives in memory only.
  explicit FileUserDefaults(std::filesystem::path directory, Report report = nullptr,
                            FileCalls& calls = systemFileCalls());

  std::optional<DefaultsValue> objectForKey(const std::string& key) override;
  void setInteger(int64_t value, const std::string& key) override;

  const std::filesystem::path& filePath() const { return file_; }
  // Where an unusable file was moved, if one was.
  const std::optional<std::filesystem::path>& setAsidePath() const { return setAside_; }
  // What went wrong with the last read or write of the file; none after a success.
  const std::optional<std::string>& lastError() const { return lastError_; }

 private:
  void load();
  bool setAsideUnusableFile();
  void save();
  void tell(const std::string& what);

  std::filesystem::path file_;
  Report report_;
  FileCalls& calls_;
  StoredSettings values_;
  std::string unusableReason_;
  std::optional<std::string> toldError_;  // the problem told last, not told again
  bool unusableFileInPlace_ = false;
  bool leftAlone_ = false;  // unreadable: never written
  std::optional<std::filesystem::path> setAside_;
  std::optional<std::string> lastError_;
};

// `$XDG_CONFIG_HOME/strandel`, else `$HOME/.config/strandel`; relative values are ignored,
// as the base directory rules require. None when neither gives a directory.
std::optional<std::filesystem::path> defaultDefaultsDirectory();

// The store in the default directory; a store in memory only when there is no home.
std::shared_ptr<FileUserDefaults> makeFileUserDefaults();

}  // namespace strandel::sim
