// Hostile files in every place the program reads, run through the program itself: each row
// ends as stated, never in a crash, a hang, or a lost byte of the user's file.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/script.h"
#include "adapters/sim/simulator/script_runner.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/simulator/transcript.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

const std::string kPosition = "\"NSStatusItem Preferred Position StrandelControl\" = 0 (integer)";
const std::string kOurEntry = "[Desktop Entry]\nType=Application\nName=Strandel\nExec=x\n";

// Everything about the thing at `path` that the user could lose: kind, mode, bytes, link
// target, and a directory's entries in the same way.
std::string snapshot(const fs::path& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return "nothing";
  char mode[8];
  std::snprintf(mode, sizeof mode, " %04o", static_cast<unsigned>(info.st_mode & 07777));
  if (S_ISLNK(info.st_mode)) return "link to " + fs::read_symlink(path).string();
  if (S_ISFIFO(info.st_mode)) return std::string("named pipe") + mode;
  if (S_ISREG(info.st_mode)) return std::string("file") + mode + " " + readFile(path);
  if (!S_ISDIR(info.st_mode)) return "special";
  std::set<std::string> entries;
  for (const auto& entry : fs::directory_iterator(path)) {
    entries.insert(entry.path().filename().string() + ": " + snapshot(entry.path()));
  }
  std::string out = std::string("directory") + mode + " {";
  for (const auto& entry : entries) out += entry + "; ";
  return out + "}";
}

