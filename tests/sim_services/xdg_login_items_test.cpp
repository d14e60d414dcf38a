#include "adapters/sim/services/xdg_login_items.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
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
    if (expected == Status::requiresApproval) {  // switched off: registering turns it on
      EXPECT_EQ(service.registerService(), std::nullopt);
      EXPECT_EQ(service.status(), Status::enabled);
    }
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
    fs::permissions(autostart, fs::perms::owner_read | fs::perms::owner_exec);
    auto error = service.unregisterService();
    EXPECT_TRUE(mentions(error, "Permission denied"));
    EXPECT_TRUE(mentions(error, autostart.string()));
    EXPECT_EQ(service.status(), Status::enabled);
    EXPECT_TRUE(mentions(service.registerService(), "Permission denied"));
  });
}

// Runs the entry's command as a launcher would, returning its exit status: the value's
// escapes, then "%%" for a percent sign, then the command line's quoting, which is the shell's.
int runEntry(const fs::path& entry) {
  const std::string text = readFile(entry);
  const size_t exec = text.find("\nExec=") + 6;
  const std::string value = text.substr(exec, text.find('\n', exec) - exec);
  std::string line;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      const char e = value[++i];
      c = e == 's' ? ' ' : e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
    } else if (c == '%' && i + 1 < value.size() && value[i + 1] == '%') {
      ++i;
    }
    line += c;
  }
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whatever the program's directory is called, the entry stays valid text that is recognised
// as ours, and it starts that very program.
TEST_F(XdgLoginItemsTest, AnyPathTheSystemAllowsIsWrittenRecognisedAndStarted) {
  const std::string names[] = {
      // An escape before a digit ("\t7" must not read as "\117"), and DEL alone.
      "plain",         "My Apps", "$x \"q\" `b` \\ 100% ~#;", "\xff\xfe", "tab\t7", "del\x7f",
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
    EXPECT_EQ(moved.unregisterService(), std::nullopt);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(moved.unregisterService(), std::nullopt);  // nothing left to remove
  }
  EXPECT_EQ(desktopExecValue(""), std::nullopt);
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
