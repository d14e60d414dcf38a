#include "adapters/sim/services/file_user_defaults.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "adapters/sim/services/atomic_file.h"
#include "recording_file_calls.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kKey = "NSStatusItem Preferred Position StrandelControl";
const DefaultsValue kZero{int64_t{0}};

std::vector<fs::path> entries(const fs::path& directory) {
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path());
  return names;
}

TEST(FileUserDefaultsTest, WithoutADirectoryValuesLiveInMemoryOnly) {
  FileUserDefaults memoryOnly{fs::path()};
  memoryOnly.setInteger(0, kKey);
  EXPECT_EQ(memoryOnly.objectForKey(kKey), kZero);
  EXPECT_FALSE(memoryOnly.lastError().has_value());
}

std::string nested(size_t depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

// A file nested `depth` levels deep, the object itself being the first.
std::string nestedFile(size_t depth) {
  return "{\"k\": " + nested(depth - 1) + "}";
}

TEST(FileUserDefaultsTest, OtherValuesKeepTheirKindsAndTextThroughARewrite) {
  TempDir dir;
  fs::path file = dir.path() / "defaults.json";
  std::string contents = R"({"double": 2.5, "wholeDouble": 2.0, "bool": true, "string": "120",
    "object": {"a": [1]}, "huge": 18446744073709551615, "beyond": 123456789012345678901234567890,
    "below": -99999999999999999999, "int64Max": 9223372036854775807, "beyondADouble": 1E400,
    "deepest": )" + nested(kMaxSettingsDepth - 1) +
                         "}";
  writeFile(file, contents);
  const std::pair<const char*, DefaultsValue> cases[] = {
      {"double", 2.5},
      {"wholeDouble", 2.0},
      {"bool", true},
      {"string", std::string("120")},
      {"object", OtherDefaultsValue{"{\"a\":[1]}"}},
      {"huge", OtherDefaultsValue{"18446744073709551615"}},
      {"beyond", OtherDefaultsValue{"123456789012345678901234567890"}},
      {"below", OtherDefaultsValue{"-99999999999999999999"}},
      {"int64Max", int64_t{9223372036854775807}},
      {"beyondADouble", OtherDefaultsValue{"1E400"}},
      {"deepest", OtherDefaultsValue{nested(kMaxSettingsDepth - 1)}},
  };
  FileUserDefaults(dir.path()).setInteger(7, "new");
  // Nesting never grows the file: each level costs its two brackets, as read.
  EXPECT_LE(fs::file_size(file), contents.size() + 64);
  FileUserDefaults reread(dir.path());
  EXPECT_FALSE(reread.lastError().has_value());
  for (const auto& [key, expected] : cases) {
    SCOPED_TRACE(key);
    EXPECT_EQ(reread.objectForKey(key), expected);
  }
  EXPECT_EQ(reread.objectForKey("new"), DefaultsValue{int64_t{7}});
}

TEST(FileUserDefaultsTest, ASaveNeverWritesMoreThanIsReadBack) {
  // Members of 12 bytes on one line; one a line, they would take 16.
  auto members = [](size_t count) {
    std::string text = "{";
    for (size_t i = 0; i < count; ++i) {
      char member[16];
      std::snprintf(member, sizeof member, "%s\"k%06zu\":0", i ? "," : "", i);
      text += member;
    }
    return text + "}";
  };
  const size_t fits = (kSmallFileLimit - 64) / 12;
  const std::pair<std::string, bool> cases[] = {
      {members(fits), true},       // on one line, with the new member
      {members(fits + 5), false},  // too large even on one line
  };
  for (const auto& [contents, saved] : cases) {
    SCOPED_TRACE(contents.size());
    ASSERT_LE(contents.size(), kSmallFileLimit);
    TempDir dir;
    writeFile(dir.path() / "defaults.json", contents);
    std::vector<std::string> told;
    FileUserDefaults defaults(dir.path(), [&](const std::string& line) { told.push_back(line); });
    defaults.setInteger(3, kKey);
    EXPECT_EQ(defaults.objectForKey(kKey), DefaultsValue{int64_t{3}});
    FileUserDefaults reread(dir.path());
    EXPECT_FALSE(reread.lastError().has_value());
    EXPECT_EQ(reread.objectForKey("k000000"), kZero);
    EXPECT_EQ(reread.objectForKey(kKey).has_value(), saved);
    EXPECT_EQ(told.size(), saved ? 0u : 1u);
    if (!saved) {
      EXPECT_EQ(readFile(dir.path() / "defaults.json"), contents);
    }
  }
}

