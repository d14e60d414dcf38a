#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "localization/string_format.h"

namespace strandel {
namespace {

struct FormatCase {
  std::string format;
  std::string expected;
};

// Every case gets the same arguments, so that hostile texts meet both kinds.
void expectAll(const std::vector<FormatCase>& cases, std::initializer_list<FormatArgument> args) {
  for (const auto& c : cases) {
    SCOPED_TRACE("format: \"" + c.format + "\"");
    EXPECT_EQ(stringWithFormat(c.format, args), c.expected);
  }
}

// Fields count characters, not bytes.
TEST(StringWithFormat, FormatsTextArguments) {
  expectAll(
      {
          {"Version %@ is available", "Version é😀t is available"},
          {"%@ -> %@", "é😀t -> 1.0"},
          {"%2$@ then %1$@", "1.0 then é😀t"},
          {"%2$@ %2$@ %1$@", "1.0 1.0 é😀t"},
          {"%s/%s", "é😀t/1.0"},
          {"[%6@]", "[   é😀t]"},
          {"[%-6@]", "[é😀t   ]"},
          {"[%.1@]", "[é]"},
          {"[%.2@]", "[é😀]"},
          {"", ""},
          {"100%%", "100%"},
          {"%%@ %@", "%@ é😀t"},
      },
      {std::string("é😀t"), std::string("1.0")});
}

TEST(StringWithFormat, FormatsIntegerArguments) {
  expectAll(
      {
          {"%lld hidden", "42 hidden"},
          {"%1$ld %1$d %1$i %1$qd %1$zd %1$jd", "42 42 42 42 42 42"},
          {"%hhd", "42"},
          {"[%05lld]", "[00042]"},
          {"[%.4lld]", "[0042]"},
          {"[%1$x %1$X %1$#x %1$o %1$#o]", "[2a 2A 0x2a 52 052]"},
          {"%@ items", "42 items"},  // an object directive shows a number in decimal
          {"%c", "*"},
      },
      {int64_t{42}});
  EXPECT_EQ(stringWithFormat("%lld", {INT64_MIN}), "-9223372036854775808");
  EXPECT_EQ(stringWithFormat("[%05d]", {int64_t{-42}}), "[-0042]");
  EXPECT_EQ(stringWithFormat("%llu", {int64_t{-1}}), "18446744073709551615");
  EXPECT_EQ(stringWithFormat("%d", {int64_t{5'000'000'000}}), "5000000000");  // never narrowed
  EXPECT_EQ(stringWithFormat("[%.0d]", {int64_t{0}}), "[]");
  EXPECT_EQ(stringWithFormat("%lld개 숨김", {int64_t{3}}), "3개 숨김");
}

TEST(StringWithFormat, WritesHostileDirectivesOutAsTheyStand) {
  const std::string hugeIndex = "%99999999999999999999999999$@";
  const std::string hugeWidth = "%99999999999999999999999999lld";
  expectAll(
      {
          // More directives than arguments.
          {"%@ %@ %@", "text 7 %@"},
          {"%lld %lld %lld", "%lld 7 %lld"},  // each takes its turn, even when it cannot print
                                              // The wrong kind.
          {"%d", "%d"},
          {"%s %s", "text %s"},
          // Positions outside the arguments.
          {"%0$@", "%0$@"},
          {"%3$@", "%3$@"},
          {hugeIndex, hugeIndex},
          // Widths and precisions too large to honour, or taken from arguments.
          {hugeWidth, hugeWidth},
          {"%5000@", "%5000@"},
          {"%.5000lld", "%.5000lld"},
          {"%*d", "%*d"},
          // Conversions that take no argument of ours or must never run.
          {"%n", "%n"},
          {"%f %e %g %p", "%f %e %g %p"},
          {"%\xC3\xA9", "%\xC3\xA9"},
          {"%k then %@", "%k then text"},
          // An unfinished directive at the end.
          {"50%", "50%"},
          {"%", "%"},
          {"%1$", "%1$"},
          {"%%%", "%%"},
      },
      {std::string("text"), int64_t{7}});
  EXPECT_EQ(stringWithFormat("%@ and %lld", {}), "%@ and %lld");
  EXPECT_EQ(stringWithFormat("%c", {int64_t{0xD800}}), "%c");
  // Bytes of the text pass through untouched, valid UTF-8 or not.
  const std::string raw("\xFF\x00\xFE", 3);
  EXPECT_EQ(stringWithFormat(raw + "%@", {std::string("\x80")}), raw + "\x80");
}

}  // namespace
}  // namespace strandel
