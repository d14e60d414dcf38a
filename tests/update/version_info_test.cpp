#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "update/update_checker.h"

namespace strandel {
namespace {

using VersionInfo = UpdateChecker::VersionInfo;

struct DecodeCase {
  std::string name;
  std::string json;
  std::optional<VersionInfo> expected;  // none: refused
};

VersionInfo info(std::string version, std::optional<int64_t> build, std::string url,
                 std::optional<std::string> notes) {
  return VersionInfo{std::move(version), build, std::move(url), std::move(notes)};
}

const char* kUrl = "https://example.org/get";

TEST(VersionInfoDecode, AcceptsAndRefusesManifests) {
  const std::vector<DecodeCase> cases = {
      {"complete",
       R"({"version":"1.2.3","build":42,"downloadUrl":"https://example.org/get","releaseNotes":"Fixes."})",
       info("1.2.3", 42, kUrl, "Fixes.")},
      {"only the required members", R"({"version":"2.0","downloadUrl":"https://example.org/get"})",
       info("2.0", std::nullopt, kUrl, std::nullopt)},
      {"members in another order, others ignored",
       R"({"extra":[1,{"a":null}],"downloadUrl":"https://example.org/get","Version":"9","version":"2.0"})",
       info("2.0", std::nullopt, kUrl, std::nullopt)},
      {"null build and notes give none",
       R"({"version":"2.0","build":null,"downloadUrl":"https://example.org/get","releaseNotes":null})",
       info("2.0", std::nullopt, kUrl, std::nullopt)},
      {"empty notes stay empty",
       R"({"version":"2.0","downloadUrl":"https://example.org/get","releaseNotes":""})",
       info("2.0", std::nullopt, kUrl, "")},
      {"empty version and address are text", R"({"version":"","downloadUrl":""})",
       info("", std::nullopt, "", std::nullopt)},
      {"escapes and unicode",
       R"({"version":"2.0\u00e9","downloadUrl":"https://example.org/get","releaseNotes":"a\nb \ud83d\ude00"})",
       info("2.0\xC3\xA9", std::nullopt, kUrl, "a\nb \xF0\x9F\x98\x80")},
      {"surrounding whitespace", " \n\t{\"version\":\"2.0\",\"downloadUrl\":\"x\"}\r\n ",
       info("2.0", std::nullopt, "x", std::nullopt)},
      {"duplicate member: the last counts", R"({"version":"1","version":"2","downloadUrl":"x"})",
       info("2", std::nullopt, "x", std::nullopt)},
      // build: integers that fit in int64, however they are written.
      {"build zero", R"({"version":"1","downloadUrl":"x","build":0})", info("1", 0, "x", {})},
      {"build negative", R"({"version":"1","downloadUrl":"x","build":-7})", info("1", -7, "x", {})},
      {"build int64 max", R"({"version":"1","downloadUrl":"x","build":9223372036854775807})",
       info("1", INT64_MAX, "x", {})},
      {"build int64 min", R"({"version":"1","downloadUrl":"x","build":-9223372036854775808})",
       info("1", INT64_MIN, "x", {})},
      {"build written with a fraction of zero", R"({"version":"1","downloadUrl":"x","build":3.0})",
       info("1", 3, "x", {})},
      {"build written with an exponent", R"({"version":"1","downloadUrl":"x","build":12e2})",
       info("1", 1200, "x", {})},
      {"build negative zero", R"({"version":"1","downloadUrl":"x","build":-0.0})",
       info("1", 0, "x", {})},
      {"build -2^63 as a float",
       R"({"version":"1","downloadUrl":"x","build":-9.223372036854775808e18})",
       info("1", INT64_MIN, "x", {})},
      {"build exact past double precision",
       R"({"version":"1","downloadUrl":"x","build":9007199254740993.0})",
       info("1", 9007199254740993, "x", {})},
      {"build scaled down to an integer", R"({"version":"1","downloadUrl":"x","build":12.50e1})",
       info("1", 125, "x", {})},
      {"build negative exponent", R"({"version":"1","downloadUrl":"x","build":100e-2})",
       info("1", 1, "x", {})},
      {"build zero with a vast exponent",
       R"({"version":"1","downloadUrl":"x","build":0e999999999})", info("1", 0, "x", {})},
      {"build a hair above an integer",
       R"({"version":"1","downloadUrl":"x","build":3.0000000000000001})", std::nullopt},
      {"build a tiny fraction", R"({"version":"1","downloadUrl":"x","build":1e-999})",
       std::nullopt},
      {"build one below int64 written as a float",
       R"({"version":"1","downloadUrl":"x","build":-9223372036854775809.0})", std::nullopt},
      {"build past int64", R"({"version":"1","downloadUrl":"x","build":9223372036854775808})",
       std::nullopt},
      {"build past uint64", R"({"version":"1","downloadUrl":"x","build":99999999999999999999})",
       std::nullopt},
      {"build below int64", R"({"version":"1","downloadUrl":"x","build":-9223372036854775809})",
       std::nullopt},
      {"build 2^63 as a float",
       R"({"version":"1","downloadUrl":"x","build":9.223372036854775808e18})", std::nullopt},
      {"build with a fraction", R"({"version":"1","downloadUrl":"x","build":3.5})", std::nullopt},
      {"build huge exponent", R"({"version":"1","downloadUrl":"x","build":1e400})", std::nullopt},
      {"build as quoted digits", R"({"version":"1","downloadUrl":"x","build":"42"})", std::nullopt},
      {"build as a boolean", R"({"version":"1","downloadUrl":"x","build":true})", std::nullopt},
      {"build as an array", R"({"version":"1","downloadUrl":"x","build":[1]})", std::nullopt},
      // The required texts.
      {"version missing", R"({"downloadUrl":"x"})", std::nullopt},
      {"version null", R"({"version":null,"downloadUrl":"x"})", std::nullopt},
      {"version as a number", R"({"version":2.0,"downloadUrl":"x"})", std::nullopt},
      {"version as an object", R"({"version":{},"downloadUrl":"x"})", std::nullopt},
      {"downloadUrl missing", R"({"version":"1"})", std::nullopt},
      {"downloadUrl null", R"({"version":"1","downloadUrl":null})", std::nullopt},
      {"downloadUrl as a number", R"({"version":"1","downloadUrl":1})", std::nullopt},
      {"names are case-sensitive", R"({"Version":"1","downloadURL":"x"})", std::nullopt},
      {"releaseNotes as a number", R"({"version":"1","downloadUrl":"x","releaseNotes":1})",
       std::nullopt},
      {"releaseNotes as an array", R"({"version":"1","downloadUrl":"x","releaseNotes":["a"]})",
       std::nullopt},
      // Not a manifest at all.
      {"empty", "", std::nullopt},
      {"whitespace", "  \n", std::nullopt},
      {"an array", R"([{"version":"1","downloadUrl":"x"}])", std::nullopt},
      {"a string", R"("1.0")", std::nullopt},
      {"null", "null", std::nullopt},
      {"an HTML page", "<!DOCTYPE html><html><body>Not Found</body></html>", std::nullopt},
      {"truncated", R"({"version":"1","downloadUrl":"x")", std::nullopt},
      {"trailing garbage", R"({"version":"1","downloadUrl":"x"} x)", std::nullopt},
      {"two objects", R"({"version":"1","downloadUrl":"x"}{})", std::nullopt},
      {"comments", R"({"version":"1", /* c */ "downloadUrl":"x"})", std::nullopt},
      {"single quotes", R"({'version':'1','downloadUrl':'x'})", std::nullopt},
      {"trailing comma", R"({"version":"1","downloadUrl":"x",})", std::nullopt},
      {"NaN", R"({"version":"1","downloadUrl":"x","build":NaN})", std::nullopt},
      {"invalid UTF-8 in a string", "{\"version\":\"1\xFF\",\"downloadUrl\":\"x\"}", std::nullopt},
      {"a lone surrogate escape", R"({"version":"\ud800","downloadUrl":"x"})", std::nullopt},
      {"NUL before the document", std::string(1, '\0') + R"({"version":"1","downloadUrl":"x"})",
       std::nullopt},
      {"a control character in a string", "{\"version\":\"1\x01\",\"downloadUrl\":\"x\"}",
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VersionInfo::decode(c.json), c.expected);
  }
}

TEST(VersionInfoDecode, BoundsDeepAndLargeDocuments) {
  const std::string manifest = R"("version":"1","downloadUrl":"x")";
  auto nested = [&](int depth) {
    std::string extra =
        std::string(static_cast<size_t>(depth), '[') + std::string(static_cast<size_t>(depth), ']');
    return "{" + manifest + ",\"extra\":" + extra + "}";
  };
  // The object itself is one level.
  EXPECT_TRUE(VersionInfo::decode(nested(VersionInfo::kMaxNestingDepth - 1)));
  EXPECT_FALSE(VersionInfo::decode(nested(VersionInfo::kMaxNestingDepth)));
  EXPECT_FALSE(VersionInfo::decode(nested(1'000'000)));
  EXPECT_FALSE(VersionInfo::decode(std::string(1'000'000, '[')));  // never closed
  EXPECT_FALSE(VersionInfo::decode(std::string(500'000, '{')));

  // Brackets inside strings, escaped quotes included, are text.
  std::string brackets(10'000, '[');
  EXPECT_EQ(VersionInfo::decode("{" + manifest + R"(,"releaseNotes":"\")" + brackets + "\"}"),
            (VersionInfo{"1", std::nullopt, "x", "\"" + brackets}));

  // Large but flat: decoded up to the limit, refused past it.
  std::string notes(VersionInfo::kMaxDocumentBytes - 100, 'n');
  auto big = VersionInfo::decode("{" + manifest + R"(,"releaseNotes":")" + notes + "\"}");
  ASSERT_TRUE(big);
  EXPECT_EQ(big->releaseNotes, notes);
  std::string tooBig = "{" + manifest + R"(,"releaseNotes":")" +
                       std::string(VersionInfo::kMaxDocumentBytes, 'n') + "\"}";
  EXPECT_FALSE(VersionInfo::decode(tooBig));
}

}  // namespace
}  // namespace strandel
