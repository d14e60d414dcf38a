#include "adapters/sim/services/file_user_defaults.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <limits>

#include <nlohmann/json.hpp>

#include "adapters/sim/services/atomic_file.h"

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

std::string utcStamp() {
  std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
  return text;
}

}  // namespace

FileUserDefaults::FileUserDefaults(fs::path directory) {
  if (directory.empty()) return;  // memory only
  file_ = std::move(directory) / kFileName;
  load();
}

void FileUserDefaults::load() {
  int error = 0;
  std::optional<std::string> contents = readWholeFile(file_, &error);
  if (!contents) {
    if (error == ENOENT || error == ENOTDIR) return;  // nothing stored yet
    lastError_ = "Could not read " + file_.string() + ": " + errorText(error);
    unusableFileInPlace_ = true;
    setAsideUnusableFile();
    return;
  }
  json parsed = json::parse(*contents, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) {
    lastError_ = file_.string() + " does not hold a JSON object";
    unusableFileInPlace_ = true;
    setAsideUnusableFile();
    return;
  }
  for (const auto& [key, value] : parsed.items()) {
    if (auto converted = valueFromJSON(value)) values_.emplace(key, std::move(*converted));
  }
}

bool FileUserDefaults::setAsideUnusableFile() {
  if (auto moved = moveAside(file_, std::string(".corrupt-") + utcStamp())) {
    setAside_ = std::move(moved);
    unusableFileInPlace_ = false;
    return true;
  }
  return false;
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
  if (unusableFileInPlace_ && !setAsideUnusableFile()) {
    lastError_ = "Could not move " + file_.string() + " aside; the change is kept in memory only";
    return;
  }
  json object = json::object();
  for (const auto& [key, value] : values_) object[key] = valueToJSON(value);
  lastError_ = writeFileAtomically(file_, object.dump(2) + "\n");
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
