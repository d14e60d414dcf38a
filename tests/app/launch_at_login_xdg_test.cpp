// Launch at login on Linux: the footer row against a real autostart entry in a temporary home.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "adapters/sim/services/xdg_login_items.h"
#include "support/temp_dir.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

namespace fs = std::filesystem;
using sim::test::readFile;
using sim::test::writeFile;

constexpr const char* kPrefix = "Strandel: 로그인 항목 변경 실패 — ";

class LaunchAtLoginOnXdg : public ::testing::Test {
 protected:
  // The delegate with the real autostart entry as its login item.
  std::shared_ptr<AppDelegate> delegateWith(const fs::path& executable) {
    writeFile(program, "#!/bin/sh\n");
    service = std::make_shared<sim::XdgLoginItems>(autostart, executable);
    tp.platform.loginItems = service;
    return tp.makeDelegate();
  }

  sim::test::TempDir home;
  fs::path autostart = home.path() / ".config" / "autostart";
  fs::path program = home.path() / "bin" / "strandel";
  test::TestPlatform tp;
  std::shared_ptr<sim::XdgLoginItems> service;
};

TEST_F(LaunchAtLoginOnXdg, TogglingWritesAndRemovesTheEntry) {
  auto delegate = delegateWith(program);
  ASSERT_EQ(service->status(), LoginItemStatus::notRegistered);

  delegate->toggleLaunchAtLogin();
  EXPECT_EQ(service->status(), LoginItemStatus::enabled);
  EXPECT_NE(readFile(service->entryPath()).find("Exec=" + program.string()), std::string::npos);

  delegate->toggleLaunchAtLogin();
  EXPECT_EQ(service->status(), LoginItemStatus::notRegistered);
  EXPECT_FALSE(fs::exists(service->entryPath()));
  EXPECT_TRUE(tp.systemLog->lines.empty());
}

TEST_F(LaunchAtLoginOnXdg, AnEntrySwitchedOffAwaitsApprovalAndIsRegisteredAgain) {
  auto delegate = delegateWith(program);
  writeFile(autostart / "strandel.desktop",
            "[Desktop Entry]\nType=Application\nName=Strandel\nExec=" + program.string() +
                "\nHidden=true\n");
  ASSERT_EQ(service->status(), LoginItemStatus::requiresApproval);

  delegate->toggleLaunchAtLogin();
  EXPECT_EQ(service->status(), LoginItemStatus::enabled);
}

TEST_F(LaunchAtLoginOnXdg, AMissingProgramIsNotFoundAndTheFailureOnlyLogged) {
  auto delegate = delegateWith(home.path() / "bin" / "gone");
  ASSERT_EQ(service->status(), LoginItemStatus::notFound);

  delegate->toggleLaunchAtLogin();
  ASSERT_EQ(tp.systemLog->lines.size(), 1u);
  EXPECT_EQ(tp.systemLog->lines[0].rfind(kPrefix, 0), 0u);
  EXPECT_GT(tp.systemLog->lines[0].size(), std::string(kPrefix).size());
  EXPECT_FALSE(fs::exists(autostart / "strandel.desktop"));
}

TEST_F(LaunchAtLoginOnXdg, AReadOnlyDirectoryGivesTheLogLine) {
  auto delegate = delegateWith(program);
  delegate->toggleLaunchAtLogin();
  ASSERT_EQ(service->status(), LoginItemStatus::enabled);

  sim::test::runWithPermissionsEnforced(home.path(), [&] {
    ASSERT_TRUE(sim::test::makeReadOnly(autostart));
    delegate->toggleLaunchAtLogin();
    ASSERT_EQ(tp.systemLog->lines.size(), 1u);
    const std::string& line = tp.systemLog->lines[0];
    EXPECT_EQ(line.rfind(kPrefix, 0), 0u);
    EXPECT_NE(line.find("Permission denied"), std::string::npos);
    // Unchanged: the entry stays, and the check mark follows it.
    EXPECT_EQ(service->status(), LoginItemStatus::enabled);
  });
}

}  // namespace
}  // namespace strandel