// Garbage and a NUL byte are the hostile files test's rows "settings: not JSON" and "text
// after the value".
TEST(FileUserDefaultsTest, UnusableFileIsKeptAsideSaidSoAndTheNextWriteMakesAGoodOne) {
  const std::string notAnObject = "did not hold one JSON object";
  const std::string tooDeep = "nested values deeper than 64 levels";
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"truncated", R"({"NSStatusItem Preferred Position StrandelControl": 1)", notAnObject},
      {"not an object", "[1, 2]", notAnObject},
      {"empty", "", notAnObject},
      {"a second value", "{\"a\":1} {\"b\":2}", notAnObject},
      {"one level too deep", nestedFile(kMaxSettingsDepth + 1), tooDeep},
      {"far too deep for any recursion", nestedFile(100000), tooDeep},
  };
  for (const auto& [name, contents, reason] : cases) {
    SCOPED_TRACE(name);
    TempDir dir;
    fs::path file = dir.path() / "defaults.json";
    writeFile(file, contents);
    std::vector<std::string> told;
    FileUserDefaults defaults(dir.path(), [&](const std::string& line) { told.push_back(line); });
    EXPECT_FALSE(defaults.objectForKey(kKey).has_value());
    EXPECT_FALSE(defaults.objectForKey("a").has_value());
    EXPECT_TRUE(defaults.lastError().has_value());
    ASSERT_TRUE(defaults.setAsidePath());
    fs::path aside = *defaults.setAsidePath();
    EXPECT_EQ(aside.filename().string().rfind("defaults.json.corrupt-", 0), 0u);
    EXPECT_EQ(told, std::vector<std::string>{"Strandel: the settings file " + file.string() + " " +
                                             reason + "; it is kept as " + aside.string() +
                                             " and the settings start empty"});
    defaults.setInteger(0, kKey);
    EXPECT_FALSE(defaults.lastError().has_value());
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(FileUserDefaults(dir.path()).objectForKey(kKey), kZero);
    EXPECT_EQ(readFile(aside), contents);
    EXPECT_EQ(entries(dir.path()).size(), 2u);
  }
}

// A file that stays where it is, told once with what was done, and never overwritten until
// it can be set aside. A directory in its place is the hostile files test's.
TEST(FileUserDefaultsTest, AFileThatMustStayIsToldOnceAndKeptUntilItCanBeSetAside) {
  TempDir home;
  fs::path directory = home.path() / "set\ntings";  // said as "set\ntings", on one line
  fs::path file = directory / "defaults.json";
  writeFile(file, "{no");
  RecordingFileCalls calls;
  calls.failing = {{"link", EIO}};
  std::vector<std::string> told;
  FileUserDefaults defaults(
      directory, [&](const std::string& line) { told.push_back(line); }, calls);
  defaults.setInteger(1, kKey);
  defaults.setInteger(2, kKey);
  EXPECT_EQ(defaults.objectForKey(kKey), DefaultsValue{int64_t{2}});
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("did not hold one JSON object and could not be set aside (Could not "
                         "move "),
            std::string::npos)
      << told[0];
  EXPECT_NE(told[0].find("set\\ntings/defaults.json"), std::string::npos) << told[0];
  EXPECT_EQ(entries(directory), std::vector<fs::path>{file});
  EXPECT_EQ(readFile(file), "{no");
  calls.failing.clear();  // the move works again
  defaults.setInteger(3, kKey);
  ASSERT_TRUE(defaults.setAsidePath());
  EXPECT_EQ(readFile(*defaults.setAsidePath()), "{no");
  EXPECT_EQ(FileUserDefaults(directory).objectForKey(kKey), DefaultsValue{int64_t{3}});
}

TEST(FileUserDefaultsTest, MovingAsideNeverReplacesAnEarlierCopy) {
  TempDir dir;
  writeFile(dir.path() / "defaults.json", "first");
  writeFile(dir.path() / "defaults.json.corrupt-X", "earlier");
  auto moved = moveAside(dir.path() / "defaults.json", ".corrupt-X");
  EXPECT_EQ(moved, dir.path() / "defaults.json.corrupt-X-1");
  EXPECT_EQ(readFile(dir.path() / "defaults.json.corrupt-X-1"), "first");
  EXPECT_EQ(readFile(dir.path() / "defaults.json.corrupt-X"), "earlier");
}

}  // namespace
}  // namespace strandel::sim
