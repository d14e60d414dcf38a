// The string tables of every language: each one reads, has a text for every key the program
// looks up and no other, and each text takes exactly the arguments the program passes for
// its key. A format text that read a different kind or number of arguments would show
// garbage, or worse, on a Mac, where the platform's formatter trusts the text.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "strings_file.h"

namespace strandel::localization {
namespace {

namespace fs = std::filesystem;
using K = ArgumentKind;

// Every key the program looks up, with the arguments it formats the text with ("%lld" counts
// are 64-bit, "%@" texts); keys shown as they stand take none.
const std::map<std::string, std::vector<ArgumentKind>>& expectedKeys() {
  static const std::map<std::string, std::vector<ArgumentKind>> keys = {
      {"item.unknown", {}},
      {"list.scanning", {}},
      {"list.empty", {}},
      {"list.occludedHeader", {K::int64}},
      {"list.visibleHeader", {K::int64}},
      {"permission.required", {}},
      {"permission.openSettings", {}},
      {"menu.launchAtLogin", {}},
      {"menu.checkForUpdates", {}},
      {"menu.donate", {}},
      {"menu.quit", {}},
      {"statusItem.tooltip", {}},
      {"update.newVersionTitle", {K::text}},
      {"update.newVersionMessage", {K::text, K::text}},
      {"update.downloadButton", {}},
      {"update.laterButton", {}},
      {"update.latestTitle", {}},
      {"update.latestMessage", {K::text}},
      {"update.checkFailedTitle", {}},
      {"update.checkFailedMessage", {}},
      {"update.okButton", {}},
  };
  return keys;
}

const std::vector<std::string>& languages() {
  static const std::vector<std::string> list = {"en", "ko", "ja", "zh-Hans"};
  return list;
}

fs::path sourceDir() {
  return fs::path(STRANDEL_SOURCE_DIR);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

StringsFile tableOf(const std::string& language) {
  return parseStrings(
      readFile(sourceDir() / "resources" / (language + ".lproj") / "Localizable.strings"));
}

TEST(LocalizationTest, EveryLanguageHasItsTableAndNoOtherTableIsShipped) {
  std::set<std::string> found;
  for (const auto& entry : fs::directory_iterator(sourceDir() / "resources")) {
    if (entry.path().extension() == ".lproj") found.insert(entry.path().stem().string());
  }
  EXPECT_EQ(found, std::set<std::string>(languages().begin(), languages().end()));
}

TEST(LocalizationTest, EveryTableReadsAndHoldsExactlyTheProgramsKeys) {
  for (const auto& language : languages()) {
    SCOPED_TRACE(language);
    StringsFile table = tableOf(language);
    ASSERT_FALSE(table.error.has_value()) << *table.error;
    std::map<std::string, int> seen;
    for (const auto& entry : table.entries) {
      auto [it, inserted] = seen.emplace(entry.key, entry.line);
      EXPECT_TRUE(inserted) << '"' << entry.key << "\" appears on lines " << it->second << " and "
                            << entry.line;
      EXPECT_TRUE(expectedKeys().count(entry.key))
          << '"' << entry.key << "\" (line " << entry.line << ") is no key of the program";
      EXPECT_FALSE(entry.value.empty()) << '"' << entry.key << "\" has an empty text";
    }
    for (const auto& [key, kinds] : expectedKeys()) {
      EXPECT_TRUE(seen.count(key)) << '"' << key << "\" has no text";
    }
  }
}

TEST(LocalizationTest, EveryTextTakesTheArgumentsItsKeyIsGiven) {
  for (const auto& language : languages()) {
    StringsFile table = tableOf(language);
    ASSERT_FALSE(table.error.has_value()) << language << ": " << *table.error;
    for (const auto& entry : table.entries) {
      auto expected = expectedKeys().find(entry.key);
      if (expected == expectedKeys().end()) continue;
      SCOPED_TRACE(language + ": \"" + entry.key + "\" = \"" + entry.value + "\"");
      if (expected->second.empty()) {
        // Shown as it stands, never formatted: even "%%" would show both signs.
        EXPECT_EQ(entry.value.find('%'), std::string::npos);
        continue;
      }
      auto [kinds, why] = argumentKinds(entry.value);
      ASSERT_TRUE(kinds.has_value()) << why;
      EXPECT_EQ(*kinds, expected->second);
    }
  }
}

TEST(LocalizationTest, TranslationsAreTranslated) {
  // A text copied from English unchanged is most likely an oversight; only these may stay.
  const std::set<std::string> sameEverywhere = {"update.okButton"};
  std::map<std::string, std::string> english;
  for (const auto& entry : tableOf("en").entries) english[entry.key] = entry.value;
  for (const auto& language : languages()) {
    if (language == "en") continue;
    for (const auto& entry : tableOf(language).entries) {
      if (sameEverywhere.count(entry.key)) continue;
      EXPECT_NE(entry.value, english[entry.key]) << language << ": \"" << entry.key << '"';
    }
  }
}

// The program's sources name their keys as L("key"); each such key must be one of the table's,
// and each of the table's keys must be looked up somewhere, so a renamed key in either place
// shows here rather than as a raw key on screen.
TEST(LocalizationTest, TheProgramLooksUpExactlyTheTablesKeys) {
  const std::regex lookup(R"(\bL\(\s*"([^"]+)\"\s*\))");
  std::set<std::string> used;
  for (const char* folder : {"app", "menu", "scanner", "update"}) {
    const fs::path dir = sourceDir() / "src" / folder;
    if (!fs::exists(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const auto ext = entry.path().extension();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string text = readFile(entry.path());
      for (std::sregex_iterator it(text.begin(), text.end(), lookup), end; it != end; ++it) {
        used.insert((*it)[1].str());
      }
    }
  }
  std::set<std::string> known;
  for (const auto& [key, kinds] : expectedKeys()) known.insert(key);
  for (const auto& key : used) {
    EXPECT_TRUE(known.count(key)) << "the program looks up \"" << key << "\", which no table has";
  }
  for (const auto& key : known) {
    EXPECT_TRUE(used.count(key)) << '"' << key << "\" is in the tables but never looked up";
  }
}

}  // namespace
}  // namespace strandel::localization
