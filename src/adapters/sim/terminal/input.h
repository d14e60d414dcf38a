#pragma once

// What the person at the terminal did, independent of how the terminal reported it.
namespace strandel::sim::terminal {

enum class Key {
  none,  // a character: see `character`
  up,
  down,
  left,
  right,
  home,
  end,
  pageUp,
  pageDown,
  enter,
  escape,
  tab,
  backTab,
  backspace,
  redraw,  // Ctrl-L
};

struct Input {
  enum class Kind { key, pointerMove, pointerDown };
  Kind kind = Kind::key;
  Key key = Key::none;
  char32_t character = 0;
  int x = 0;  // pointer column and row
  int y = 0;

  static Input ofKey(Key k) { return Input{Kind::key, k, 0, 0, 0}; }
  static Input ofCharacter(char32_t c) { return Input{Kind::key, Key::none, c, 0, 0}; }
  static Input moveTo(int column, int row) {
    return Input{Kind::pointerMove, Key::none, 0, column, row};
  }
  static Input click(int column, int row) {
    return Input{Kind::pointerDown, Key::none, 0, column, row};
  }
};

}  // namespace strandel::sim::terminal
