#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ports/bundle.h"
#include "ports/login_items.h"
#include "ports/system_log.h"
#include "ports/user_defaults.h"

// Small in-memory stand-ins for the platform services whose real Linux versions touch the
// file system or the system log. Each records what the program did to it.
namespace strandel::test {

// User defaults kept in a map; `writes` lists every key written, in order.
class MemoryUserDefaults final : public UserDefaults {
 public:
  std::optional<DefaultsValue> objectForKey(const std::string& key) override;
  void setInteger(int64_t value, const std::string& key) override;

  // The test's side: seed or inspect values without counting as a write.
  void set(const std::string& key, DefaultsValue value) { values_[key] = std::move(value); }
  std::optional<DefaultsValue> value(const std::string& key) const;

  std::vector<std::string> writes;
  // Told of each write as it happens, so a test can see what else existed at that moment.
  std::function<void(const std::string& key)> onWrite;

 private:
  std::map<std::string, DefaultsValue> values_;
};

// Keeps every line the program logs.
class RecordingSystemLog final : public SystemLog {
 public:
  void log(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

// A login-item service whose status and failures the test controls. A successful register
// makes the status `statusAfterRegister` (enabled unless set), a successful unregister
// makes it notRegistered; a queued failure is used up by the next call of either kind.
class FakeLoginItems final : public LoginItemService {
 public:
  enum class Call { registerService, unregisterService, openSystemSettingsLoginItems };

  LoginItemStatus status() override { return current; }
  std::optional<PlatformError> registerService() override;
  std::optional<PlatformError> unregisterService() override;
  void openSystemSettingsLoginItems() override {
    calls.push_back(Call::openSystemSettingsLoginItems);
  }

  LoginItemStatus current = LoginItemStatus::notRegistered;
  LoginItemStatus statusAfterRegister = LoginItemStatus::enabled;
  std::optional<PlatformError> nextFailure;
  std::vector<Call> calls;
};

// A bundle answering from a key-value table, with the platform's rule for missing keys.
class MapBundle final : public Bundle {
 public:
  MapBundle() = default;
  explicit MapBundle(std::map<std::string, std::string> table) : strings(std::move(table)) {}

  std::optional<InfoValue> infoDictionaryValue(const std::string& key) override;
  std::string localizedString(const std::string& key, const std::string& value) override;

  std::map<std::string, std::string> strings;
  std::map<std::string, InfoValue> info;
};

// The project's English string table, read from the source tree; empty when it does not read.
std::map<std::string, std::string> englishStrings();

}  // namespace strandel::test
