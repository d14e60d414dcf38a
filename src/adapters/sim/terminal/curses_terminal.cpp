#define NCURSES_WIDECHAR 1
#include "adapters/sim/terminal/curses_terminal.h"

#include <curses.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

namespace strandel::sim::terminal {

namespace {

// Any-motion pointer reports, which ncurses does not ask for by itself; without them the
// pointer is only seen when a button goes down.
constexpr const char* kPointerMotionOn = "\033[?1003h";
constexpr const char* kPointerMotionOff = "\033[?1003l";

// 256-colour and 8-colour numbers of each ink; -1 is the terminal's own colour.
int colourNumber(Ink ink, bool rich) {
  switch (ink) {
    case Ink::standard:
      return -1;
    case Ink::black:
      return rich ? 16 : COLOR_BLACK;
    case Ink::white:
      return rich ? 231 : COLOR_WHITE;
    case Ink::grey:
      return rich ? 244 : COLOR_WHITE;
    case Ink::lightGrey:
      return rich ? 252 : COLOR_WHITE;
    case Ink::red:
      return rich ? 196 : COLOR_RED;
    case Ink::orange:
      return rich ? 208 : COLOR_YELLOW;
    case Ink::yellow:
      return rich ? 178 : COLOR_YELLOW;
    case Ink::green:
      return rich ? 28 : COLOR_GREEN;
    case Ink::teal:
      return rich ? 30 : COLOR_CYAN;
    case Ink::cyan:
      return rich ? 37 : COLOR_CYAN;
    case Ink::blue:
      return rich ? 26 : COLOR_BLUE;
    case Ink::indigo:
      return rich ? 61 : COLOR_BLUE;
    case Ink::purple:
      return rich ? 92 : COLOR_MAGENTA;
    case Ink::pink:
      return rich ? 199 : COLOR_MAGENTA;
    case Ink::brown:
      return rich ? 94 : COLOR_YELLOW;
  }
  return -1;
}

// UTF-8 of one glyph to the wide characters ncurses wants (wchar_t holds UTF-32 here).
std::wstring wide(const std::string& utf8) {
  std::wstring out;
  for (size_t i = 0; i < utf8.size();) {
    auto byte = static_cast<unsigned char>(utf8[i]);
    int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    char32_t c = length == 1   ? byte
                 : length == 2 ? byte & 0x1F
                 : length == 3 ? byte & 0x0F
                               : byte & 0x07;
    for (int k = 1; k < length && i + static_cast<size_t>(k) < utf8.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]) & 0x3F);
    }
    out.push_back(static_cast<wchar_t>(c));
    i += static_cast<size_t>(length);
  }
  return out;
}

}  // namespace

struct CursesTerminal::State {
  SCREEN* screen = nullptr;
  bool suspended = false;
  // Sent after the refresh that takes the terminal again, so that nothing ncurses sends
  // for its own pointer mode comes after it.
  bool pointerMotionPending = false;
  bool colours = false;
  bool rich = false;
  std::map<std::pair<int, int>, short> pairs;

  attr_t attributes(const Style& style, short& pair) {
    attr_t a = A_NORMAL;
    if (style.bold) a |= A_BOLD;
    if (style.dim) a |= A_DIM;
    if (style.reverse) a |= A_REVERSE;
    if (style.underline) a |= A_UNDERLINE;
    pair = 0;
    if (!colours) {
      // Without colour, anything on a background stands out in reverse.
      if (style.bg != Ink::standard) a |= A_REVERSE;
      return a;
    }
    auto key = std::make_pair(colourNumber(style.fg, rich), colourNumber(style.bg, rich));
    if (key.first == -1 && key.second == -1) return a;
    auto found = pairs.find(key);
    if (found != pairs.end()) {
      pair = found->second;
    } else if (static_cast<int>(pairs.size()) + 1 < COLOR_PAIRS) {
      pair = static_cast<short>(pairs.size() + 1);
      init_pair(pair, static_cast<short>(key.first), static_cast<short>(key.second));
      pairs.emplace(key, pair);
    }
    return a;
  }
};

CursesTerminal::CursesTerminal() : state_(std::make_unique<State>()) {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    throw std::runtime_error("standard input and output are not a terminal");
  }
  state_->screen = newterm(nullptr, stdout, stdin);
  if (!state_->screen) throw std::runtime_error("the terminal type is not known (TERM)");
  set_term(state_->screen);
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  nodelay(stdscr, TRUE);
  scrollok(stdscr, FALSE);
  leaveok(stdscr, TRUE);
  curs_set(0);
  // The escape key alone must not wait long for the rest of a sequence.
  set_escdelay(25);
  // Pointer presses are reported at once rather than held back to make clicks of them.
  mouseinterval(0);
  mousemask(ALL_MOUSE_EVENTS | REPORT_MOUSE_POSITION, nullptr);
  std::fputs(kPointerMotionOn, stdout);
  std::fflush(stdout);
  if (has_colors()) {
    start_color();
    use_default_colors();
    state_->colours = true;
    state_->rich = COLORS >= 256;
  }
}

