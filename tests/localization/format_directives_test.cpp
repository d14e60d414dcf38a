// The directive scanner that the localisation checks stand on: one that missed a directive
// or misread its kind would let a broken table through.

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "format_directives.h"

namespace strandel::localization {
namespace {

// Either the kinds read, or a part of the reason the format is refused.
TEST(FormatDirectivesTest, ReadsTheArgumentsAFormatTakesOrSaysWhyTheyAreUnclear) {
  using K = ArgumentKind;
  const std::vector<std::pair<const char*, std::variant<std::vector<K>, const char*>>> cases = {
      {"plain text", std::vector<K>{}},
      {"100%% sure", std::vector<K>{}},
      {"HIDDEN (%lld)", std::vector{K::int64}},
      {"%ld and %qd and %llu", std::vector{K::int64, K::int64, K::int64}},
      {"%d %i", std::vector{K::int32, K::int32}},
      {"%@ is available", std::vector{K::text}},
      {"%1$@ then %2$@", std::vector{K::text, K::text}},
      {"%2$@ before %1$@", std::vector{K::text, K::text}},
      {"%1$@ twice %1$@", std::vector{K::text}},
      {"%-8lld|%08.3f", std::vector{K::int64, K::other}},
      {"%s", std::vector{K::other}},
      {"100%", "starts no directive"},
      {"%1$@ and %@", "mixed"},
      {"%2$@ only", "argument 1 is never read"},
      {"%1$@ %1$lld", "two kinds"},
      {"%0$@", "position 0"},
      {"%*d", "width or precision"},
  };
  for (const auto& [format, expected] : cases) {
    SCOPED_TRACE(format);
    auto [kinds, why] = argumentKinds(format);
    if (const auto* reason = std::get_if<const char*>(&expected)) {
      EXPECT_FALSE(kinds.has_value());
      EXPECT_NE(why.find(*reason), std::string::npos) << why;
    } else {
      EXPECT_EQ(kinds, std::get<std::vector<K>>(expected)) << why;
    }
  }
}

}  // namespace
}  // namespace strandel::localization
