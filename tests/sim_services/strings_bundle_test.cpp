#include "adapters/sim/services/strings_bundle.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "adapters/sim/services/strings_file.h"
#include "sim_services/env_guard.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

using Table = std::map<std::string, std::string>;

struct ParseCase {
  const char* name;
  std::string bytes;
  std::optional<Table> expected;
};

TEST(StringsFileTest, ParsesTheFormatAndRefusesBrokenFiles) {
  const ParseCase cases[] = {
      {"plain pair", R"("a" = "b";)", Table{{"a", "b"}}},
      {"comments and blank lines",
       "/* block\n comment */\n\"a\" = \"1\"; // line comment\n// another\n\"b\"=\"2\";\n",
       Table{{"a", "1"}, {"b", "2"}}},
      {"comment between tokens", R"("a" /* x */ = /* y */ "b" /* z */ ;)", Table{{"a", "b"}}},
      {"escapes", R"("k" = "q\" b\\ n\n t\t r\r";)", Table{{"k", "q\" b\\ n\n t\t r\r"}}},
      {"unicode escapes", R"("k" = "\U00e9\u20AC\U41";)", Table{{"k", "é€A"}}},
      {"surrogate pair", R"("k" = "\UD83D\UDE00";)", Table{{"k", "😀"}}},
      {"lone surrogate", R"("k" = "\UD83Dx";)", Table{{"k", "\xEF\xBF\xBDx"}}},
      {"octal escape", R"("k" = "\101\60";)", Table{{"k", "A0"}}},
      {"other escapes stand for themselves", R"("k" = "\'\?";)", Table{{"k", "'?"}}},
      {"raw UTF-8", "\"list.occludedHeader\" = \"숨김 (%lld)\";",
       Table{{"list.occludedHeader", "숨김 (%lld)"}}},
      {"bare words", "key.name = value_1;", Table{{"key.name", "value_1"}}},
      {"key only", R"("same";)", Table{{"same", "same"}}},
      {"later entry wins", R"("a" = "1"; "a" = "2";)", Table{{"a", "2"}}},
      {"braces", "{ \"a\" = \"b\"; }\n", Table{{"a", "b"}}},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF\"a\" = \"b\";", Table{{"a", "b"}}},
      {"UTF-16LE", std::string("\xFF\xFE\"\0a\0\"\0=\0\"\0\xE9\0\"\0;\0", 18), Table{{"a", "é"}}},
      {"UTF-16BE", std::string("\xFE\xFF\0\"\0a\0\"\0=\0\"\0b\0\"\0;", 18), Table{{"a", "b"}}},
      {"empty file", "", Table{}},
      {"only comments", "/* nothing */ // here", Table{}},
      // Broken files give nothing at all.
      {"missing semicolon", R"("a" = "b")", std::nullopt},
      {"missing value", R"("a" = ;)", std::nullopt},
      {"unterminated string", R"("a" = "b;)", std::nullopt},
      {"unterminated comment", R"("a" = "b"; /* open)", std::nullopt},
      {"stray text", R"("a" = "b"; ???)", std::nullopt},
      {"backslash at end", "\"a\" = \"b\\", std::nullopt},
      {"escape without digits", R"("a" = "\Uzz";)", std::nullopt},
      {"invalid UTF-8", "\"a\" = \"\xC3\x28\";", std::nullopt},
      {"overlong UTF-8", "\"a\" = \"\xC0\xAF\";", std::nullopt},
      {"NUL byte", std::string("\"a\" = \"\0\";", 9), std::nullopt},
      {"odd UTF-16 length", std::string("\xFF\xFE\"\0a", 5), std::nullopt},
      {"unpaired UTF-16 surrogate", std::string("\xFF\xFE\x3D\xD8\"\0", 6), std::nullopt},
      {"unclosed brace", "{ \"a\" = \"b\";", std::nullopt},
      {"a property list, not a table", "<?xml version=\"1.0\"?><plist/>", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parseStringsFile(c.bytes), c.expected);
  }
}

TEST(StringsFileTest, TheShippedEnglishTableParses) {
  auto bytes = test::readFile(std::filesystem::path(STRANDEL_SOURCE_DIR) / "resources" /
                              "en.lproj" / "Localizable.strings");
  auto table = parseStringsFile(bytes);
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(table->at("list.occludedHeader"), "HIDDEN (%lld)");
}

TEST(StringsBundleTest, MatchesLocaleNamesToTheAvailableTables) {
  const std::vector<std::string> available = {"en",    "ja",      "ko",     "pt",
                                              "pt-BR", "zh-Hans", "zh-Hant"};
  struct Case {
    std::vector<std::string> preferred;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {{"ko_KR.UTF-8"}, "ko"},
      {{"ja"}, "ja"},
      {{"zh_CN"}, "zh-Hans"},
      {{"zh_CN.GB18030"}, "zh-Hans"},
      {{"zh_TW.UTF-8"}, "zh-Hant"},
      {{"zh_HK"}, "zh-Hant"},
      {{"zh-Hant"}, "zh-Hant"},
      {{"zh"}, "zh-Hans"},
      {{"pt_BR.UTF-8"}, "pt-BR"},
      {{"pt_PT"}, "pt"},
      {{"de_DE.UTF-8@euro"}, std::nullopt},
      {{"fr_FR", "ko"}, "ko"},  // the first preferred language that has a table
      {{"C", "POSIX"}, std::nullopt},
      {{""}, std::nullopt},
      {{"en_GB"}, "en"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preferred.front());
    EXPECT_EQ(matchLanguage(c.preferred, available), c.expected);
  }
}

