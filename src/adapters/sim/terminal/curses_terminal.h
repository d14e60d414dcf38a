#pragma once

#include <memory>
#include <vector>

#include "adapters/sim/terminal/canvas.h"
#include "adapters/sim/terminal/input.h"

// The terminal through ncurses; the only place that includes it, since its macros (move,
// clear, refresh, ...) would collide with ordinary names elsewhere.
namespace strandel::sim::terminal {

class CursesTerminal {
 public:
  // Takes over the terminal: full screen, no echo, keys and the pointer as input. Throws
  // std::runtime_error when standard input and output are not a usable terminal.
  CursesTerminal();
  // Gives the terminal back as it was.
  ~CursesTerminal();
  CursesTerminal(const CursesTerminal&) = delete;
  CursesTerminal& operator=(const CursesTerminal&) = delete;

  // The descriptor to wait on for input.
  int inputDescriptor() const;
  int columns() const;
  int rows() const;

  // Everything that has arrived, without waiting.
  std::vector<Input> readInput();
  // Follows a change of the window's size.
  void resize();
  // Gives the terminal back as it was, for as long as the program is stopped.
  void suspend();
  // Takes the terminal again after a stop, whether or not suspend() came before it; the
  // next show() should repaint.
  void resume();
  // Shows the canvas; only the cells that changed reach the terminal. With `repaint`, the
  // whole screen is written again (after something else drew on it).
  void show(const Canvas& canvas, bool repaint = false);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace strandel::sim::terminal
