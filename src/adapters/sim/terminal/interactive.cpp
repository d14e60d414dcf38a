#include "adapters/sim/terminal/interactive.h"

#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <vector>

#include "adapters/sim/loop/real_event_loop.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/terminal/canvas.h"
#include "adapters/sim/terminal/controller.h"
#include "adapters/sim/terminal/curses_terminal.h"
#include "adapters/sim/terminal/view.h"
#include "text/display_escape.h"

namespace strandel::sim {

namespace {

using namespace terminal;

// Signals become bytes on a pipe that the event loop watches, so that a resize, an
// interrupt or a stop is handled on the main thread like any other event. The keys, the
// shell and the system that end or stop a program at a terminal send these; none of them may
// leave the terminal as the view set it.
class SignalPipe {
 public:
  static constexpr std::array<int, 7> kSignals = {SIGWINCH, SIGINT,  SIGQUIT, SIGTERM,
                                                  SIGHUP,   SIGTSTP, SIGCONT};

  SignalPipe() {
    if (::pipe2(fds_.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
      throw std::runtime_error("cannot make a pipe for signals");
    }
    writeEnd_ = fds_[1];
    for (size_t i = 0; i < kSignals.size(); ++i) {
      struct sigaction action {};
      action.sa_handler = &SignalPipe::onSignal;
      sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESTART;
      sigaction(kSignals[i], &action, &previous_[i]);
    }
  }

  ~SignalPipe() {
    for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
    writeEnd_ = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
  }

  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  int descriptor() const { return fds_[0]; }

  // Stops the process as a stop key does by default, returning once it is continued (at
  // once in an orphaned process group, which the system does not stop).
  static void stopUntilContinued() {
    struct sigaction stop {
    }, ours{};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTSTP, &stop, &ours);
    ::raise(SIGTSTP);
    sigaction(SIGTSTP, &ours, nullptr);
  }

  std::vector<int> take() {
    std::vector<int> signals;
    std::array<unsigned char, 64> buffer{};
    for (;;) {
      ssize_t n = ::read(fds_[0], buffer.data(), buffer.size());
      if (n <= 0) break;
      signals.insert(signals.end(), buffer.begin(), buffer.begin() + n);
    }
    return signals;
  }

 private:
  static void onSignal(int signal) {
    int saved = errno;
    auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up; the byte may be lost.
    [[maybe_unused]] ssize_t written = ::write(writeEnd_, &byte, 1);
    errno = saved;
  }

  static inline volatile sig_atomic_t writeEnd_ = -1;
  std::array<int, 2> fds_{-1, -1};
  std::array<struct sigaction, kSignals.size()> previous_{};
};

}  // namespace

int runInteractive(Simulator& simulator) {
  RealEventLoop* loop = simulator.realLoop();
  if (!loop) {
    std::cerr << "strandel: the interactive view needs a simulator on real time\n";
    return 1;
  }
  std::setlocale(LC_ALL, "");
  // Every text here is UTF-8, whatever the person's locale says.
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");

  // The signal handlers go in before the terminal is taken over, so that ncurses leaves the
  // window-size signal to the loop.
  std::optional<SignalPipe> signals;
  std::optional<CursesTerminal> screen;
  try {
    signals.emplace();
    screen.emplace();
  } catch (const std::exception& e) {
    screen.reset();
    // Printed by the rule for all text that did not come from the program itself.
    std::cerr << "strandel: cannot use the terminal: " << displayEscape(e.what()) << "\n";
    return 1;
  }

  bool redrawPending = false;
  bool repaint = false;
  std::function<void()> draw;
  Controller controller(simulator,
                        Controller::Host{
                            [&] {
                              // Many changes in one turn of the loop make one drawing after it.
                              if (redrawPending) return;
                              redrawPending = true;
                              loop->mainQueue().async([&] {
                                redrawPending = false;
                                draw();
                              });
                            },
                            [&](const std::function<bool()>& done) { loop->runUntil(done); },
                            [&] { loop->stop(); },
                        });
  draw = [&] {
    Canvas canvas(screen->columns(), screen->rows());
    controller.rendered(render(controller.model(), canvas));
    screen->show(canvas, repaint);
    repaint = false;
  };

  controller.attach();
  int status = simulator.run([&] {
    auto input = loop->addReadSource(screen->inputDescriptor(), [&] {
      for (const Input& event : screen->readInput()) {
        if (event.kind == Input::Kind::key && event.key == Key::redraw) repaint = true;
        controller.handle(event);
      }
    });
    auto interrupts = loop->addReadSource(signals->descriptor(), [&] {
      for (int signal : signals->take()) {
        switch (signal) {
          case SIGWINCH:
            screen->resize();
            break;
          case SIGTSTP:
            // Stopped, the terminal is as it was before the program took it.
            screen->suspend();
            SignalPipe::stopUntilContinued();
            screen->resume();
            break;
          case SIGCONT:
            // Whoever stopped the program may have changed the terminal meanwhile.
            screen->resume();
            break;
          default:  // SIGINT, SIGQUIT, SIGTERM, SIGHUP
            loop->stop();
            continue;
        }
        repaint = true;
        draw();
      }
    });
    draw();
    // Launching finishes in a block queued before this one, making the status item: draw
    // again after it, so that the item shows at once rather than with the next event.
    loop->mainQueue().async([&] { draw(); });
    loop->run();
    loop->removeReadSource(input);
    loop->removeReadSource(interrupts);
  });
  controller.detach();
  bool quit = simulator.terminated();
  screen.reset();
  signals.reset();
  if (quit) std::cout << "Strandel quit.\n";
  return status;
}

}  // namespace strandel::sim
