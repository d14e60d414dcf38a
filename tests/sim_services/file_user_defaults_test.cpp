#include "adapters/sim/services/file_user_defaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "adapters/sim/services/atomic_file.h"
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

TEST(FileUserDefaultsTest, KeepsValuesAcrossInstancesWithoutLeavingATemporaryBehind) {
  TempDir home;
  fs::path directory = home.path() / "config" / "strandel";  // made on first write
  {
    FileUserDefaults defaults(directory);
    EXPECT_FALSE(defaults.objectForKey(kKey).has_value());
    defaults.setInteger(0, kKey);
    EXPECT_FALSE(defaults.lastError().has_value());
  }
  EXPECT_EQ(FileUserDefaults(directory).objectForKey(kKey), kZero);
  EXPECT_EQ(entries(directory), std::vector<fs::path>{directory / "defaults.json"});

  FileUserDefaults memoryOnly{fs::path()};
  memoryOnly.setInteger(0, kKey);
  EXPECT_EQ(memoryOnly.objectForKey(kKey), kZero);
  EXPECT_FALSE(memoryOnly.lastError().has_value());
}

TEST(FileUserDefaultsTest, OtherValuesKeepTheirKindsThroughARewrite) {
  TempDir dir;
  writeFile(dir.path() / "defaults.json", R"({"double": 2.5, "wholeDouble": 2.0,
    "bool": true, "string": "120", "object": {"a": [1]}, "huge": 18446744073709551615})");
  const std::pair<const char*, DefaultsValue> cases[] = {
      {"double", 2.5},
      {"wholeDouble", 2.0},
      {"bool", true},
      {"string", std::string("120")},
      {"object", OtherDefaultsValue{"{\"a\":[1]}"}},
      {"huge", OtherDefaultsValue{"18446744073709551615"}},
  };
  FileUserDefaults(dir.path()).setInteger(7, "new");
  FileUserDefaults reread(dir.path());
  for (const auto& [key, expected] : cases) {
    SCOPED_TRACE(key);
    EXPECT_EQ(reread.objectForKey(key), expected);
  }
  EXPECT_EQ(reread.objectForKey("new"), DefaultsValue{int64_t{7}});
}

TEST(FileUserDefaultsTest, UnusableFileIsKeptAsideSaidSoAndTheNextWriteMakesAGoodOne) {
  const std::pair<const char*, std::string> cases[] = {
      {"truncated", R"({"NSStatusItem Preferred Position StrandelControl": 1)"},
      {"garbage", std::string("\x00\xff\xfe garbage", 12)},
      {"not an object", "[1, 2]"},
      {"empty", ""},
      {"a NUL and more after the value", std::string("{\"a\":1}\0more", 12)},
      {"a second value", "{\"a\":1} {\"b\":2}"},
  };
  for (const auto& [name, contents] : cases) {
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
    EXPECT_EQ(told, std::vector<std::string>{"Strandel: the settings file " + file.string() +
                                             " did not hold one JSON object; it is kept as " +
                                             aside.string() + " and the settings start empty"});
    defaults.setInteger(0, kKey);
    EXPECT_FALSE(defaults.lastError().has_value());
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(FileUserDefaults(dir.path()).objectForKey(kKey), kZero);
    EXPECT_EQ(readFile(aside), contents);
    EXPECT_EQ(entries(dir.path()).size(), 2u);
  }
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

TEST(FileUserDefaultsTest, ReadOnlyDirectoryKeepsTheValueInMemoryAndTheFilesAsTheyWere) {
  for (const std::string contents : {R"({"other": 1})", "{not json"}) {
    SCOPED_TRACE(contents);
    TempDir dir;
    writeFile(dir.path() / "defaults.json", contents);
    runWithPermissionsEnforced(dir.path(), [&] {
      ASSERT_TRUE(makeReadOnly(dir.path()));
      FileUserDefaults defaults(dir.path());
      defaults.setInteger(4, kKey);
      ASSERT_TRUE(defaults.lastError().has_value());
      EXPECT_NE(defaults.lastError()->find(dir.path().string()), std::string::npos);
      EXPECT_EQ(defaults.objectForKey(kKey), DefaultsValue{int64_t{4}});
      EXPECT_EQ(readFile(dir.path() / "defaults.json"), contents);
      EXPECT_EQ(entries(dir.path()).size(), 1u);
    });
  }
}

}  // namespace
}  // namespace strandel::sim