// The one entry beside `file` whose name starts with its name and `mark`.
std::optional<fs::path> keptAside(const fs::path& file, const std::string& mark) {
  std::optional<fs::path> found;
  for (const auto& entry : fs::directory_iterator(file.parent_path())) {
    if (entry.path().filename().string().rfind(file.filename().string() + mark, 0) != 0) continue;
    EXPECT_FALSE(found) << "kept aside twice";
    found = entry.path();
  }
  return found;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The user's configuration and the program's string tables, where the rows put their files.
struct Home {
  TempDir dir;
  fs::path settings = dir.path() / "settings";
  fs::path autostart = dir.path() / "autostart";
  fs::path resources = dir.path() / "resources";
  fs::path defaultsFile = settings / "defaults.json";
  fs::path entry = autostart / "strandel.desktop";
  fs::path table = resources / "en.lproj" / "Localizable.strings";

  Home() {
    writeFile(table, readFile(STRANDEL_SOURCE_DIR "/resources/en.lproj/Localizable.strings"));
  }

  // The program's run: it starts (storing the saved position), and the user switches
  // launching at login by the menu's third row.
  std::string run() const {
    auto scene = parseScene(R"({"screen": null, "apps": [], "accessibilityGranted": true})", "s");
    auto script = parseScript("at 1 open\nchoose 3\nwait 1\n", "s.script");
    Simulator::Options options;
    options.defaultsDirectory = settings;
    options.autostartDirectory = autostart;
    options.resourcesDirectory = resources;
    Simulator simulator(std::move(*scene.scene), options);
    Transcript transcript;
    int status = ScriptRunner(simulator, std::move(*script.script), transcript).run();
    return transcript.text() + "exit status " + std::to_string(status) + "\n";
  }
};

using Make = std::function<void(const fs::path&)>;
using Texts = std::vector<std::string>;

// Makes `file`'s directory, then what `make` puts in its place.
Make inPlace(const Make& make) {
  return [make](const fs::path& file) {
    fs::create_directories(file.parent_path());
    make(file);
  };
}
// Sparse, so that it costs no disk.
Make larger(uintmax_t size) {
  return [size](const fs::path& file) {
    writeFile(file, "{");
    fs::resize_file(file, size);
  };
}
Make contents(std::string text, fs::perms mode = fs::perms(0644)) {
  return [text, mode](const fs::path& file) {
    writeFile(file, text);
    fs::permissions(file, mode);
  };
}
// Run by the superuser (as for a system-wide setup), a file written through a link stays its
// owner's.
constexpr uid_t kOwner = 65534;
uid_t expectedOwner() {
  return geteuid() == 0 ? kOwner : geteuid();
}
// A link to the user's own file of mode 0600 in another directory, as dotfile managers make.
Make behindLink(std::string text) {
  return inPlace([text](const fs::path& file) {
    fs::path real = file.parent_path().parent_path() / "dotfiles" / file.filename();
    contents(text, fs::perms(0600))(real);
    EXPECT_EQ(lchown(real.c_str(), expectedOwner(), expectedOwner()), 0);
    fs::create_symlink(fs::relative(real, file.parent_path()), file);
  });
}

// One hostile thing in a file's place, and how the program names it when it refuses it.
struct Hostile {
  std::string what;
  Make make;
  std::string problem;
  bool permissionsMatter = false;
};
const Hostile kPipe{"a named pipe",
                    inPlace([](const fs::path& file) { EXPECT_EQ(mkfifo(file.c_str(), 0644), 0); }),
                    "it is a named pipe, not a regular file"};
const Hostile kZero{"a link to /dev/zero",
                    inPlace([](const fs::path& file) { fs::create_symlink("/dev/zero", file); }),
                    "it is a character device, not a regular file"};
const Hostile kLoop{"a link to itself", inPlace([](const fs::path& file) {
                      fs::create_symlink(file.filename(), file);
                    }),
                    "Too many levels of symbolic links"};
const Hostile kDirectory{"a directory",
                         [](const fs::path& file) { writeFile(file / "inside", "the user's"); },
                         "it is a directory, not a regular file"};
const Hostile kHuge{"too large", larger((1u << 20) + 1), "it is larger than the limit of 1 MiB"};

enum class Ends {
  leftAlone,       // the file is as it was
  keptAside,       // it is under a new name, as it was, and a good file of ours is in its place
  writtenThrough,  // the link stays; its target is rewritten keeping its mode and owner
};

struct Row {
  std::string what;
  fs::path Home::*place;
  Make make;
  Ends ends;
  // Texts the transcript holds, with "{file}" for the file's path.
  Texts told;
  bool permissionsMatter = false;
};

const std::string kNotSaved = "defaults: " + kPosition + ", not saved (kept in memory only)";
const std::string kSaved = "defaults: " + kPosition + "\n";
const std::string kRegistered = "login item: register -> enabled";

std::vector<Row> rows() {
  const std::string unreadable = "log: Strandel: the settings file {file} cannot be read (";
  const std::string unsaved = "log: Strandel: the settings were not saved: ";
  const std::string leftAsItIs = " and is left as it is; the change is kept in memory only";
  const std::string tableNotUsed = "log: Strandel: the string table {file} cannot be read (";
  const std::string entryKeptAside =
      "log: Strandel: {file} was not Strandel's autostart entry; it is kept as {file}.not-ours-";
  const Hostile unreadableFile{"unreadable", contents("{\"a\": 1}", fs::perms::none),
                               "Permission denied", true};
  std::vector<Row> rows;
  for (const Hostile& h : {kPipe, kZero, kLoop, kDirectory, kHuge, unreadableFile}) {
    rows.push_back({"settings: " + h.what, &Home::defaultsFile, h.make, Ends::leftAlone,
                    Texts{unreadable + h.problem + ")", kNotSaved}, h.permissionsMatter});
  }
  rows[0].told[0] +=
      "; it is left as it is, and the settings start from their defaults in memory only";
  rows[0].told.push_back(kRegistered);
  for (const Hostile& h :
       {kPipe, kZero, kLoop, kDirectory,
        Hostile{"random bytes",
                contents("\x7f"
                         "ELF\x02\x01\x01\x00 junk"),
                ""},
        Hostile{"another program's entry",
                contents("[Desktop Entry]\nName=Other\nExec=other\n", fs::perms(0444)), ""},
        Hostile{"unreadable", contents(kOurEntry, fs::perms::none), "", true}}) {
    rows.push_back({"autostart: " + h.what, &Home::entry, h.make, Ends::keptAside,
                    Texts{entryKeptAside, kRegistered, kSaved}, h.permissionsMatter});
  }
  size_t tableRow = rows.size();
  for (const Hostile& h : {kPipe, kZero, kDirectory, kHuge}) {
    rows.push_back({"string table: " + h.what, &Home::table, h.make, Ends::leftAlone,
                    Texts{tableNotUsed + h.problem + ")", kRegistered}});
  }
  rows[tableRow].told.push_back("3. action \"menu.launchAtLogin\"");  // the built-in strings
  std::vector<Row> others = {
      {"settings: made read-only", &Home::defaultsFile, contents("{\"a\": 1}", fs::perms(0444)),
       Ends::leftAlone, Texts{unsaved + "{file} is read-only (mode 0444)" + leftAsItIs, kNotSaved}},
      {"settings: the directory is a file", &Home::settings, contents("mine"), Ends::leftAlone,
       Texts{unsaved + "Could not create the directory {file}", kNotSaved}},
      {"settings: a read-only directory", &Home::settings,
       [](const fs::path& file) {
         kDirectory.make(file);
         fs::permissions(file, fs::perms(0555));
       },
       Ends::leftAlone,
       Texts{unsaved + "Could not create a temporary file in {file}: Permission denied", kNotSaved},
       true},
      {"settings: text after the value", &Home::defaultsFile,
       contents(std::string("{\"a\":1}\0more", 12)), Ends::keptAside,
       Texts{"log: Strandel: the settings file {file} did not hold one JSON object; it is kept as "
             "{file}.corrupt-",
             kSaved}},
      {"settings: not JSON", &Home::defaultsFile, contents("\x1b[2J\xff"), Ends::keptAside,
       Texts{"did not hold one JSON object", kSaved}},
      {"settings: behind a link", &Home::defaultsFile, behindLink("{\"a\": 1}"),
       Ends::writtenThrough, Texts{kSaved}},
      {"autostart: behind a link", &Home::entry, behindLink(kOurEntry + "Hidden=true\n"),
       Ends::writtenThrough, Texts{kRegistered}},
      {"autostart: the directory is a file", &Home::autostart, contents("mine"), Ends::leftAlone,
       Texts{"log: Strandel: 로그인 항목 변경 실패 — Could not create the directory {file}"}},
  };
  rows.insert(rows.end(), others.begin(), others.end());
  return rows;
}

TEST(HostileFilesTest, EveryPlaceTheProgramReadsRefusesWhatIsNotItsFileAndLosesNothing) {
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.what);
    Home home;
    const fs::path& file = home.*row.place;
    fs::remove(file);
    row.make(file);
    std::string before = snapshot(file);
    bool through = row.ends == Ends::writtenThrough;
    std::string targetBefore = through ? snapshot(fs::canonical(file)) : "";
    std::string transcript;
    auto run = [&] {
      transcript = home.run();
      for (std::string told : row.told) {
        replaceAll(told, "{file}", file.string());
        EXPECT_NE(transcript.find(told), std::string::npos) << told << "\n" << transcript;
      }
      EXPECT_NE(transcript.find("exit status 0\n"), std::string::npos) << transcript;
    };
    if (row.permissionsMatter) {
      test::runWithPermissionsEnforced(home.dir.path(), run);
    } else {
      run();
    }
    if (row.ends != Ends::keptAside) {
      EXPECT_EQ(snapshot(file), before);
    }
    if (through) {
      std::string target = snapshot(fs::canonical(file));
      EXPECT_EQ(target.rfind("file 0600 ", 0), 0u) << target;
      EXPECT_NE(target, targetBefore);
      struct stat info {};
      ASSERT_EQ(stat(file.c_str(), &info), 0);
      EXPECT_EQ(info.st_uid, expectedOwner());
    } else if (row.ends == Ends::keptAside) {
      std::string mark = row.place == &Home::entry ? ".not-ours-" : ".corrupt-";
      auto aside = keptAside(file, mark);
      ASSERT_TRUE(aside);
      EXPECT_EQ(snapshot(*aside), before);
      EXPECT_EQ(snapshot(file).rfind("file 0644 ", 0), 0u) << snapshot(file);
    }
    for (const fs::path& directory : {home.settings, home.autostart}) {
      if (!fs::is_directory(directory)) continue;
      for (const auto& entry : fs::directory_iterator(directory)) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
      }
    }
  }
}

