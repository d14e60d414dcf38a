#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "update/update_checker.h"

namespace strandel {
namespace {

using VersionInfo = UpdateChecker::VersionInfo;

VersionInfo info(std::optional<int64_t> build = std::nullopt,
                 std::optional<std::string> notes = std::nullopt, std::string version = "1") {
  return VersionInfo{std::move(version), build, "x", std::move(notes)};
}

// The two required members and one more.
std::string with(const std::string& member) {
  return R"({"version":"1","downloadUrl":"x",)" + member + "}";
}

TEST(VersionInfoDecode, AcceptsAndRefusesManifests) {
  const std::optional<VersionInfo> refused;
  const std::vector<std::tuple<std::string, std::string, std::optional<VersionInfo>>> cases = {
      {"complete", R"({"version":"1","build":42,"downloadUrl":"x","releaseNotes":"Fixes."})",
       info(42, "Fixes.")},
      {"only the required members", R"({"version":"1","downloadUrl":"x"})", info()},
      {"others ignored, any order",
       R"({"extra":[{}],"downloadUrl":"x","Version":"9","version":"1"})", info()},
      {"null build and notes", with(R"("build":null,"releaseNotes":null)"), info()},
      {"empty notes stay empty", with(R"("releaseNotes":"")"), info(std::nullopt, "")},
      {"escapes", R"({"version":"2\u00e9","downloadUrl":"x","releaseNotes":"a\nb \ud83d\ude00"})",
       info(std::nullopt, "a\nb \xF0\x9F\x98\x80", "2\xC3\xA9")},
      // build: an integer that fits in 64 bits, however it is written.
      {"build int64 max", with(R"("build":9223372036854775807)"), info(INT64_MAX)},
      {"build int64 min", with(R"("build":-9223372036854775808)"), info(INT64_MIN)},
      {"build written as a float", with(R"("build":12.50e1)"), info(125)},
      {"build past int64", with(R"("build":9223372036854775808)"), refused},
      {"build 2^63 as a float", with(R"("build":9.223372036854775808e18)"), refused},
      {"build with a fraction", with(R"("build":3.5)"), refused},
      {"build a hair above an integer", with(R"("build":3.0000000000000001)"), refused},
      {"build huge exponent", with(R"("build":1e400)"), refused},
      {"build as quoted digits", with(R"("build":"42")"), refused},
      {"build as a boolean", with(R"("build":true)"), refused},
      // The required texts.
      {"version missing", R"({"downloadUrl":"x"})", refused},
      {"version null", R"({"version":null,"downloadUrl":"x"})", refused},
      {"version as a number", R"({"version":2.0,"downloadUrl":"x"})", refused},
      {"downloadUrl missing", R"({"version":"1"})", refused},
      {"downloadUrl as a number", R"({"version":"1","downloadUrl":1})", refused},
      {"names are case-sensitive", R"({"Version":"1","downloadURL":"x"})", refused},
      {"releaseNotes as a number", with(R"("releaseNotes":1)"), refused},
      // Not a manifest at all.
      {"empty", "", refused},
      {"an array", R"([{"version":"1","downloadUrl":"x"}])", refused},
      {"an HTML page", "<!DOCTYPE html><html><body>Not Found</body></html>", refused},
      {"truncated", R"({"version":"1","downloadUrl":"x")", refused},
      {"trailing garbage", R"({"version":"1","downloadUrl":"x"} x)", refused},
      {"a trailing comma", R"({"version":"1","downloadUrl":"x",})", refused},
      {"invalid UTF-8 in a string", "{\"version\":\"1\xFF\",\"downloadUrl\":\"x\"}", refused},
      {"a lone surrogate escape", R"({"version":"\ud800","downloadUrl":"x"})", refused},
  };
  for (const auto& [name, json, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(VersionInfo::decode(json), expected);
  }
}

TEST(VersionInfoDecode, BoundsDeepAndLargeDocuments) {
  const auto nested = [](size_t depth) {
    return with(R"("extra":)" + std::string(depth, '[') + std::string(depth, ']'));
  };
  // The object itself is one level.
  EXPECT_TRUE(VersionInfo::decode(nested(VersionInfo::kMaxNestingDepth - 1)));
  EXPECT_FALSE(VersionInfo::decode(nested(VersionInfo::kMaxNestingDepth)));
  EXPECT_FALSE(VersionInfo::decode(std::string(1'000'000, '[')));  // never closed
  // Brackets inside strings, escaped quotes included, are text.
  const std::string brackets(10'000, '[');
  EXPECT_EQ(VersionInfo::decode(with(R"("releaseNotes":"\")" + brackets + "\"")),
            info(std::nullopt, "\"" + brackets));
  // Large but flat: decoded up to exactly the limit, refused one byte past it.
  const size_t framing = with(R"("releaseNotes":"")").size();
  const std::string notes(VersionInfo::kMaxDocumentBytes - framing, 'n');
  EXPECT_EQ(VersionInfo::decode(with(R"("releaseNotes":")" + notes + "\"")), info({}, notes));
  EXPECT_FALSE(VersionInfo::decode(with(R"("releaseNotes":")" + notes + "n\"")));
}

}  // namespace
}  // namespace strandel
