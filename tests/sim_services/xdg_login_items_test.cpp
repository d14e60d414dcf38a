#include "adapters/sim/services/xdg_login_items.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adapters/sim/services/file_user_defaults.h"
#include "sim_services/env_guard.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Status = LoginItemStatus;

bool mentions(const std::optional<PlatformError>& error, const std::string& text) {
  return error && error->localizedDescription.find(text) != std::string::npos;
}

class XdgLoginItemsTest : public ::testing::Test {
 protected:
  void SetUp() override { writeFile(program, "#!/bin/sh\n"); }

  TempDir home;
  fs::path autostart = home.path() / ".config" / "autostart";
  fs::path entry = autostart / "strandel.desktop";
  fs::path program = home.path() / "bin" / "strandel";
  std::vector<std::string> told;
  XdgLoginItems service{autostart, program,
                        [this](const std::string& line) { told.push_back(line); }};
};

TEST_F(XdgLoginItemsTest, RegisterWritesTheEntryAndUnregisterRemovesIt) {
  EXPECT_EQ(service.status(), Status::notRegistered);
  EXPECT_EQ(service.registerService(), std::nullopt);  // makes the directory too
  EXPECT_EQ(service.status(), Status::enabled);
  std::string text = readFile(entry);
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(text.find("\nExec=" + program.string() + "\n"), std::string::npos);
  EXPECT_EQ(service.unregisterService(), std::nullopt);
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_EQ(service.unregisterService(), std::nullopt);  // nothing left to remove

  // Switched off: registering turns it on.
  writeFile(entry, "[Desktop Entry]\nName=Strandel\nHidden=true\n");
  EXPECT_EQ(service.registerService(), std::nullopt);
  EXPECT_EQ(service.status(), Status::enabled);
}

TEST_F(XdgLoginItemsTest, StatusFollowsTheEntrysSwitchesAndAFileNotOursIsLeftAlone) {
  const std::string ours = "[Desktop Entry]\nName=Strandel\n";
  const std::pair<std::string, Status> cases[] = {
      {ours + "Type=Application\nExec=x\n", Status::enabled},
      {ours + "Hidden = True \n", Status::requiresApproval},
      {ours + "X-GNOME-Autostart-enabled=false\n", Status::requiresApproval},
      {ours + "Exec=x\n[Desktop Action quit]\nHidden=true\n", Status::enabled},  // other group
      {"# made by Strandel\n\n" + ours + "# Hidden=true\n", Status::enabled},
      // Not ours: not a desktop entry, or another program's.
      {"\x7f"
       "ELF\x02\x01 random bytes",
       Status::notRegistered},
      {"Name=Strandel\n" + ours, Status::notRegistered},
      {"[Other]\n" + ours, Status::notRegistered},
      {"[Desktop Entry]\nName=Other\n[Strandel]\nName=Strandel\n", Status::notRegistered},
      {ours + "a line without a value\n", Status::notRegistered},
      {ours + "Comment=\xff\xfe\n", Status::notRegistered},
      {ours + std::string("Comment=a\0b\n", 12), Status::notRegistered},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    writeFile(entry, text);
    EXPECT_EQ(service.status(), expected);
    if (expected != Status::notRegistered) continue;
    told.clear();
    EXPECT_EQ(service.unregisterService(), std::nullopt);
    EXPECT_EQ(readFile(entry), text);
    EXPECT_EQ(told, std::vector<std::string>{"Strandel: " + entry.string() +
                                             " is not Strandel's autostart entry; it is left "
                                             "as it is"});
  }
}

TEST_F(XdgLoginItemsTest, FailuresSayWhyAndLeaveNoEntry) {
  XdgLoginItems moved(autostart, home.path() / "gone");
  EXPECT_EQ(moved.status(), Status::notFound);
  EXPECT_TRUE(mentions(moved.registerService(), (home.path() / "gone").string()));
  EXPECT_FALSE(fs::exists(entry));

  writeFile(home.path() / "blocker", "a file where the directory should be");
  XdgLoginItems blocked(home.path() / "blocker" / "autostart", program);
  EXPECT_TRUE(mentions(blocked.registerService(), (home.path() / "blocker").string()));
  EXPECT_EQ(blocked.status(), Status::notRegistered);
}

TEST_F(XdgLoginItemsTest, ReadOnlyDirectoryRefusesBothChanges) {
  ASSERT_EQ(service.registerService(), std::nullopt);
  runWithPermissionsEnforced(home.path(), [&] {
    ASSERT_TRUE(makeReadOnly(autostart));
    auto error = service.unregisterService();
    EXPECT_TRUE(mentions(error, "Permission denied"));
    EXPECT_TRUE(mentions(error, autostart.string()));
    EXPECT_EQ(service.status(), Status::enabled);
    EXPECT_TRUE(mentions(service.registerService(), "Permission denied"));
  });
}

