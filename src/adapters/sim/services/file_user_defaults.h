#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ports/user_defaults.h"

namespace strandel::sim {

// The user defaults kept as one JSON object in `<directory>/defaults.json`. The file is read
// once, when the store is made, and rewritten whole (atomically) on every change.
//
// A file that cannot be used (unreadable, not JSON, cut short, not an object) is moved aside
// to `defaults.json.corrupt-<UTC time>` and the store starts empty; it is never overwritten
// or deleted. If it cannot even be moved aside, changes stay in memory until a later change
// manages to move it.
class FileUserDefaults : public UserDefaults {
 public:
  // An empty directory makes a store that lives in memory only.
  explicit FileUserDefaults(std::filesystem::path directory);

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

  std::filesystem::path file_;
  std::map<std::string, DefaultsValue> values_;
  bool unusableFileInPlace_ = false;
  std::optional<std::filesystem::path> setAside_;
  std::optional<std::string> lastError_;
};

// `$XDG_CONFIG_HOME/strandel`, else `$HOME/.config/strandel`; relative values are ignored,
// as the base directory rules require. None when neither gives a directory.
std::optional<std::filesystem::path> defaultDefaultsDirectory();

// The store in the default directory; a store in memory only when there is no home.
std::shared_ptr<FileUserDefaults> makeFileUserDefaults();

}  // namespace strandel::sim
