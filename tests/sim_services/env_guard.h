#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace strandel::sim::test {

// Sets or clears environment variables for a scope, then puts the old values back.
class EnvGuard {
 public:
  ~EnvGuard() {
    for (const auto& [name, value] : saved_) put(name, value);
  }
  void set(const std::string& name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name.c_str());
    if (!saved_.count(name)) saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    put(name, value);
  }

 private:
  static void put(const std::string& name, const std::optional<std::string>& value) {
    value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
  }

  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace strandel::sim::test
