#pragma once

#include <optional>
#include <string>
#include <variant>

namespace strandel {

// The value of an information-dictionary entry; `std::monostate` for a value that is not
// text (a number, a dictionary).
using InfoValue = std::variant<std::monostate, std::string>;

class Bundle {
 public:
  virtual ~Bundle() = default;
  // Entry of the main bundle's information dictionary; none when the dictionary or the
  // entry is missing.
  virtual std::optional<InfoValue> infoDictionaryValue(const std::string& key) = 0;
  // localizedStringForKey:value:table:nil; when the table lacks the key, `value` if it is
  // not empty, else the key itself.
  virtual std::string localizedString(const std::string& key, const std::string& value) = 0;
};

}  // namespace strandel
