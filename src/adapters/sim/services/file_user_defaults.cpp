#include "adapters/sim/services/file_user_defaults.h"

#include "adapters/sim/services/atomic_file.h"
#include "adapters/sim/services/regular_file.h"
#include "text/display_escape.h"

namespace strandel::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "defaults.json";

}  // namespace

FileUserDefaults::FileUserDefaults(fs::path directory, Report report, FileCalls& calls)
    : report_(std::move(report)), calls_(calls) {
  if (directory.empty()) return;  // memory only
  removeStaleTemporaries(directory, kFileName, calls_);
  file_ = std::move(directory) / kFileName;
  load();
}

void FileUserDefaults::tell(const std::string& what) {
  toldError_ = lastError_;
  // Paths come from the environment and may hold anything.
  if (report_) report_("Strandel: " + displayEscape(what));
}

void FileUserDefaults::load() {
  ReadFailure failure;
  std::optional<std::string> contents = readWholeFile(file_, &failure);
  if (!contents) {
    if (failure.missing()) return;  // nothing stored yet
    lastError_ = "Could not read " + file_.string() + ": " + failure.describe();
    leftAlone_ = true;
    tell("the settings file " + file_.string() + " cannot be read (" + failure.describe() +
         "); it is left as it is, and the settings start from their defaults in memory only");
    return;
  }
  auto settings = readSettings(*contents);
  if (auto* reason = std::get_if<std::string>(&settings)) {
    unusableReason_ = *reason;
    unusableFileInPlace_ = true;
    lastError_ = file_.string() + " " + unusableReason_;
    if (!setAsideUnusableFile()) {
      tell("the settings file " + file_.string() + " " + unusableReason_ +
           " and could not be set aside (" + *lastError_ +
           "); it is left as it is, and the settings start empty, in memory only");
    }
    return;
  }
  values_ = std::move(std::get<StoredSettings>(settings));
}

bool FileUserDefaults::setAsideUnusableFile() {
  int error = 0;
  auto moved = moveAside(file_, std::string(".corrupt-") + utcStamp(), &error, calls_);
  if (!moved) {
    lastError_ = "Could not move " + file_.string() + " aside: " + errorText(error);
    return false;
  }
  setAside_ = std::move(moved);
  unusableFileInPlace_ = false;
  tell("the settings file " + file_.string() + " " + unusableReason_ + "; it is kept as " +
       setAside_->string() + " and the settings start empty");
  return true;
}

std::optional<DefaultsValue> FileUserDefaults::objectForKey(const std::string& key) {
  auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second.value;
}

void FileUserDefaults::setInteger(int64_t value, const std::string& key) {
  DefaultsValue stored{value};
  values_.insert_or_assign(key, StoredSetting{stored, settingText(stored)});
  save();
}

void FileUserDefaults::save() {
  // An unreadable file stays as it is (lastError_ says why); one that cannot be used is
  // never overwritten before it is set aside.
  if (file_.empty() || leftAlone_) return;
  if (unusableFileInPlace_ && !setAsideUnusableFile()) {
    // Still in place: said already at start, unless the reason is a new one.
  } else if (auto text = settingsFileText(values_, kSmallFileLimit)) {
    lastError_ = writeFileAtomically(file_, *text, calls_);
  } else {
    lastError_ = "the settings would take more than " + describeSize(kSmallFileLimit) +
                 ", more than is read back";
  }
  if (lastError_ && lastError_ != toldError_) {
    tell("the settings were not saved: " + *lastError_ + "; the change is kept in memory only");
  }
  if (!lastError_) toldError_.reset();
}

std::optional<fs::path> defaultDefaultsDirectory() {
  auto config = userConfigDirectory();
  if (!config) return std::nullopt;
  return *config / "strandel";
}

std::shared_ptr<FileUserDefaults> makeFileUserDefaults() {
  // Without a home the store still works, for the life of the process.
  return std::make_shared<FileUserDefaults>(defaultDefaultsDirectory().value_or(fs::path()));
}

}  // namespace strandel::sim
