#include "adapters/sim/services/file_user_defaults.h"

#include <limits>

#include <nlohmann/json.hpp>

#include "adapters/sim/services/atomic_file.h"
#include "adapters/sim/services/regular_file.h"

namespace strandel::sim {

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

constexpr const char* kFileName = "defaults.json";

std::optional<DefaultsValue> valueFromJSON(const json& value) {
  switch (value.type()) {
    case json::value_t::number_integer:
      return DefaultsValue{value.get<int64_t>()};
    case json::value_t::number_unsigned: {
      auto number = value.get<uint64_t>();
      if (number <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return DefaultsValue{static_cast<int64_t>(number)};
      }
      return DefaultsValue{OtherDefaultsValue{value.dump()}};
    }
    case json::value_t::number_float:
      return DefaultsValue{value.get<double>()};
    case json::value_t::boolean:
      return DefaultsValue{value.get<bool>()};
    case json::value_t::string:
      return DefaultsValue{value.get<std::string>()};
    default:
      return DefaultsValue{OtherDefaultsValue{value.dump()}};
  }
}

json valueToJSON(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, OtherDefaultsValue>) {
          // Kept as read: the description is the value's own JSON text.
          json parsed = json::parse(v.description, nullptr, false);
          return parsed.is_discarded() ? json(v.description) : parsed;
        } else {
          return json(v);
        }
      },
      value);
}

// The object the file holds; nothing for anything else, also for text after the value.
std::optional<json> objectIn(const std::string& contents) {
  // The reader stops at a NUL byte as if the text ended there, which would lose what
  // follows at the next save.
  if (contents.find('\0') != std::string::npos) return std::nullopt;
  json parsed = json::parse(contents, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) return std::nullopt;
  return parsed;
}

}  // namespace

FileUserDefaults::FileUserDefaults(fs::path directory, Report report) : report_(std::move(report)) {
  if (directory.empty()) return;  // memory only
  file_ = std::move(directory) / kFileName;
  load();
}

void FileUserDefaults::tell(const std::string& what) {
  if (report_) report_("Strandel: " + what);
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
  std::optional<json> object = objectIn(*contents);
  if (!object) {
    lastError_ = file_.string() + " does not hold one JSON object";
    unusableFileInPlace_ = true;
    if (!setAsideUnusableFile()) {
      tell("the settings file " + file_.string() +
           " does not hold one JSON object and could not be set aside (" + *lastError_ +
           "); the settings start empty, in memory only");
    }
    return;
  }
  for (const auto& [key, value] : object->items()) {
    if (auto converted = valueFromJSON(value)) values_.emplace(key, std::move(*converted));
  }
}

bool FileUserDefaults::setAsideUnusableFile() {
  int error = 0;
  auto moved = moveAside(file_, std::string(".corrupt-") + utcStamp(), &error);
  if (!moved) {
    lastError_ = "Could not move " + file_.string() + " aside: " + errorText(error);
    return false;
  }
  setAside_ = std::move(moved);
  unusableFileInPlace_ = false;
  tell("the settings file " + file_.string() + " did not hold one JSON object; it is kept as " +
       setAside_->string() + " and the settings start empty");
  return true;
}

std::optional<DefaultsValue> FileUserDefaults::objectForKey(const std::string& key) {
  auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void FileUserDefaults::setInteger(int64_t value, const std::string& key) {
  values_.insert_or_assign(key, DefaultsValue{value});
  save();
}

void FileUserDefaults::save() {
  if (file_.empty()) return;
  if (leftAlone_) {
    lastError_ = file_.string() + " cannot be read and is left as it is";
  } else if (!unusableFileInPlace_ || setAsideUnusableFile()) {
    json object = json::object();
    for (const auto& [key, value] : values_) object[key] = valueToJSON(value);
    lastError_ = writeFileAtomically(file_, object.dump(2) + "\n");
  }
  if (lastError_) {
    tell("the settings were not saved: " + *lastError_ + "; the change is kept in memory only");
  }
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