TEST(StringsBundleTest, ReadsPreferencesFromTheEnvironmentInTheCLibrarysOrder) {
  struct Case {
    const char* name;
    std::optional<std::string> language, all, messages, lang;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"LANG only", std::nullopt, std::nullopt, std::nullopt, "ko_KR.UTF-8", {"ko_KR.UTF-8"}},
      {"LC_ALL overrides", std::nullopt, "ja_JP", "de", "ko", {"ja_JP"}},
      {"LC_MESSAGES before LANG", std::nullopt, "", "de_DE", "ko", {"de_DE"}},
      {"LANGUAGE list first", "fr:zh_TW", std::nullopt, std::nullopt, "ko", {"fr", "zh_TW", "ko"}},
      {"C locale names no language", std::nullopt, std::nullopt, std::nullopt, "C.UTF-8", {}},
      {"nothing set", std::nullopt, std::nullopt, std::nullopt, std::nullopt, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::EnvGuard env;
    env.set("LANGUAGE", c.language);
    env.set("LC_ALL", c.all);
    env.set("LC_MESSAGES", c.messages);
    env.set("LANG", c.lang);
    EXPECT_EQ(preferredLanguagesFromEnvironment(), c.expected);
  }
}

class StringsBundleFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    test::writeFile(dir.path() / "en.lproj" / "Localizable.strings",
                    R"("greeting" = "Hello"; "only.english" = "English only";)");
    test::writeFile(dir.path() / "ko.lproj" / "Localizable.strings", R"("greeting" = "안녕";)");
    test::writeFile(dir.path() / "ja.lproj" / "Localizable.strings", R"("greeting" = "broken)");
  }
  test::TempDir dir;
};

TEST_F(StringsBundleFiles, LooksUpTheChosenLanguageThenEnglishThenTheValueOrKey) {
  StringsBundle bundle(dir.path(), "1.2.3", {"ko_KR.UTF-8"});
  EXPECT_EQ(bundle.language(), "ko");
  EXPECT_EQ(bundle.localizedString("greeting", ""), "안녕");
  EXPECT_EQ(bundle.localizedString("only.english", ""), "English only");
  EXPECT_EQ(bundle.localizedString("missing.key", ""), "missing.key");
  EXPECT_EQ(bundle.localizedString("missing.key", "Fallback"), "Fallback");
}

TEST_F(StringsBundleFiles, BrokenTableIsIgnoredInFavourOfEnglish) {
  StringsBundle bundle(dir.path(), "1.2.3", {"ja_JP"});
  EXPECT_EQ(bundle.language(), "ja");
  EXPECT_EQ(bundle.localizedString("greeting", ""), "Hello");
}

TEST_F(StringsBundleFiles, UnknownLanguageAndMissingDirectoryFallBack) {
  StringsBundle french(dir.path(), "1.2.3", {"fr_FR"});
  EXPECT_EQ(french.language(), "en");
  EXPECT_EQ(french.localizedString("greeting", ""), "Hello");

  StringsBundle nowhere(dir.path() / "missing", "1.2.3", {"ko"});
  EXPECT_EQ(nowhere.localizedString("greeting", ""), "greeting");
}

TEST_F(StringsBundleFiles, InfoDictionaryHoldsOnlyTheVersion) {
  StringsBundle bundle(dir.path(), "1.2.3", {});
  EXPECT_EQ(bundle.infoDictionaryValue("CFBundleShortVersionString"),
            InfoValue{std::string("1.2.3")});
  EXPECT_FALSE(bundle.infoDictionaryValue("CFBundleVersion").has_value());
  StringsBundle unversioned(dir.path(), "", {});
  EXPECT_FALSE(unversioned.infoDictionaryValue("CFBundleShortVersionString").has_value());
}

TEST(StringsBundleTest, BuildsBundleHasTheBuildsVersionAndEnglishTexts) {
  test::EnvGuard env;
  env.set("LANGUAGE", std::nullopt);
  env.set("LC_ALL", "C");
  auto bundle = makeStringsBundle();
  auto version = bundle->infoDictionaryValue("CFBundleShortVersionString");
  ASSERT_TRUE(version.has_value());
  EXPECT_FALSE(std::get<std::string>(*version).empty());
  EXPECT_EQ(bundle->localizedString("menu.quit", ""), "Quit Strandel");
}

}  // namespace
}  // namespace strandel::sim
