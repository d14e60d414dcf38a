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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "test_scene.h"

#ifndef STRANDEL_PROGRAM
#define STRANDEL_PROGRAM STRANDEL_BINARY_DIR "/src/adapters/sim/strandel"
#endif

namespace strandel::sim::terminal {
namespace {

using Clock = std::chrono::steady_clock;

// Bounds every wait: generous, since CI machines are slow, but a hang fails the test.
constexpr std::chrono::seconds kPatience{20};

class SceneFile {
 public:
  explicit SceneFile(const std::string& json) {
    std::string pattern = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : "/tmp") +
                          "/strandel-pty-scene-XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error("mkstemp");
    ::close(fd);
    path_ = pattern;
    std::ofstream(path_) << json;
  }
  ~SceneFile() { ::unlink(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class PtyProgram {
 public:
  PtyProgram(const std::vector<std::string>& arguments, unsigned short columns = 120,
             unsigned short rows = 40) {
    // The program's settings and autostart entry go to a home of its own, never the user's.
    std::string pattern = std::filesystem::temp_directory_path() / "strandel-pty-home-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    configHome_ = pattern;
    winsize size{rows, columns, 0, 0};
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0) throw std::runtime_error("forkpty");
    if (pid_ == 0) {
      ::setenv("TERM", "xterm-256color", 1);
      ::setenv("LC_ALL", "C.UTF-8", 1);
      ::setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
      std::vector<char*> argv;
      std::string program = STRANDEL_PROGRAM;
      argv.push_back(program.data());
      std::vector<std::string> copies = arguments;
      for (auto& a : copies) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }

  ~PtyProgram() {
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGKILL);
      int ignored = 0;
      ::waitpid(pid_, &ignored, 0);
    }
    if (master_ >= 0) ::close(master_);
    std::error_code ignored;
    std::filesystem::remove_all(configHome_, ignored);
  }

  PtyProgram(const PtyProgram&) = delete;
  PtyProgram& operator=(const PtyProgram&) = delete;

  // Output from here on is what the next waitFor searches.
  size_t mark() const { return output_.size(); }

  // Reads until `text` appears in the output after `from`; false when the program ends or
  // the patience runs out first.
  bool waitFor(const std::string& text, size_t from = 0) {
    auto deadline = Clock::now() + kPatience;
    for (;;) {
      if (output_.find(text, from) != std::string::npos) return true;
      if (ended_ || !readSome(deadline)) return output_.find(text, from) != std::string::npos;
    }
  }

  void send(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  void resize(unsigned short columns, unsigned short rows) {
    winsize size{rows, columns, 0, 0};
    // The kernel tells the terminal's foreground process with SIGWINCH.
    ASSERT_EQ(::ioctl(master_, TIOCSWINSZ, &size), 0);
  }

  // The exit status once the program has ended, reading its last output on the way.
  std::optional<int> waitForExit() {
    auto deadline = Clock::now() + kPatience;
    while (!ended_ && readSome(deadline)) {
    }
    if (!ended_) return std::nullopt;
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return std::nullopt;
    status_ = status;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  const std::string& output() const { return output_; }

 private:
  // Waits for output until the deadline; false when there was none.
  bool readSome(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{master_, POLLIN, 0};
    int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
    if (ready <= 0) return false;
    char buffer[4096];
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
      output_.append(buffer, static_cast<size_t>(n));
      return true;
    }
    // The slave side closed: the program has ended.
    if (n == 0 || errno == EIO) ended_ = true;
    return n < 0 && errno == EAGAIN;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  std::string configHome_;
  std::string output_;
  bool ended_ = false;
  std::optional<int> status_;
};

TEST(Terminal, AKeyOpensTheMenuAndItsRowsAppear) {
  SceneFile scene(testing::testScene(true));
  PtyProgram program({"--scene", scene.path()});
  ASSERT_TRUE(program.waitFor("Strandel is running")) << program.output();
  EXPECT_TRUE(program.waitFor("Events"));
  EXPECT_EQ(program.output().find("Quit Strandel"), std::string::npos);

  size_t before = program.mark();
  program.send("\r");
  EXPECT_TRUE(program.waitFor("HIDDEN (2)", before)) << program.output().substr(before);
  EXPECT_TRUE(program.waitFor("Shelf", before));
  EXPECT_TRUE(program.waitFor("Wi-Fi", before));
  EXPECT_TRUE(program.waitFor("Quit Strandel", before));
  EXPECT_TRUE(program.waitFor("⌘Q", before));

  // "q" in the open menu is the Quit row's key equivalent: the program quits.
  program.send("q");
  EXPECT_EQ(program.waitForExit(), 0);
  EXPECT_NE(program.output().find("Strandel quit."), std::string::npos);
}

TEST(Terminal, QWithTheMenuClosedLeavesAndGivesTheTerminalBack) {
  SceneFile scene(testing::testScene(true));
  PtyProgram program({"--scene", scene.path()});
  ASSERT_TRUE(program.waitFor("Strandel is running")) << program.output();
  size_t before = program.mark();
  program.send("q");
  EXPECT_EQ(program.waitForExit(), 0) << program.output().substr(before);
  std::string tail = program.output().substr(before);
  EXPECT_NE(tail.find("\033[?1003l"), std::string::npos);     // pointer reports off again
  EXPECT_EQ(tail.find("Strandel quit."), std::string::npos);  // the program itself did not
}

TEST(Terminal, AnInterruptEndsTheSessionCleanly) {
  SceneFile scene(testing::testScene(false));
  PtyProgram program({"--scene", scene.path()});
  ASSERT_TRUE(program.waitFor("Open System Settings")) << program.output();
  size_t before = program.mark();
  program.send("\x03");  // Ctrl-C
  EXPECT_EQ(program.waitForExit(), 0);
  EXPECT_NE(program.output().find("\033[?1003l", before), std::string::npos);
}

TEST(Terminal, TheScreenFollowsTheTerminalsSize) {
  SceneFile scene(testing::testScene(true));
  PtyProgram program({"--scene", scene.path()});
  ASSERT_TRUE(program.waitFor("Strandel is running")) << program.output();
  size_t before = program.mark();
  program.resize(80, 24);
  // Redrawn whole at the new size.
  EXPECT_TRUE(program.waitFor("Strandel is running", before)) << program.output().substr(before);
  before = program.mark();
  program.send("\r");
  EXPECT_TRUE(program.waitFor("Quit Strandel", before));
  program.send("q");
  EXPECT_EQ(program.waitForExit(), 0);
}

TEST(Terminal, ARefusedSceneIsReportedBeforeTheTerminalIsTakenOver) {
  SceneFile scene("{\"screen\": null, \"apps\": [");
  PtyProgram program({"--scene", scene.path()});
  EXPECT_EQ(program.waitForExit(), 1);
  EXPECT_NE(program.output().find("the scene is refused"), std::string::npos);
  EXPECT_EQ(program.output().find("\033[?1003h"), std::string::npos);
}

}  // namespace
}  // namespace strandel::sim::terminal