CursesTerminal::~CursesTerminal() {
  suspend();
  delscreen(state_->screen);
}

void CursesTerminal::suspend() {
  if (state_->suspended) return;
  state_->suspended = true;
  std::fputs(kPointerMotionOff, stdout);
  std::fflush(stdout);
  endwin();
}

void CursesTerminal::resume() {
  // The modes the program set, which a stop without suspend() may have seen changed; after
  // suspend(), the next refresh restores the rest.
  reset_prog_mode();
  state_->suspended = false;
  state_->pointerMotionPending = true;
  resize();
}

int CursesTerminal::inputDescriptor() const {
  return STDIN_FILENO;
}

int CursesTerminal::columns() const {
  return COLS;
}

int CursesTerminal::rows() const {
  return LINES;
}

void CursesTerminal::resize() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    resizeterm(size.ws_row, size.ws_col);
  }
}

std::vector<Input> CursesTerminal::readInput() {
  std::vector<Input> inputs;
  for (;;) {
    wint_t c = 0;
    int kind = wget_wch(stdscr, &c);
    if (kind == ERR) break;
    if (kind == KEY_CODE_YES) {
      switch (c) {
        case KEY_UP:
          inputs.push_back(Input::ofKey(Key::up));
          break;
        case KEY_DOWN:
          inputs.push_back(Input::ofKey(Key::down));
          break;
        case KEY_LEFT:
          inputs.push_back(Input::ofKey(Key::left));
          break;
        case KEY_RIGHT:
          inputs.push_back(Input::ofKey(Key::right));
          break;
        case KEY_HOME:
          inputs.push_back(Input::ofKey(Key::home));
          break;
        case KEY_END:
          inputs.push_back(Input::ofKey(Key::end));
          break;
        case KEY_PPAGE:
          inputs.push_back(Input::ofKey(Key::pageUp));
          break;
        case KEY_NPAGE:
          inputs.push_back(Input::ofKey(Key::pageDown));
          break;
        case KEY_ENTER:
          inputs.push_back(Input::ofKey(Key::enter));
          break;
        case KEY_BTAB:
          inputs.push_back(Input::ofKey(Key::backTab));
          break;
        case KEY_BACKSPACE:
          inputs.push_back(Input::ofKey(Key::backspace));
          break;
        case KEY_RESIZE:
          // Size changes arrive through the signal the session watches.
          break;
        case KEY_MOUSE: {
          MEVENT event{};
          while (getmouse(&event) == OK) {
            if (event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)) {
              inputs.push_back(Input::click(event.x, event.y));
            } else if (event.bstate & REPORT_MOUSE_POSITION) {
              inputs.push_back(Input::moveTo(event.x, event.y));
            }
          }
          break;
        }
        default:
          break;
      }
      continue;
    }
    switch (c) {
      case L'\r':
      case L'\n':
        inputs.push_back(Input::ofKey(Key::enter));
        break;
      case 27:
        inputs.push_back(Input::ofKey(Key::escape));
        break;
      case L'\t':
        inputs.push_back(Input::ofKey(Key::tab));
        break;
      case 127:
      case 8:
        inputs.push_back(Input::ofKey(Key::backspace));
        break;
      case 12:
        inputs.push_back(Input::ofKey(Key::redraw));
        break;
      default:
        if (c >= 32) inputs.push_back(Input::ofCharacter(static_cast<char32_t>(c)));
        break;
    }
  }
  return inputs;
}

void CursesTerminal::show(const Canvas& canvas, bool repaint) {
  int height = std::min(canvas.height(), LINES);
  int width = std::min(canvas.width(), COLS);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Cell& cell = canvas.at(x, y);
      if (cell.continuation) continue;
      short pair = 0;
      attr_t a = state_->attributes(cell.style, pair);
      std::wstring text = wide(cell.text);
      cchar_t character{};
      setcchar(&character, text.c_str(), a, pair, nullptr);
      // The bottom right cell reports an error as the cursor cannot move past it; the
      // character is written all the same.
      mvwadd_wch(stdscr, y, x, &character);
    }
  }
  if (repaint) clearok(stdscr, TRUE);
  wrefresh(stdscr);
  if (state_->pointerMotionPending) {
    state_->pointerMotionPending = false;
    std::fputs(kPointerMotionOn, stdout);
    std::fflush(stdout);
  }
}

}  // namespace strandel::sim::terminal
