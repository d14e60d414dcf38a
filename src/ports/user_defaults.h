#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace strandel {

// Whatever a key may hold; `Other` stands for kinds the program never writes (data, dates,
// arrays, dictionaries) but must still tell apart from absence.
struct OtherDefaultsValue {
  std::string description;
  bool operator==(const OtherDefaultsValue&) const = default;
};
using DefaultsValue = std::variant<int64_t, double, bool, std::string, OtherDefaultsValue>;

class UserDefaults {
 public:
  virtual ~UserDefaults() = default;
  virtual std::optional<DefaultsValue> objectForKey(const std::string& key) = 0;
  virtual void setInteger(int64_t value, const std::string& key) = 0;
};

}  // namespace strandel
