#include "adapters/sim/services/xdg_login_items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
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
  writeFile(home.path() / "bad\tname", "");
  EXPECT_TRUE(XdgLoginItems(autostart, home.path() / "bad\tname").registerService());
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

TEST(DesktopExecTest, QuotesAndEscapesPathsAsEntriesRequire) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"/usr/bin/strandel", "/usr/bin/strandel"},
      {"/opt/My Apps/strandel", "\"/opt/My Apps/strandel\""},
      {"/opt/$x/a\"b", "\"/opt/\\\\$x/a\\\\\"b\""},
      {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
      {"/opt/100%/strandel", "/opt/100%%/strandel"},
      {"/opt/line\nbreak", std::nullopt},
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
