#include "adapters/sim/services/file_user_defaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "adapters/sim/services/atomic_file.h"
#include "sim_services/env_guard.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

constexpr const char* kKey = "NSStatusItem Preferred Position StrandelControl";

std::vector<fs::path> entries(const fs::path& directory) {
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path());
  return names;
}

std::vector<fs::path> setAsideFiles(const fs::path& directory) {
  std::vector<fs::path> found;
  for (const auto& path : entries(directory)) {
    if (path.filename().string().rfind("defaults.json.corrupt-", 0) == 0) found.push_back(path);
  }
  return found;
}

TEST(FileUserDefaultsTest, StartsEmptyAndKeepsAnIntegerAcrossInstances) {
  TempDir home;
  fs::path directory = home.path() / "config" / "strandel";  // made on first write
  {
    FileUserDefaults defaults(directory);
    EXPECT_FALSE(defaults.objectForKey(kKey).has_value());
    defaults.setInteger(0, kKey);
    EXPECT_EQ(defaults.objectForKey(kKey), DefaultsValue{int64_t{0}});
    EXPECT_FALSE(defaults.lastError().has_value());
  }
  FileUserDefaults reopened(directory);
  EXPECT_EQ(reopened.objectForKey(kKey), DefaultsValue{int64_t{0}});
  // Only the file itself: no temporary left behind.
  EXPECT_EQ(entries(directory), std::vector<fs::path>{directory / "defaults.json"});
}

TEST(FileUserDefaultsTest, ValuesKeepTheirKindsThroughARewrite) {
  TempDir dir;
  writeFile(dir.path() / "defaults.json", R"({
    "int": 5, "negative": -3, "double": 2.5, "wholeDouble": 2.0, "bool": true,
    "string": "120", "array": [1, 2], "object": {"a": 1}, "null": null,
    "huge": 18446744073709551615
  })");
  struct Case {
    const char* key;
    DefaultsValue expected;
  };
  const std::vector<Case> cases = {
      {"int", int64_t{5}},
      {"negative", int64_t{-3}},
      {"double", 2.5},
      {"wholeDouble", 2.0},
      {"bool", true},
      {"string", std::string("120")},
      {"array", OtherDefaultsValue{"[1,2]"}},
      {"object", OtherDefaultsValue{R"({"a":1})"}},
      {"null", OtherDefaultsValue{"null"}},
      {"huge", OtherDefaultsValue{"18446744073709551615"}},
  };
  {
    FileUserDefaults defaults(dir.path());
    for (const auto& c : cases) {
      SCOPED_TRACE(c.key);
      EXPECT_EQ(defaults.objectForKey(c.key), c.expected);
    }
    defaults.setInteger(7, "new");
  }
  FileUserDefaults reread(dir.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("after rewrite: ") + c.key);
    EXPECT_EQ(reread.objectForKey(c.key), c.expected);
  }
  EXPECT_EQ(reread.objectForKey("new"), DefaultsValue{int64_t{7}});
  EXPECT_TRUE(setAsideFiles(dir.path()).empty());
}

