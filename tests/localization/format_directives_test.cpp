// The directive scanner that the localisation checks stand on: one that missed a directive
// or misread its kind would let a broken table through.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format_directives.h"

namespace strandel::localization {
namespace {

TEST(FormatDirectivesTest, ReadsTheArgumentsAFormatTakes) {
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

TEST(FormatDirectivesTest, RefusesFormatsWhoseArgumentsAreUnclear) {
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
