#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "adapters/sim/services/atomic_file.h"
#include "adapters/sim/services/file_user_defaults.h"
#include "adapters/sim/simulator/report_file.h"
#include "recording_file_calls.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kOldSettings = R"({"a": 1})";

std::set<std::string> names(const fs::path& directory) {
  std::set<std::string> found;
  for (const auto& entry : fs::directory_iterator(directory)) {
    found.insert(entry.path().filename().string());
  }
  return found;
}

// The two files the program writes: the settings, replacing the old ones, and a report,
// next to the earlier ones. Each gives what it told of a failure, empty on success.
struct Writer {
  const char* name;
  std::function<std::string(const fs::path& directory, FileCalls& calls)> write;
  std::set<std::string> before;  // made by the row's setup
  std::set<std::string> after;   // after a write that worked
  const char* lastStep;
  std::vector<std::string> durable;         // the order of the steps that make it last
  std::map<std::string, int> refused = {};  // what the file system does not offer
};

std::string saveSettings(const fs::path& directory, FileCalls& calls) {
  writeFile(directory / "defaults.json", kOldSettings);
  std::string told;
  FileUserDefaults defaults(
      directory, [&](const std::string& line) { told += line; }, calls);
  defaults.setInteger(2, "b");
  return told;
}

std::string writeReport(const fs::path& directory, FileCalls& calls) {
  writeFile(directory / "strandel-report-1.json", "earlier");
  auto written = writeReportFile(directory, "{\"report\": true}", calls);
  if (auto* problem = std::get_if<std::string>(&written)) return *problem;
  EXPECT_EQ(readFile(std::get<fs::path>(written)), "{\"report\": true}");
  return {};
}

const Writer kWriters[] = {
    {"settings",
     saveSettings,
     {"defaults.json"},
     {"defaults.json"},
     "rename",
     {"fsync temporary", "rename", "fsync directory"}},
    {"report",
     writeReport,
     {"strandel-report-1.json"},
     {"strandel-report-1.json", "strandel-report-2.json"},
     "link",
     {"fsync temporary", "link", "link", "fsync directory"}},  // the first name is taken
    {"report without hard links",
     writeReport,
     {"strandel-report-1.json"},
     {"strandel-report-1.json", "strandel-report-2.json"},
     "rename",
     {"fsync temporary", "link", "link", "rename", "fsync directory"},
     {{"link", EPERM}}},
};

TEST(AtomicWriteTest, TheWholeTextIsOnDiskBeforeItsNameAndTheNameBeforeSuccess) {
  for (const Writer& writer : kWriters) {
    SCOPED_TRACE(writer.name);
    TempDir dir;
    RecordingFileCalls calls;
    calls.failing = writer.refused;
    EXPECT_EQ(writer.write(dir.path(), calls), "");
    EXPECT_EQ(calls.durability, writer.durable);
    EXPECT_EQ(names(dir.path()), writer.after);
  }
}

TEST(AtomicWriteTest, AFailedStepLeavesEveryFileAsItWasAndNoTemporary) {
  const std::pair<const char*, int> failures[] = {
      {"mkstemp", ENOSPC}, {"fchmod", EPERM}, {"write", ENOSPC},
      {"fsync", EIO},      {"close", EIO},    {"last step", EIO},
  };
  for (const Writer& writer : kWriters) {
    for (const auto& [call, error] : failures) {
      SCOPED_TRACE(std::string(writer.name) + ", " + call);
      TempDir dir;
      RecordingFileCalls calls;
      calls.failing = writer.refused;
      calls.failing[std::string(call) == "last step" ? writer.lastStep : call] = error;
      std::string told = writer.write(dir.path(), calls);
      EXPECT_NE(told.find(errorText(error)), std::string::npos) << told;
      EXPECT_EQ(names(dir.path()), writer.before);
      if (writer.before.count("defaults.json")) {
        EXPECT_EQ(readFile(dir.path() / "defaults.json"), kOldSettings);
      } else {
        EXPECT_EQ(readFile(dir.path() / "strandel-report-1.json"), "earlier");
      }
    }
  }
}

TEST(AtomicWriteTest, OnlyTheProgramsOwnStaleTemporariesAreRemovedAtStart) {
  struct Entry {
    const char* name;
    bool old;
    enum { file, link, directory } kind;
    bool removed;
  };
  const Entry entries[] = {
      {".defaults.json.tmp-a1B2c3", true, Entry::file, true},
      {".strandel-report.json.tmp-x9Y8z7", true, Entry::file, true},
      {".defaults.json.tmp-a1B2c4", false, Entry::file, false},  // another copy writing now
      {".defaults.json.tmp-a1B2c", true, Entry::file, false},
      {".defaults.json.tmp-a1B2c3d", true, Entry::file, false},
      {"defaults.json.tmp-a1B2c3", true, Entry::file, false},
      {".other.json.tmp-a1B2c3", true, Entry::file, false},
      {".defaults.json.tmp-link00", true, Entry::link, false},
      {".defaults.json.tmp-dir000", true, Entry::directory, false},
  };
  TempDir dir;
  fs::path target = dir.path() / "target";
  writeFile(target, "kept");
  const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const Entry& entry : entries) {
    fs::path path = dir.path() / entry.name;
    if (entry.kind == Entry::file) writeFile(path, "partial");
    if (entry.kind == Entry::link) fs::create_symlink(target, path);
    if (entry.kind == Entry::directory) fs::create_directory(path);
    if (entry.old) fs::last_write_time(path, longAgo);
  }
  FileUserDefaults defaults(dir.path());
  removeStaleReportTemporaries(dir.path());
  for (const Entry& entry : entries) {
    SCOPED_TRACE(entry.name);
    EXPECT_EQ(fs::exists(fs::symlink_status(dir.path() / entry.name)), !entry.removed);
  }
  EXPECT_EQ(readFile(target), "kept");
}

}  // namespace
}  // namespace strandel::sim
