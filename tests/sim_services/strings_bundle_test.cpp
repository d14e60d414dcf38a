#include "adapters/sim/services/strings_bundle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapters/sim/services/strings_file.h"
#include "sim_services/env_guard.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

using Table = std::map<std::string, std::string>;
using Strings = std::vector<std::string>;

TEST(StringsFileTest, ParsesTheFormatAndRefusesBrokenFiles) {
  const std::pair<std::string, std::optional<Table>> cases[] = {
      {"/* block\n */\n\"a\" /* x */ = \"1\"; // line\n\"b\"=\"2\";\n",
       Table{{"a", "1"}, {"b", "2"}}},
      {R"("k" = "q\" b\\ n\n t\t\'\?";)", Table{{"k", "q\" b\\ n\n t\t'?"}}},
      {R"("k" = "\U00e9\u20AC\UD83D\UDE00\101";)", Table{{"k", "é€😀A"}}},
      {R"("k" = "\UD83Dx";)", Table{{"k", "\xEF\xBF\xBDx"}}},  // a lone surrogate
      {"\"list.occludedHeader\" = \"숨김 (%lld)\";", Table{{"list.occludedHeader", "숨김 (%lld)"}}},
      {"key.name = value_1; \"same\";", Table{{"key.name", "value_1"}, {"same", "same"}}},
      {R"({ "a" = "1"; "a" = "2"; })", Table{{"a", "2"}}},  // the later entry wins
      {"\xEF\xBB\xBF\"a\" = \"b\";", Table{{"a", "b"}}},
      {std::string("\xFF\xFE\"\0a\0\"\0=\0\"\0\xE9\0\"\0;\0", 18), Table{{"a", "é"}}},
      {std::string("\xFE\xFF\0\"\0a\0\"\0=\0\"\0b\0\"\0;", 18), Table{{"a", "b"}}},
      {"/* nothing */", Table{}},
  };
  for (const auto& [bytes, expected] : cases) {
    SCOPED_TRACE(bytes);
    EXPECT_EQ(parseStringsFile(bytes), expected);
  }
  // Broken files give nothing at all: cut short, stray text, bad escapes, invalid UTF-8 (and
  // overlong forms), a NUL byte, UTF-16 of odd length or with an unpaired surrogate.
  const std::string broken[] = {
      R"("a" = "b")",
      R"("a" = ;)",
      R"("a" = "b;)",
      R"("a" = "b"; /* open)",
      R"("a" = "b"; ???)",
      "\"a\" = \"b\\",
      R"("a" = "\Uzz";)",
      "\"a\" = \"\xC3\x28\";",
      "\"a\" = \"\xC0\xAF\";",
      "{ \"a\" = \"b\";",
      std::string("\"a\" = \"\0\";", 9),
      std::string("\xFF\xFE\"\0a", 5),
      std::string("\xFF\xFE\x3D\xD8\"\0", 6),
  };
  for (const auto& bytes : broken) {
    SCOPED_TRACE(bytes);
    EXPECT_EQ(parseStringsFile(bytes), std::nullopt);
  }
}

TEST(StringsBundleTest, MatchesLocaleNamesToTheAvailableTables) {
  const Strings available = {"en", "ja", "ko", "pt", "pt-BR", "zh-Hans", "zh-Hant"};
  const std::pair<Strings, std::optional<std::string>> cases[] = {
      {{"ko_KR.UTF-8"}, "ko"}, {{"zh_CN.GB18030"}, "zh-Hans"},
      {{"zh_HK"}, "zh-Hant"},  {{"pt_BR.UTF-8"}, "pt-BR"},
      {{"pt_PT"}, "pt"},       {{"de_DE.UTF-8@euro"}, std::nullopt},
      {{"fr_FR", "ko"}, "ko"}, {{"C", "POSIX", ""}, std::nullopt},
  };
  for (const auto& [preferred, expected] : cases) {
    SCOPED_TRACE(preferred.front());
    EXPECT_EQ(matchLanguage(preferred, available), expected);
  }
}

TEST(StringsBundleTest, ReadsPreferencesFromTheEnvironmentInTheCLibrarysOrder) {
  struct Case {
    std::optional<std::string> language, all, messages, lang;
    Strings expected;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, std::nullopt, "ko_KR.UTF-8", {"ko_KR.UTF-8"}},
      {std::nullopt, "ja_JP", "de", "ko", {"ja_JP"}},
      {std::nullopt, "", "de_DE", "ko", {"de_DE"}},  // empty means unset
      {"fr:zh_TW", std::nullopt, std::nullopt, "ko", {"fr", "zh_TW", "ko"}},
      {std::nullopt, std::nullopt, std::nullopt, "C.UTF-8", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lang.value_or("no LANG"));
    test::EnvGuard env;
    env.set("LANGUAGE", c.language);
    env.set("LC_ALL", c.all);
    env.set("LC_MESSAGES", c.messages);
    env.set("LANG", c.lang);
    EXPECT_EQ(preferredLanguagesFromEnvironment(), c.expected);
  }
}

TEST(StringsBundleTest, LooksUpTheChosenLanguageThenEnglishThenTheValueOrKey) {
  test::TempDir dir;
  test::writeFile(dir.path() / "en.lproj" / "Localizable.strings",
                  R"("greeting" = "Hello"; "only.english" = "English only";)");
  test::writeFile(dir.path() / "ko.lproj" / "Localizable.strings", R"("greeting" = "안녕";)");
  test::writeFile(dir.path() / "ja.lproj" / "Localizable.strings", R"("greeting" = "broken)");
  StringsBundle korean(dir.path(), "1.2.3", {"ko_KR.UTF-8"});
  EXPECT_EQ(korean.language(), "ko");
  EXPECT_EQ(korean.localizedString("greeting", ""), "안녕");
  EXPECT_EQ(korean.localizedString("only.english", ""), "English only");
  EXPECT_EQ(korean.localizedString("missing.key", ""), "missing.key");
  EXPECT_EQ(korean.localizedString("missing.key", "Fallback"), "Fallback");
  // A broken table is ignored in favour of English, and said so, as is a language without one.
  const std::string broken = (dir.path() / "ja.lproj" / "Localizable.strings").string();
  const std::pair<const char*, Strings> others[] = {
      {"ja_JP",
       {"Strandel: the string table " + broken +
        " does not follow the format of string tables; it is not used"}},
      {"fr_FR", {}}};
  for (const auto& [other, expected] : others) {
    Strings told;
    StringsBundle bundle(dir.path(), "", {other},
                         [&](const std::string& line) { told.push_back(line); });
    EXPECT_EQ(bundle.localizedString("greeting", ""), "Hello");
    EXPECT_EQ(told, expected);
  }
  StringsBundle nowhere(dir.path() / "missing", "", {"ko"});
  EXPECT_EQ(nowhere.localizedString("greeting", ""), "greeting");
}

TEST(StringsBundleTest, BuildsBundleHasTheBuildsVersionAndTheShippedEnglishTexts) {
  test::EnvGuard env;
  env.set("LANGUAGE", std::nullopt);
  env.set("LC_ALL", "C");
  auto bundle = makeStringsBundle();
  auto version = bundle->infoDictionaryValue("CFBundleShortVersionString");
  ASSERT_TRUE(version.has_value());
  EXPECT_FALSE(std::get<std::string>(*version).empty());
  EXPECT_EQ(bundle->localizedString("menu.quit", ""), "Quit Strandel");
  EXPECT_EQ(bundle->localizedString("list.occludedHeader", ""), "HIDDEN (%lld)");
}

}  // namespace
}  // namespace strandel::sim
