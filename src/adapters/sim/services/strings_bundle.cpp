#include "adapters/sim/services/strings_bundle.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <system_error>

#include "adapters/sim/services/regular_file.h"
#include "adapters/sim/services/strings_file.h"

namespace strandel::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEnglish = "en";
constexpr const char* kTableFile = "Localizable.strings";
constexpr const char* kVersionKey = "CFBundleShortVersionString";

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool isAlpha(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
  });
}

// "zh_Hant_TW.UTF-8@euro" -> language "zh", script "Hant", region "TW".
struct Locale {
  std::string language;
  std::string script;
  std::string region;
};

std::optional<Locale> parseLocale(std::string name) {
  name = name.substr(0, name.find_first_of(".@"));
  std::replace(name.begin(), name.end(), '-', '_');
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = name.find('_', start);
    parts.push_back(name.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  Locale locale;
  locale.language = lower(parts[0]);
  if (locale.language.size() < 2 || locale.language.size() > 3 || !isAlpha(locale.language)) {
    return std::nullopt;  // "C", "POSIX", or not a language at all
  }
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].size() == 4 && isAlpha(parts[i])) {
      locale.script = upper(parts[i].substr(0, 1)) + lower(parts[i].substr(1));
    } else if (!parts[i].empty() && locale.region.empty()) {
      locale.region = upper(parts[i]);
    }
  }
  return locale;
}

// `.lproj` names that can serve a locale, best first.
std::vector<std::string> candidates(const Locale& locale) {
  if (locale.language == "zh") {
    std::string script = locale.script;
    if (script.empty()) {
      bool traditional = locale.region == "TW" || locale.region == "HK" || locale.region == "MO";
      script = traditional ? "Hant" : "Hans";
    }
    return {"zh-" + script, "zh_" + script, "zh"};
  }
  std::vector<std::string> names;
  if (!locale.script.empty() && !locale.region.empty()) {
    names.push_back(locale.language + "-" + locale.script + "-" + locale.region);
  }
  if (!locale.script.empty()) names.push_back(locale.language + "-" + locale.script);
  if (!locale.region.empty()) {
    names.push_back(locale.language + "-" + locale.region);
    names.push_back(locale.language + "_" + locale.region);
  }
  names.push_back(locale.language);
  return names;
}

std::vector<std::string> availableLanguages(const fs::path& resources) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(resources, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".lproj") names.push_back(it->path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> loadTable(const fs::path& resources, const std::string& language,
                                             const StringsBundle::Report& report) {
  fs::path file = resources / (language + ".lproj") / kTableFile;
  ReadFailure failure;
  auto bytes = readWholeFile(file, &failure);
  if (!bytes && failure.missing()) return {};
  auto table = bytes ? parseStringsFile(*bytes) : std::nullopt;
  if (table) return std::move(*table);
  if (report) {
    report("Strandel: the string table " + file.string() +
           (bytes ? " does not follow the format of string tables"
                  : " cannot be read (" + failure.describe() + ")") +
           "; it is not used");
  }
  return {};
}

}  // namespace

std::optional<std::string> matchLanguage(const std::vector<std::string>& preferred,
                                         const std::vector<std::string>& available) {
  for (const auto& name : preferred) {
    auto locale = parseLocale(name);
    if (!locale) continue;
    for (const auto& candidate : candidates(*locale)) {
      auto found = std::find_if(available.begin(), available.end(),
                                [&](const std::string& a) { return lower(a) == lower(candidate); });
      if (found != available.end()) return *found;
    }
  }
  return std::nullopt;
}

std::vector<std::string> preferredLanguagesFromEnvironment() {
  std::vector<std::string> languages;
  auto add = [&](const std::string& name) {
    if (!name.empty() && name != "C" && name.rfind("C.", 0) != 0 && name != "POSIX") {
      languages.push_back(name);
    }
  };
  if (const char* list = std::getenv("LANGUAGE")) {
    std::string text = list;
    size_t start = 0;
    for (;;) {
      size_t end = text.find(':', start);
      add(text.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      add(value);
      break;
    }
  }
  return languages;
}

StringsBundle::StringsBundle(fs::path resourcesDirectory, std::string version,
                             std::vector<std::string> preferredLanguages, Report report)
    : version_(std::move(version)) {
  auto available = availableLanguages(resourcesDirectory);
  language_ = matchLanguage(preferredLanguages, available).value_or(kEnglish);
  table_ = loadTable(resourcesDirectory, language_, report);
  if (language_ != kEnglish) english_ = loadTable(resourcesDirectory, kEnglish, report);
}

std::optional<InfoValue> StringsBundle::infoDictionaryValue(const std::string& key) {
  if (key == kVersionKey && !version_.empty()) return InfoValue{version_};
  return std::nullopt;
}

std::string StringsBundle::localizedString(const std::string& key, const std::string& value) {
  if (auto found = table_.find(key); found != table_.end()) return found->second;
  if (auto found = english_.find(key); found != english_.end()) return found->second;
  return value.empty() ? key : value;
}

std::shared_ptr<StringsBundle> makeStringsBundle() {
  return std::make_shared<StringsBundle>(STRANDEL_RESOURCES_DIR, STRANDEL_VERSION,
                                         preferredLanguagesFromEnvironment());
}

}  // namespace strandel::sim
