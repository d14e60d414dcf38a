#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/bundle.h"

namespace strandel::sim {

// The application bundle's resources: the `<language>.lproj/Localizable.strings` tables under
// a resources directory, and an information dictionary holding the program's version.
//
// The table is that of the first preferred language with an `.lproj` of its own; a key it
// lacks is looked up in English; a key neither has gives `value` when that is not empty,
// else the key. A table that cannot be read (not a regular file, too large, no permission) or
// does not follow the format is not used, and `report` is told so in one line.
class StringsBundle : public Bundle {
 public:
  using Report = std::function<void(const std::string& line)>;

  StringsBundle(std::filesystem::path resourcesDirectory, std::string version,
                std::vector<std::string> preferredLanguages, Report report = nullptr);

  std::optional<InfoValue> infoDictionaryValue(const std::string& key) override;
  std::string localizedString(const std::string& key, const std::string& value) override;

  // The `.lproj` name whose table is used first ("en" when nothing else matched).
  const std::string& language() const { return language_; }

 private:
  std::string version_;
  std::string language_;
  std::map<std::string, std::string> table_;
  std::map<std::string, std::string> english_;
};

// The user's languages from the environment, most preferred first, as the C library ranks
// them: each entry of LANGUAGE (a colon-separated list), then the first set one of LC_ALL,
// LC_MESSAGES and LANG. "C" and "POSIX" name no language and are left out.
std::vector<std::string> preferredLanguagesFromEnvironment();

// The first of `available` (names of `.lproj` directories) that serves one of the preferred
// locale names ("ko_KR.UTF-8" -> "ko", "zh_CN" -> "zh-Hans", "zh_TW" -> "zh-Hant",
// "pt_BR" -> "pt-BR" or else "pt"); none when none does.
std::optional<std::string> matchLanguage(const std::vector<std::string>& preferred,
                                         const std::vector<std::string>& available);

// The bundle of this build: its resources directory, its version and the user's languages.
std::shared_ptr<StringsBundle> makeStringsBundle();

}  // namespace strandel::sim
