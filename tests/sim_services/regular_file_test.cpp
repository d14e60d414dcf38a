#include "adapters/sim/services/regular_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

namespace fs = std::filesystem;

// The places themselves (pipes, devices, directories) are in the program's table of hostile
// files; these are the edges of the limit and of what counts as missing.
TEST(ReadWholeFileTest, ReadsUpToTheLimitAndNoFurtherEvenWhenTheSizeSaysOtherwise) {
  test::TempDir dir;
  test::writeFile(dir.path() / "eight", "12345678");
  test::writeFile(dir.path() / "plain", "x");
  struct Case {
    fs::path file;
    uint64_t limit;
    std::optional<std::string> contents;
    std::string problem;
    bool missing = false;
  };
  const Case cases[] = {
      {dir.path() / "eight", 8, "12345678", ""},
      {dir.path() / "eight", 7, std::nullopt, "it is larger than the limit of 7 bytes"},
      // Says it is empty, and goes on: read up to the limit and one byte more.
      {"/proc/self/status", 16, std::nullopt, "it is larger than the limit of 16 bytes"},
      {dir.path() / "none", 8, std::nullopt, "No such file or directory", true},
      {dir.path() / "plain" / "under", 8, std::nullopt, "Not a directory", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string() + " " + std::to_string(c.limit));
    ReadFailure failure;
    EXPECT_EQ(readWholeFile(c.file, &failure, c.limit), c.contents);
    if (c.contents) continue;
    EXPECT_EQ(failure.describe(), c.problem);
    EXPECT_EQ(failure.missing(), c.missing);
  }
  EXPECT_EQ(describeSize(16u << 20), "16 MiB");
  EXPECT_EQ(describeSize(1536), "1536 bytes");
}

}  // namespace
}  // namespace strandel::sim
