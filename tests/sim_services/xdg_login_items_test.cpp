#include "adapters/sim/services/xdg_login_items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

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
  XdgLoginItems service{autostart, program};
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

  writeFile(entry, "[Desktop Entry]\nHidden=true\n");  // switched off: registering turns it on
  EXPECT_EQ(service.registerService(), std::nullopt);
  EXPECT_EQ(service.status(), Status::enabled);
}

TEST_F(XdgLoginItemsTest, StatusFollowsTheEntrysSwitches) {
  const std::pair<const char*, Status> cases[] = {
      {"Type=Application\nExec=x\n", Status::enabled},
      {"Hidden = True \n", Status::requiresApproval},
      {"X-GNOME-Autostart-enabled=false\n", Status::requiresApproval},
      {"Exec=x\n[Desktop Action quit]\nHidden=true\n", Status::enabled},  // another group
      {"# Hidden=true\n", Status::enabled},
  };
  for (const auto& [body, expected] : cases) {
    SCOPED_TRACE(body);
    writeFile(entry, std::string("[Desktop Entry]\n") + body);
    EXPECT_EQ(service.status(), expected);
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
