// The table reader and the directive scanner that the localisation checks stand on: a
// reader that accepted too much or a scanner that missed a directive would let a broken
// table through.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strings_file.h"

namespace strandel::localization {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairsOf(const StringsFile& file) {
  Pairs pairs;
  for (const auto& entry : file.entries) pairs.emplace_back(entry.key, entry.value);
  return pairs;
}

TEST(StringsFileTest, ReadsWellFormedTables) {
  struct Case {
    const char* name;
    std::string text;
    Pairs expected;
  };
  const std::vector<Case> cases = {
      {"empty", "", {}},
      {"only comments", "/* a */ // b\n/* c\n d */", {}},
      {"byte order mark", "\xEF\xBB\xBF\"a\" = \"b\";", {{"a", "b"}}},
      {"spacing and comments between tokens",
       "\"a\"/*x*/=\n// y\n\"b\" ;\n\t\"c\" = \"d\";",
       {{"a", "b"}, {"c", "d"}}},
      {"escapes", R"("k" = "q\" b\\ n\n t\t \U00e9 \u20AC";)", {{"k", "q\" b\\ n\n t\t é €"}}},
      {"surrogate pair", R"("k" = "\UD83D\UDE00";)", {{"k", "😀"}}},
      {"utf-8 passes unchanged", "\"k\" = \"가려진 항목 (%lld)\";", {{"k", "가려진 항목 (%lld)"}}},
      {"bare words", "key.name = value;", {{"key.name", "value"}}},
      {"key alone is its own text", "\"k\";", {{"k", "k"}}},
      {"comment markers inside a string",
       "\"k\" = \"/* not */ // either\";",
       {{"k", "/* not */ // either"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StringsFile file = parseStrings(c.text);
    EXPECT_FALSE(file.error.has_value()) << *file.error;
    EXPECT_EQ(pairsOf(file), c.expected);
  }
}

TEST(StringsFileTest, RefusesMalformedTablesAndSaysWhere) {
  struct Case {
    const char* name;
    std::string text;
    std::string errorStart;
  };
  const std::vector<Case> cases = {
      {"missing semicolon", "\"a\" = \"b\"\n\"c\" = \"d\";", "line 2: expected ';'"},
      {"missing equals", "\"a\" \"b\";", "line 1: expected '='"},
      {"unterminated string", "\n\"a\" = \"b;\n", "line 3: string from line 2 never ends"},
      {"unterminated comment", "\"a\" = \"b\"; /* open", "line 1: comment from line 1"},
      {"missing value", "\"a\" = ;", "line 1: expected a quoted string"},
      {"ends inside an entry", "\"a\" =", "line 1: the table ends inside an entry"},
      {"bad unicode escape", R"("a" = "\U12G4";)", "line 1: malformed \\U escape"},
      {"lone surrogate", R"("a" = "\UD83D x";)", "line 1: unpaired surrogate"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StringsFile file = parseStrings(c.text);
    ASSERT_TRUE(file.error.has_value());
    EXPECT_EQ(file.error->rfind(c.errorStart, 0), 0u) << *file.error;
  }
}

TEST(StringsFileTest, ReadsTheArgumentsAFormatTakes) {
  using K = ArgumentKind;
  struct Case {
    const char* format;
    std::vector<K> kinds;
  };
  const std::vector<Case> cases = {
      {"plain text", {}},
      {"100%% sure", {}},
      {"HIDDEN (%lld)", {K::int64}},
      {"%ld and %qd and %llu", {K::int64, K::int64, K::int64}},
      {"%d %i", {K::int32, K::int32}},
      {"%@ is available", {K::text}},
      {"%1$@ then %2$@", {K::text, K::text}},
      {"%2$@ before %1$@", {K::text, K::text}},
      {"%1$@ twice %1$@", {K::text}},
      {"%-8lld|%08.3f", {K::int64, K::other}},
      {"%s", {K::other}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    auto [kinds, why] = argumentKinds(c.format);
    ASSERT_TRUE(kinds.has_value()) << why;
    EXPECT_EQ(*kinds, c.kinds);
  }
}

TEST(StringsFileTest, RefusesFormatsWhoseArgumentsAreUnclear) {
  struct Case {
    const char* format;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"100%", "starts no directive"},
      {"%1$@ and %@", "mixed"},
      {"%2$@ only", "argument 1 is never read"},
      {"%1$@ %1$lld", "two kinds"},
      {"%0$@", "position 0"},
      {"%*d", "width or precision"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    auto [kinds, why] = argumentKinds(c.format);
    EXPECT_FALSE(kinds.has_value());
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace strandel::localization