// The argument vector a launcher makes of an Exec value: the value's escapes first, then the
// command line's quoting, then "%%" for a percent sign.
std::vector<std::string> launcherArguments(const std::string& value) {
  std::string line;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      char e = value[++i];
      c = e == 's' ? ' ' : e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
    }
    line += c;
  }
  std::vector<std::string> arguments;
  std::string argument;
  bool quoted = false, started = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted && c == '\\' && i + 1 < line.size()) {
      argument += line[++i];
    } else if (c == '"') {
      quoted = !quoted;
      started = true;
    } else if (c == '%' && i + 1 < line.size() && line[i + 1] == '%') {
      argument += line[++i];
    } else if (c == ' ' && !quoted) {
      if (started) arguments.push_back(std::exchange(argument, ""));
      started = false;
    } else {
      argument += c;
      started = true;
    }
  }
  if (started) arguments.push_back(argument);
  return arguments;
}

// Runs the entry's command as a launcher would, returning its exit status.
int runEntry(const fs::path& entry) {
  std::string text = readFile(entry);
  size_t exec = text.find("\nExec=") + 6;
  std::vector<std::string> arguments =
      launcherArguments(text.substr(exec, text.find('\n', exec) - exec));
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whatever the program's directory is called, the entry stays valid text that is recognised
// as ours, and it starts that very program.
TEST_F(XdgLoginItemsTest, AnyPathTheSystemAllowsIsWrittenRecognisedAndStarted) {
  const std::string names[] = {
      "plain",         "My Apps", "$x \"q\" `b` \\ 100% ~#;", "\xff\xfe", "tab\tand\x7f",
      "line\nbreak\n", "-_",
  };
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    const fs::path path = home.path() / name / ("s" + name);
    const fs::path started = home.path() / "started";
    fs::remove(started);
    writeFile(path, "#!/bin/sh\nprintf '%s\\n' \"$0\" > " + started.string() + "\n");
    fs::permissions(path, fs::perms::owner_all);
    told.clear();
    XdgLoginItems moved(autostart, path, [this](const std::string& line) { told.push_back(line); });
    ASSERT_EQ(moved.registerService(), std::nullopt);
    EXPECT_EQ(moved.status(), Status::enabled);
    EXPECT_EQ(moved.registerService(), std::nullopt);  // ours: nothing is moved aside
    EXPECT_EQ(told, std::vector<std::string>{});
    EXPECT_EQ(std::distance(fs::directory_iterator(autostart), fs::directory_iterator()), 1);
    EXPECT_EQ(runEntry(entry), 0);
    EXPECT_EQ(readFile(started), path.string() + "\n");
  }
}

TEST(DesktopExecTest, QuotesAndEscapesPathsAsEntriesRequire) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"/usr/bin/strandel", "/usr/bin/strandel"},
      {"/opt/My Apps/strandel", "\"/opt/My Apps/strandel\""},
      {"/opt/$x/a\"b", "\"/opt/\\\\$x/a\\\\\"b\""},
      {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
      {"/opt/100%/strandel", "/opt/100%%/strandel"},
      // Not UTF-8 or with control characters: a shell rebuilds the path from octal escapes.
      {"/opt/\xff\n", R"(/bin/sh -c "p=\\$(printf '/opt/\\\\377\\\\012_'); exec \\"\\${p%%_}\\"")"},
      {"", std::nullopt},
  };
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(desktopExecValue(path), expected);
  }
}

// The settings and the autostart entry live in the same configuration home.
TEST(XdgBaseDirectoryTest, SettingsAndAutostartFollowTheConfigHome) {
  struct Case {
    std::optional<std::string> config, home;
    std::optional<fs::path> base;
  };
  const Case cases[] = {
      {"/cfg", "/home/u", fs::path("/cfg")},
      {"cfg", "/home/u", fs::path("/home/u/.config")},  // relative: ignored
      {std::nullopt, "/home/u", fs::path("/home/u/.config")},
      {std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config.value_or("unset"));
    EnvGuard env;
    env.set("XDG_CONFIG_HOME", c.config);
    env.set("HOME", c.home);
    auto under = [&](const char* name) {
      return c.base ? std::optional(*c.base / name) : std::nullopt;
    };
    EXPECT_EQ(defaultDefaultsDirectory(), under("strandel"));
    EXPECT_EQ(defaultAutostartDirectory(), under("autostart"));
    if (c.base) continue;
    // Without a home nothing can be registered, and nothing is written anywhere else.
    EXPECT_TRUE(makeXdgLoginItems()->registerService().has_value());
  }
  EXPECT_EQ(currentExecutablePath(), fs::canonical("/proc/self/exe"));
}

}  // namespace
}  // namespace strandel::sim
