#include "adapters/sim/services/xdg_login_items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "sim_services/env_guard.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

class XdgLoginItemsTest : public ::testing::Test {
 protected:
  void SetUp() override { writeFile(program, "#!/bin/sh\n"); }

  XdgLoginItems items() { return XdgLoginItems(autostart, program); }

  test::TempDir home;
  fs::path autostart = home.path() / ".config" / "autostart";
  fs::path program = home.path() / "bin" / "strandel";
};

TEST_F(XdgLoginItemsTest, RegisterAndUnregisterRoundTrip) {
  auto service = items();
  EXPECT_EQ(service.status(), LoginItemStatus::notRegistered);
  EXPECT_EQ(service.registerService(), std::nullopt);  // makes the directory too
  EXPECT_EQ(service.status(), LoginItemStatus::enabled);
  std::string entry = readFile(autostart / "strandel.desktop");
  EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(entry.find("\nExec=" + program.string() + "\n"), std::string::npos);
  EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);

  EXPECT_EQ(service.unregisterService(), std::nullopt);
  EXPECT_EQ(service.status(), LoginItemStatus::notRegistered);
  EXPECT_FALSE(fs::exists(autostart / "strandel.desktop"));
  EXPECT_EQ(service.unregisterService(), std::nullopt);  // nothing left to remove
}

TEST_F(XdgLoginItemsTest, StatusFollowsTheEntrysSwitches) {
  struct Case {
    const char* name;
    std::string entry;
    LoginItemStatus expected;
  };
  const Case cases[] = {
      {"plain", "[Desktop Entry]\nType=Application\nExec=x\n", LoginItemStatus::enabled},
      {"hidden", "[Desktop Entry]\nHidden=true\n", LoginItemStatus::requiresApproval},
      {"hidden with spaces and case", "[Desktop Entry]\nHidden = True \n",
       LoginItemStatus::requiresApproval},
      {"session switch off", "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n",
       LoginItemStatus::requiresApproval},
      {"switches in another group don't count",
       "[Desktop Entry]\nExec=x\n[Desktop Action quit]\nHidden=true\n", LoginItemStatus::enabled},
      {"commented out", "[Desktop Entry]\n# Hidden=true\n", LoginItemStatus::enabled},
      {"explicitly on", "[Desktop Entry]\nHidden=false\nX-GNOME-Autostart-enabled=true\n",
       LoginItemStatus::enabled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(autostart / "strandel.desktop", c.entry);
    EXPECT_EQ(items().status(), c.expected);
  }
}

TEST_F(XdgLoginItemsTest, RegisteringASwitchedOffEntrySwitchesItOn) {
  writeFile(autostart / "strandel.desktop", "[Desktop Entry]\nHidden=true\n");
  auto service = items();
  ASSERT_EQ(service.status(), LoginItemStatus::requiresApproval);
  EXPECT_EQ(service.registerService(), std::nullopt);
  EXPECT_EQ(service.status(), LoginItemStatus::enabled);
}

TEST_F(XdgLoginItemsTest, MissingExecutableIsNotFoundAndCannotRegister) {
  XdgLoginItems unknown(autostart, std::nullopt);
  EXPECT_EQ(unknown.status(), LoginItemStatus::notFound);
  auto error = unknown.registerService();
  ASSERT_TRUE(error.has_value());
  EXPECT_FALSE(error->localizedDescription.empty());

  XdgLoginItems moved(autostart, home.path() / "gone");
  EXPECT_EQ(moved.status(), LoginItemStatus::notFound);
  error = moved.registerService();
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->localizedDescription.find((home.path() / "gone").string()), std::string::npos);
  EXPECT_FALSE(fs::exists(autostart / "strandel.desktop"));
}

TEST_F(XdgLoginItemsTest, UnwritableDirectoryGivesAnErrorNamingThePath) {
  writeFile(home.path() / "blocker", "a file where the directory should be");
  XdgLoginItems service(home.path() / "blocker" / "autostart", program);
  auto error = service.registerService();
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->localizedDescription.find((home.path() / "blocker").string()),
            std::string::npos);
  EXPECT_EQ(service.status(), LoginItemStatus::notRegistered);
}

TEST_F(XdgLoginItemsTest, ReadOnlyDirectoryRefusesBothChanges) {
  auto service = items();
  ASSERT_EQ(service.registerService(), std::nullopt);
  test::runWithPermissionsEnforced(home.path(), [&] {
    ASSERT_TRUE(test::makeReadOnly(autostart));
    auto error = service.unregisterService();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->localizedDescription.find("Permission denied"), std::string::npos);
    EXPECT_NE(error->localizedDescription.find(autostart.string()), std::string::npos);
    EXPECT_EQ(service.status(), LoginItemStatus::enabled);
    error = service.registerService();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->localizedDescription.find("Permission denied"), std::string::npos);
  });
}

TEST(DesktopExecTest, QuotesAndEscapesPathsAsEntriesRequire) {
  struct Case {
    std::string path;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"/usr/bin/strandel", "/usr/bin/strandel"},
      {"/opt/My Apps/strandel", "\"/opt/My Apps/strandel\""},
      {"/opt/$x/strandel", "\"/opt/\\\\$x/strandel\""},
      {"/opt/a\"b", "\"/opt/a\\\\\"b\""},
      {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
      {"/opt/100%/strandel", "/opt/100%%/strandel"},
      {"/opt/line\nbreak", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(desktopExecValue(c.path), c.expected);
  }
}

TEST(DesktopExecTest, PathWithAControlCharacterIsRefusedAtRegistration) {
  test::TempDir home;
  fs::path program = home.path() / "bad\tname";
  writeFile(program, "");
  XdgLoginItems service(home.path() / "autostart", program);
  auto error = service.registerService();
  ASSERT_TRUE(error.has_value());
  EXPECT_FALSE(fs::exists(home.path() / "autostart" / "strandel.desktop"));
}

TEST(XdgLoginItemsDefaultsTest, AutostartDirectoryAndExecutable) {
  {
    test::EnvGuard env;
    env.set("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(defaultAutostartDirectory(), fs::path("/cfg/autostart"));
    env.set("XDG_CONFIG_HOME", std::nullopt);
    env.set("HOME", "/home/u");
    EXPECT_EQ(defaultAutostartDirectory(), fs::path("/home/u/.config/autostart"));
    env.set("HOME", std::nullopt);
    EXPECT_EQ(defaultAutostartDirectory(), std::nullopt);
    // Without a home nothing can be registered, and nothing is written anywhere else.
    EXPECT_TRUE(makeXdgLoginItems()->registerService().has_value());
  }
  auto self = currentExecutablePath();
  ASSERT_TRUE(self.has_value());
  EXPECT_TRUE(fs::is_regular_file(*self));
}

}  // namespace
}  // namespace strandel::sim