// Scenes and scripts are named on the command line of the real program.
TEST(HostileFilesTest, SpecialAndOversizedScenesAndScriptsAreRefusedByTheProgram) {
  const Hostile above{"above the limit", larger((16u << 20) + 1),
                      "it is larger than the limit of 16 MiB"};
  for (const Hostile& c : {kPipe, kZero, kDirectory, above}) {
    for (const char* option : {"scene", "script"}) {
      SCOPED_TRACE(std::string(option) + ": " + c.what);
      TempDir dir;
      fs::path file = dir.path() / "hostile";
      c.make(file);
      std::string before = snapshot(file);
      fs::path err = dir.path() / "err";
      // A hang ends after 30 seconds, and then as a failure.
      std::string command = "timeout 30 '" STRANDEL_PROGRAM "' --" + std::string(option) + " '" +
                            file.string() + "' </dev/null >/dev/null 2>'" + err.string() + "'";
      int raw = std::system(command.c_str());
      EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
      EXPECT_EQ(readFile(err), "strandel: the " + std::string(option) +
                                   " is refused: " + file.string() + ": cannot read the " + option +
                                   ": " + c.problem + "\n");
      EXPECT_EQ(snapshot(file), before);
    }
  }
}

// A long member name over a long array, 3 MB: reading keeps no copy of each value's path,
// which would ask for a terabyte, and still names the place of the fault.
// Sanitizers reserve terabytes of address space up front, so no address-space limit can hold
// them; under them the huge scene is only checked to be refused with its place.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define STRANDEL_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define STRANDEL_SANITIZED 1
#endif
#ifdef STRANDEL_SANITIZED
constexpr const char* kAddressSpaceLimit = "";
#else
constexpr const char* kAddressSpaceLimit = "ulimit -v 262144 && ";
#endif

TEST(HostileFilesTest, AHugeSceneIsRefusedWithinMemoryLinearInItsSize) {
  TempDir dir;
  std::string text = "{\"apps\": [], \"" + std::string(1 << 20, 'n') + "\": [0";
  for (int i = 0; i < (1 << 20); ++i) text += ",0";
  writeFile(dir.path() / "huge.json", text + "]}");
  // 256 MiB of address space: the program, and a few times the file for its values.
  const int raw =
      std::system(("cd '" + dir.path().string() + "' && " + kAddressSpaceLimit + "timeout 30 '" +
                   STRANDEL_PROGRAM "' --scene huge.json </dev/null >/dev/null 2>err")
                      .c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
  const std::string told = readFile(dir.path() / "err").substr(0, 100);
  EXPECT_EQ(told.rfind("strandel: the scene is refused: huge.json:1:1048594: /nnn", 0), 0u) << told;
}

}  // namespace
}  // namespace strandel::sim
