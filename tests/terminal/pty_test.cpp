// The built program on a pseudo-terminal, as a person at a terminal runs it.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "support/temp_dir.h"
#include "test_scene.h"

namespace strandel::sim::terminal {
namespace {

using Clock = std::chrono::steady_clock;

// Bounds every wait: generous, since CI machines are slow, but a hang fails the test.
constexpr std::chrono::seconds kPatience{20};

// The program on a 120x40 terminal with this scene, its settings and autostart entry in a
// home of its own, never the user's.
class PtyProgram {
 public:
  explicit PtyProgram(const std::string& sceneJson) {
    std::string scene = (home_.path() / "scene.json").string();
    test::writeFile(scene, sceneJson);
    winsize size{40, 120, 0, 0};
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0) throw std::runtime_error("forkpty");
    if (pid_ == 0) {
      ::setenv("TERM", "xterm-256color", 1);
      ::setenv("LC_ALL", "C.UTF-8", 1);
      ::setenv("XDG_CONFIG_HOME", home_.path().c_str(), 1);
      ::execl(STRANDEL_PROGRAM, STRANDEL_PROGRAM, "--scene", scene.c_str(), nullptr);
      ::_exit(127);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~PtyProgram() {
    if (!status_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(master_);
  }

  // Reads until `text` appears in the output after `from`; false when the program ends or
  // the patience runs out first.
  bool waitFor(const std::string& text, size_t from = 0) {
    auto deadline = Clock::now() + kPatience;
    while (output_.find(text, from) == std::string::npos) {
      if (ended_ || !readSome(deadline)) return output_.find(text, from) != std::string::npos;
    }
    return true;
  }

  void send(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // The kernel tells the terminal's foreground process with SIGWINCH.
  void resize(winsize size) { ASSERT_EQ(::ioctl(master_, TIOCSWINSZ, &size), 0); }

  // The exit status once the program has ended, reading its last output on the way.
  std::optional<int> waitForExit() {
    auto deadline = Clock::now() + kPatience;
    while (!ended_ && readSome(deadline)) {
    }
    int status = 0;
    if (!ended_ || ::waitpid(pid_, &status, 0) != pid_) return std::nullopt;
    status_ = status;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  const std::string& output() const { return output_; }

 private:
  // Waits for output until the deadline; false when there was none.
  bool readSome(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd fd{master_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) output_.append(buffer, static_cast<size_t>(n));
    if (n == 0 || (n < 0 && errno == EIO)) ended_ = true;  // the slave side closed
    return n > 0 || (n < 0 && errno == EAGAIN);
  }

  test::TempDir home_;
  pid_t pid_ = -1;
  int master_ = -1;
  std::string output_;
  bool ended_ = false;
  std::optional<int> status_;
};

TEST(Terminal, TheStatusItemShowsBeforeTheFirstScanEndsAndAKeyOpensTheMenu) {
  // Three slow apps: the first scan takes three quarters of a second.
  PtyProgram program(testing::testScene(true, "\"offline\"", true));
  ASSERT_TRUE(program.waitFor("⋯")) << program.output();  // the program's status item
  EXPECT_EQ(program.output().find("scan:"), std::string::npos) << program.output();
  ASSERT_TRUE(program.waitFor("scan:")) << program.output();
  EXPECT_EQ(program.output().find("Quit Strandel"), std::string::npos);
  size_t before = program.output().size();
  program.send("\r");
  for (const char* row : {"HIDDEN (2)", "Shelf", "Wi-Fi", "Quit Strandel", "⌘Q"}) {
    EXPECT_TRUE(program.waitFor(row, before)) << row << program.output().substr(before);
  }
  // Typing "q" in the open menu reaches the Quit row, and Return chooses it.
  program.send("q");
  program.send("\r");
  EXPECT_EQ(program.waitForExit(), 0);
  EXPECT_NE(program.output().find("Strandel quit."), std::string::npos);
}

TEST(Terminal, TheScreenFollowsTheTerminalsSizeAndAnInterruptGivesTheTerminalBack) {
  PtyProgram program(testing::testScene(false));
  ASSERT_TRUE(program.waitFor("Open System Settings")) << program.output();
  size_t before = program.output().size();
  program.resize({24, 80, 0, 0});
  // Redrawn whole at the new size.
  EXPECT_TRUE(program.waitFor("Open System Settings", before)) << program.output().substr(before);
  before = program.output().size();
  program.send("\x03");  // Ctrl-C
  EXPECT_EQ(program.waitForExit(), 0);
  EXPECT_NE(program.output().find("\033[?1003l", before), std::string::npos);  // pointer off
  EXPECT_EQ(program.output().find("Strandel quit."), std::string::npos);  // the program did not
}

TEST(Terminal, ARefusedSceneIsReportedBeforeTheTerminalIsTakenOver) {
  PtyProgram program("{\"screen\": null, \"apps\": [");
  EXPECT_EQ(program.waitForExit(), 1);
  EXPECT_NE(program.output().find("the scene is refused"), std::string::npos);
  EXPECT_EQ(program.output().find("\033[?1003h"), std::string::npos);
}

}  // namespace
}  // namespace strandel::sim::terminal
