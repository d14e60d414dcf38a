// The string tables of every language: each one reads, has a text for every key the program
// looks up and no other, and each text takes exactly the arguments the program passes for
// its key. A format text that read a different kind or number of arguments would show
// garbage, or worse, on a Mac, where the platform's formatter trusts the text.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "adapters/sim/services/strings_file.h"
#include "support/temp_dir.h"

namespace strandel::localization {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string>& languages() {
  static const std::vector<std::string> list = {"en", "ko", "ja", "zh-Hans"};
  return list;
}

fs::path sourceDir() {
  return fs::path(STRANDEL_SOURCE_DIR);
}

std::string tableText(const std::string& language) {
  return sim::test::readFile(sourceDir() / "resources" / (language + ".lproj") /
                             "Localizable.strings");
}

using Table = std::map<std::string, std::string>;

Table tableOf(const std::string& language) {
  return sim::parseStringsFile(tableText(language)).value_or(Table{});
}

// The keys whose texts the program formats, with the arguments it passes in order: 'd' a
// 64-bit count, '@' a text; every other key's text is shown as it stands.
const std::map<std::string, std::string> kFormatted = {
    {"list.occludedHeader", "d"},       {"list.visibleHeader", "d"},
    {"shortcut.unavailable", "@"},      {"update.newVersionTitle", "@"},
    {"update.newVersionMessage", "@@"}, {"update.latestMessage", "@"},
    {"shortcut.usedBySystem", "@"},     {"shortcut.refused", "@"},
    {"ownItem.shortcutOffer", "@"},     {"ownItem.useShortcut", "@"},
};

// Every key the program looks up: English's, checked against the sources' lookups below.
const std::map<std::string, std::string>& expectedKeys() {
  static const auto keys = [] {
    std::map<std::string, std::string> all;
    for (const auto& [key, text] : tableOf("en")) {
      all[key] = kFormatted.count(key) ? kFormatted.at(key) : "";
    }
    return all;
  }();
  return keys;
}

// The arguments a text reads, as in kFormatted. A Mac's formatter trusts the text, so the
// tables hold only "%@" and "%lld", either also as "%N$@" or "%N$lld"; any other '%', a mix
// of the two forms, a position read as two kinds or one never read gives nothing.
std::optional<std::string> argumentsOf(const std::string& text) {
  static const std::regex directive(R"(%(?:([1-9])\$)?(@|lld))");
  std::string kinds;
  int positional = 0, sequential = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), directive), end; it != end; ++it) {
    const bool numbered = (*it)[1].matched;
    const size_t slot = numbered ? std::stoul((*it)[1].str()) - 1 : sequential;
    ++(numbered ? positional : sequential);
    const char kind = (*it)[2].str() == "@" ? '@' : 'd';
    if (kinds.size() <= slot) kinds.resize(slot + 1, ' ');
    if (kinds[slot] != ' ' && kinds[slot] != kind) return std::nullopt;
    kinds[slot] = kind;
  }
  const auto percents = std::count(text.begin(), text.end(), '%');
  if (percents != positional + sequential || (positional && sequential) ||
      kinds.find(' ') != std::string::npos) {
    return std::nullopt;
  }
  return kinds;
}

// How often `"key" =` starts an entry; the reader lets a later entry win, so a key written
// twice (an old text left above its replacement) would go unnoticed otherwise.
int entriesFor(const std::string& text, const std::string& key) {
  int count = 0;
  const std::string quoted = '"' + key + '"';
  for (size_t at = text.find(quoted); at != std::string::npos; at = text.find(quoted, at + 1)) {
    size_t next = text.find_first_not_of(" \t\r\n", at + quoted.size());
    if (next != std::string::npos && text[next] == '=') ++count;
  }
  return count;
}

TEST(LocalizationTest, EveryLanguageHasATableThatReadsAndHoldsExactlyTheProgramsKeys) {
  std::set<std::string> found;
  for (const auto& entry : fs::directory_iterator(sourceDir() / "resources")) {
    if (entry.path().extension() == ".lproj") found.insert(entry.path().stem().string());
  }
  EXPECT_EQ(found, std::set<std::string>(languages().begin(), languages().end()));
  for (const auto& language : languages()) {
    SCOPED_TRACE(language);
    const std::string text = tableText(language);
    auto table = sim::parseStringsFile(text);
    ASSERT_TRUE(table.has_value()) << "the table does not read";
    for (const auto& [key, value] : *table) {
      EXPECT_TRUE(expectedKeys().count(key)) << '"' << key << "\" is no key of the program";
      EXPECT_FALSE(value.empty()) << '"' << key << "\" has an empty text";
      EXPECT_LE(entriesFor(text, key), 1) << '"' << key << "\" has more than one entry";
    }
    for (const auto& [key, kinds] : expectedKeys()) {
      EXPECT_TRUE(table->count(key)) << '"' << key << "\" has no text";
    }
  }
  for (const auto& [key, kinds] : kFormatted) EXPECT_TRUE(expectedKeys().count(key)) << key;
}

// Every text takes the arguments its key is given, and a text copied from English unchanged
// is most likely an oversight: only these may stay.
TEST(LocalizationTest, EveryTextTakesItsKeysArgumentsAndIsTranslated) {
  const std::set<std::string> sameEverywhere = {"update.okButton"};
  const Table english = tableOf("en");
  for (const auto& language : languages()) {
    for (const auto& [key, value] : tableOf(language)) {
      auto expected = expectedKeys().find(key);
      if (expected == expectedKeys().end()) continue;
      SCOPED_TRACE(language + ": \"" + key + "\" = \"" + value + "\"");
      if (language != "en" && !sameEverywhere.count(key) && english.count(key)) {
        EXPECT_NE(value, english.at(key));
      }
      // A text shown as it stands has no '%' at all: even "%%" would show both signs.
      EXPECT_EQ(argumentsOf(value), expected->second);
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
      const std::string text = sim::test::readFile(entry.path());
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
