#include "support/fakes.h"

#include <cstdlib>
#include <fstream>
#include <utility>

namespace strandel::test {

std::optional<DefaultsValue> MemoryUserDefaults::objectForKey(const std::string& key) {
  ++reads;
  return value(key);
}

void MemoryUserDefaults::setInteger(int64_t value, const std::string& key) {
  writes.push_back(key);
  values_[key] = value;
  if (onWrite) onWrite(key);
}

std::optional<DefaultsValue> MemoryUserDefaults::value(const std::string& key) const {
  auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::optional<PlatformError> FakeLoginItems::registerService() {
  calls.push_back(Call::registerService);
  if (auto failure = std::exchange(nextFailure, std::nullopt)) return failure;
  current = statusAfterRegister;
  return std::nullopt;
}

std::optional<PlatformError> FakeLoginItems::unregisterService() {
  calls.push_back(Call::unregisterService);
  if (auto failure = std::exchange(nextFailure, std::nullopt)) return failure;
  current = LoginItemStatus::notRegistered;
  return std::nullopt;
}

std::optional<InfoValue> MapBundle::infoDictionaryValue(const std::string& key) {
  auto found = info.find(key);
  if (found == info.end()) return std::nullopt;
  return found->second;
}

std::string MapBundle::localizedString(const std::string& key, const std::string& value) {
  auto found = strings.find(key);
  if (found != strings.end()) return found->second;
  return value.empty() ? key : value;
}

namespace {

// Reads a quoted string starting at `pos` (at the opening quote); advances past it.
std::optional<std::string> quoted(const std::string& line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  std::string text;
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '\\' && pos + 1 < line.size()) {
      text += line[++pos];
    } else if (c == '"') {
      ++pos;
      return text;
    } else {
      text += c;
    }
  }
  return std::nullopt;
}

void skipBlanks(const std::string& line, size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

}  // namespace

std::map<std::string, std::string> readSimpleStringsFile(const std::string& path) {
  std::map<std::string, std::string> table;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    size_t pos = 0;
    skipBlanks(line, pos);
    auto key = quoted(line, pos);
    if (!key) continue;
    skipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    skipBlanks(line, pos);
    auto value = quoted(line, pos);
    if (value) table[*key] = *value;
  }
  return table;
}

std::string sourceDirectory() {
  if (const char* fromEnvironment = std::getenv("STRANDEL_SOURCE_DIR")) return fromEnvironment;
  // This file sits at tests/support/ in the source tree.
  std::string here = __FILE__;
  for (int up = 0; up < 3; ++up) {
    auto slash = here.find_last_of('/');
    if (slash == std::string::npos) return ".";
    here.erase(slash);
  }
  return here;
}

std::map<std::string, std::string> englishStrings() {
  return readSimpleStringsFile(sourceDirectory() + "/resources/en.lproj/Localizable.strings");
}

}  // namespace strandel::test
