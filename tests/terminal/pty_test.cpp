// The built program on a pseudo-terminal, as a person at a terminal runs it.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "support/temp_dir.h"
#include "test_scene.h"

namespace strandel::sim::terminal {
namespace {

using Clock = std::chrono::steady_clock;

// Bounds every wait: generous, since CI machines are slow, but a hang fails the test.
constexpr std::chrono::seconds kPatience{20};

// Written by the job-control shell when the program has stopped.
constexpr const char* kStopped = "[stopped]";

// What a shell with job control does around its foreground job, reduced to the program:
// starts it as a process group of its own in the terminal's foreground; when it stops,
// takes the terminal back, says so and waits for a line, then gives the terminal back and
// continues it (`fg`). Runs in the child that owns the terminal; ends with the program.
[[noreturn]] void runAsForegroundJob(const char* program, const char* scene) {
  ::signal(SIGTTOU, SIG_IGN);  // for tcsetpgrp from outside the foreground
  termios shellModes{};
  ::tcgetattr(STDIN_FILENO, &shellModes);
  pid_t job = ::fork();
  if (job == 0) {
    ::setpgid(0, 0);
    ::tcsetpgrp(STDIN_FILENO, ::getpid());
    ::signal(SIGTTOU, SIG_DFL);
    ::execl(program, program, "--scene", scene, nullptr);
    ::_exit(127);
  }
  ::setpgid(job, job);
  ::tcsetpgrp(STDIN_FILENO, job);
  int status = 0;
  while (::waitpid(job, &status, WUNTRACED) == job && WIFSTOPPED(status)) {
    ::tcsetpgrp(STDIN_FILENO, ::getpgrp());
    ::tcsetattr(STDIN_FILENO, TCSADRAIN, &shellModes);  // a shell reads lines in its own modes
    [[maybe_unused]] ssize_t said = ::write(STDOUT_FILENO, kStopped, std::strlen(kStopped));
    char line[64];
    [[maybe_unused]] ssize_t heard = ::read(STDIN_FILENO, line, sizeof line);
    ::tcsetpgrp(STDIN_FILENO, job);
    ::kill(-job, SIGCONT);
  }
  ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

// The program on a 120x40 terminal with this scene, its settings and autostart entry in a
// home of its own, never the user's; started by itself, or as a shell's job.
class PtyProgram {
 public:
  explicit PtyProgram(const std::string& sceneJson, bool asJob = false) {
    std::string scene = (home_.path() / "scene.json").string();
    test::writeFile(scene, sceneJson);
    winsize size{40, 120, 0, 0};
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0) throw std::runtime_error("forkpty");
    if (pid_ == 0) {
      ::setenv("TERM", "xterm-256color", 1);
      ::setenv("LC_ALL", "C.UTF-8", 1);
      ::setenv("XDG_CONFIG_HOME", home_.path().c_str(), 1);
      if (::chdir(home_.path().c_str()) != 0) ::_exit(126);  // where copied reports land
      if (asJob) runAsForegroundJob(STRANDEL_PROGRAM, scene.c_str());
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

  void signal(int number) { ASSERT_EQ(::kill(pid_, number), 0); }
  // To the terminal's foreground job: the program itself when it runs as a shell's job.
  void signalJob(int number) { ASSERT_EQ(::kill(-::tcgetpgrp(master_), number), 0); }

  // Whether the terminal's modes are those of a new terminal, as the program found them.
  bool terminalAsItWas() const {
    termios now{};
    if (::tcgetattr(master_, &now) != 0) return false;
    const termios& was = freshModes();
    return now.c_iflag == was.c_iflag && now.c_oflag == was.c_oflag && now.c_lflag == was.c_lflag &&
           now.c_cflag == was.c_cflag;
  }

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

  static const termios& freshModes() {
    static const termios modes = [] {
      termios t{};
      int master = -1, slave = -1;
      if (::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0) {
        ::tcgetattr(slave, &t);
        ::close(slave);
        ::close(master);
      }
      return t;
    }();
    return modes;
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
  // The update check at 3 s fails, saying why as the transfer told it ("connect" to whom).
  ASSERT_TRUE(program.waitFor("-> failed:")) << program.output();
  EXPECT_TRUE(program.waitFor("connect", program.output().find("-> failed:"))) << program.output();
  size_t before = program.output().size();
  program.send("\r");
  for (const char* row : {"HIDDEN (2)", "Shelf", "Wi-Fi", "Quit Strandel", "⌘Q"}) {
    EXPECT_TRUE(program.waitFor(row, before)) << row << program.output().substr(before);
  }
}

TEST(Terminal, EverySignalThatEndsTheViewGivesTheTerminalBack) {
  struct Ending {
    const char* name;
    std::function<void(PtyProgram&)> act;
  };
  const Ending endings[] = {
      {"Ctrl-C", [](PtyProgram& p) { p.send("\x03"); }},
      {"Ctrl-\\", [](PtyProgram& p) { p.send("\x1c"); }},
      {"SIGTERM", [](PtyProgram& p) { p.signal(SIGTERM); }},
      {"SIGHUP", [](PtyProgram& p) { p.signal(SIGHUP); }},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    PtyProgram program(testing::testScene(false));
    ASSERT_TRUE(program.waitFor("Open System Settings")) << program.output();
    EXPECT_FALSE(program.terminalAsItWas());
    size_t before = program.output().size();
    ending.act(program);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_TRUE(program.terminalAsItWas());
    EXPECT_NE(program.output().find("\033[?1003l", before), std::string::npos);  // pointer off
    EXPECT_EQ(program.output().find("Strandel quit."), std::string::npos);  // the program did not
  }
}

TEST(Terminal,
     TheScreenFollowsTheTerminalsSizeAndAStoppedViewGivesTheTerminalBackUntilItContinues) {
  PtyProgram program(testing::testScene(false), /*asJob=*/true);
  ASSERT_TRUE(program.waitFor("Open System Settings")) << program.output();
  size_t before = program.output().size();
  program.resize({24, 80, 0, 0});
  // Redrawn whole at the new size.
  ASSERT_TRUE(program.waitFor("Open System Settings", before)) << program.output().substr(before);
  before = program.output().size();
  program.send("\x1a");  // Ctrl-Z
  ASSERT_TRUE(program.waitFor(kStopped, before)) << program.output().substr(before);
  EXPECT_TRUE(program.terminalAsItWas());
  EXPECT_NE(program.output().find("\033[?1003l", before), std::string::npos);

  before = program.output().size();
  program.send("\n");  // fg
  // Drawn whole again, the pointer followed again, the keys read one by one again.
  EXPECT_TRUE(program.waitFor("Open System Settings", before)) << program.output().substr(before);
  EXPECT_TRUE(program.waitFor("\033[?1003h", before)) << program.output().substr(before);
  EXPECT_FALSE(program.terminalAsItWas());
  program.send("\r");  // the prompt's default button still answers
  EXPECT_TRUE(program.waitFor("Allow the applications below", before))
      << program.output().substr(before);
  // Stopped from outside, which the view cannot see coming: the shell has set its own modes
  // by the time the view continues, and the view takes the terminal again.
  before = program.output().size();
  program.signalJob(SIGSTOP);
  ASSERT_TRUE(program.waitFor(kStopped, before)) << program.output().substr(before);
  EXPECT_TRUE(program.terminalAsItWas());
  before = program.output().size();
  program.send("\n");
  EXPECT_TRUE(program.waitFor("Allow the applications below", before));
  EXPECT_FALSE(program.terminalAsItWas());
  program.send("\x03");
  EXPECT_EQ(program.waitForExit(), 0);
  EXPECT_TRUE(program.terminalAsItWas());
}

TEST(Terminal, QuittingWhileReportsOfASlowHostAreQueuedLeavesAtOnceAndGivesTheTerminalBack) {
  // Sixteen apps that answer each request in 0.2 s: every report runs to its bound of 3 s.
  std::string scene = R"({"screen": {"frame": [0, 0, 1512, 982]}, "accessibilityGranted": true,
                          "apps": [)";
  for (int i = 0; i < 16; ++i) {
    scene += (i ? ", " : "") + std::string(R"({"pid": )") + std::to_string(600 + i) +
             R"(, "name": "Slow", "responseDelay": 0.2, "extras": [{"frame": [)" +
             std::to_string(700 + 40 * i) + ", 0, 30, 37]}]}";
  }
  PtyProgram program(scene + "]}");
  ASSERT_TRUE(program.waitFor("⋯")) << program.output();
  // Ten reports, chosen with Option held: taking them all would outlast the patience.
  for (int report = 0; report < 10; ++report) {
    size_t before = program.output().size();
    program.send("\r");
    ASSERT_TRUE(program.waitFor("Quit Strandel", before)) << program.output().substr(before);
    program.send("\t");
    ASSERT_TRUE(program.waitFor("Option held", before)) << program.output().substr(before);
    program.send("\x1bOA\x1bOA\x1bOA\r");  // up from no row: Quit, Support, the report
  }
  ASSERT_TRUE(program.waitFor("report: ")) << program.output();  // the first, in about 3 s
  size_t before = program.output().size();
  program.send("\r");
  ASSERT_TRUE(program.waitFor("Quit Strandel", before)) << program.output().substr(before);
  program.send("\x1bOA\r");  // up from no highlighted row: the last row, Quit
  EXPECT_EQ(program.waitForExit(), 0) << program.output().substr(before);
  EXPECT_TRUE(program.terminalAsItWas());
  EXPECT_NE(program.output().find("\033[?1003l", before), std::string::npos);  // pointer off
  EXPECT_NE(program.output().find("Strandel quit.", before), std::string::npos);
}

TEST(Terminal, ARefusedSceneIsReportedBeforeTheTerminalIsTakenOver) {
  PtyProgram program("{\"screen\": null, \"apps\": [");
  EXPECT_EQ(program.waitForExit(), 1);
  EXPECT_NE(program.output().find("the scene is refused"), std::string::npos);
  EXPECT_EQ(program.output().find("\033[?1003h"), std::string::npos);
}

}  // namespace
}  // namespace strandel::sim::terminal
