#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "ports/user_defaults.h"

namespace strandel::sim {

// Settings nested deeper than this are no settings the program could have written: the file
// is treated as corrupt. The bound also keeps every later step of reading and writing from
// recursing without end.
inline constexpr size_t kMaxSettingsDepth = 64;

// One value of the settings file: what it means, and its JSON text exactly as read (without
// the white space between tokens), which is what is written back.
struct StoredSetting {
  DefaultsValue value;
  std::string text;
};
using StoredSettings = std::map<std::string, StoredSetting>;

// The members of the one JSON object `contents` holds, a later duplicate key winning as
// when the file is read anywhere else; or why the contents are no settings ("did not hold
// one JSON object", "nested values deeper than 64 levels"). Linear in the size of
// `contents`.
std::variant<StoredSettings, std::string> readSettings(std::string_view contents);

// The JSON text of `value` as the program writes it.
std::string settingText(const DefaultsValue& value);

// The file's contents for `settings`: one member a line, or all on one line when that is
// what keeps the file within `limit` bytes. Nothing when even that is larger.
std::optional<std::string> settingsFileText(const StoredSettings& settings, size_t limit);

}  // namespace strandel::sim
