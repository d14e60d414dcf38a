#include "support/fakes.h"

#include <utility>

#include "adapters/sim/services/atomic_file.h"
#include "adapters/sim/services/strings_file.h"

namespace strandel::test {

std::optional<DefaultsValue> MemoryUserDefaults::objectForKey(const std::string& key) {
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

std::map<std::string, std::string> englishStrings() {
  auto bytes = sim::readWholeFile(STRANDEL_SOURCE_DIR "/resources/en.lproj/Localizable.strings");
  if (!bytes) return {};
  return sim::parseStringsFile(*bytes).value_or(std::map<std::string, std::string>{});
}

}  // namespace strandel::test