TEST(FileUserDefaultsTest, UnusableFileIsKeptAsideAndTheNextWriteMakesAGoodOne) {
  struct Case {
    const char* name;
    std::string contents;
  };
  const Case cases[] = {
      {"truncated", R"({"NSStatusItem Preferred Position StrandelControl": 1)"},
      {"garbage", std::string("\x00\xff\xfe garbage", 12)},
      {"array", "[1, 2]"},
      {"number", "42"},
      {"empty", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    writeFile(dir.path() / "defaults.json", c.contents);
    FileUserDefaults defaults(dir.path());
    EXPECT_FALSE(defaults.objectForKey(kKey).has_value());
    EXPECT_TRUE(defaults.lastError().has_value());
    auto aside = setAsideFiles(dir.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(defaults.setAsidePath(), aside[0]);
    EXPECT_EQ(readFile(aside[0]), c.contents);

    defaults.setInteger(3, kKey);
    EXPECT_FALSE(defaults.lastError().has_value());
    EXPECT_EQ(FileUserDefaults(dir.path()).objectForKey(kKey), DefaultsValue{int64_t{3}});
    EXPECT_EQ(readFile(aside[0]), c.contents);
  }
}

TEST(FileUserDefaultsTest, UnreadableFileIsKeptAsideToo) {
  TempDir dir;
  fs::create_directory(dir.path() / "defaults.json");  // reading it fails
  writeFile(dir.path() / "defaults.json" / "inside", "kept");
  FileUserDefaults defaults(dir.path());
  ASSERT_TRUE(defaults.lastError().has_value());
  auto aside = setAsideFiles(dir.path());
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(readFile(aside[0] / "inside"), "kept");
  defaults.setInteger(1, kKey);
  EXPECT_EQ(FileUserDefaults(dir.path()).objectForKey(kKey), DefaultsValue{int64_t{1}});
}

TEST(FileUserDefaultsTest, MovingAsideNeverReplacesAnEarlierCopy) {
  TempDir dir;
  fs::path file = dir.path() / "defaults.json";
  writeFile(file, "first");
  writeFile(dir.path() / "defaults.json.corrupt-X", "earlier");
  writeFile(dir.path() / "defaults.json.corrupt-X-1", "earlier still");
  auto moved = moveAside(file, ".corrupt-X");
  ASSERT_TRUE(moved.has_value());
  EXPECT_EQ(*moved, dir.path() / "defaults.json.corrupt-X-2");
  EXPECT_EQ(readFile(*moved), "first");
  EXPECT_EQ(readFile(dir.path() / "defaults.json.corrupt-X"), "earlier");
  EXPECT_EQ(readFile(dir.path() / "defaults.json.corrupt-X-1"), "earlier still");
  EXPECT_FALSE(fs::exists(file));
}

TEST(FileUserDefaultsTest, WriteFailureKeepsTheValueInMemoryAndSaysWhy) {
  TempDir dir;
  writeFile(dir.path() / "blocker", "a file where a directory should be");
  FileUserDefaults defaults(dir.path() / "blocker" / "strandel");
  defaults.setInteger(9, kKey);
  ASSERT_TRUE(defaults.lastError().has_value());
  EXPECT_NE(defaults.lastError()->find((dir.path() / "blocker").string()), std::string::npos);
  EXPECT_EQ(defaults.objectForKey(kKey), DefaultsValue{int64_t{9}});
}

TEST(FileUserDefaultsTest, ReadOnlyDirectoryLeavesTheFilesAsTheyWere) {
  struct Case {
    const char* name;
    std::string contents;
  };
  const Case cases[] = {{"good file", R"({"other": 1})"}, {"corrupt file", "{not json"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    writeFile(dir.path() / "defaults.json", c.contents);
    test::runWithPermissionsEnforced(dir.path(), [&] {
      ASSERT_TRUE(test::makeReadOnly(dir.path()));
      FileUserDefaults defaults(dir.path());
      defaults.setInteger(4, kKey);
      EXPECT_TRUE(defaults.lastError().has_value());
      EXPECT_EQ(defaults.objectForKey(kKey), DefaultsValue{int64_t{4}});
      EXPECT_EQ(readFile(dir.path() / "defaults.json"), c.contents);
      EXPECT_EQ(entries(dir.path()).size(), 1u);
    });
  }
}

TEST(FileUserDefaultsTest, EmptyDirectoryMeansMemoryOnly) {
  FileUserDefaults defaults{fs::path()};
  defaults.setInteger(2, kKey);
  EXPECT_EQ(defaults.objectForKey(kKey), DefaultsValue{int64_t{2}});
  EXPECT_FALSE(defaults.lastError().has_value());
}

TEST(FileUserDefaultsTest, DefaultDirectoryFollowsTheBaseDirectoryRules) {
  struct Case {
    const char* name;
    std::optional<std::string> config;
    std::optional<std::string> home;
    std::optional<fs::path> expected;
  };
  const Case cases[] = {
      {"config home", "/cfg", "/home/u", fs::path("/cfg/strandel")},
      {"relative config home is ignored", "cfg", "/home/u", fs::path("/home/u/.config/strandel")},
      {"home only", std::nullopt, "/home/u", fs::path("/home/u/.config/strandel")},
      {"neither", std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::EnvGuard env;
    env.set("XDG_CONFIG_HOME", c.config);
    env.set("HOME", c.home);
    EXPECT_EQ(defaultDefaultsDirectory(), c.expected);
  }
}

}  // namespace
}  // namespace strandel::sim
