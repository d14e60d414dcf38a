#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/terminal/input.h"
#include "adapters/sim/terminal/view.h"

// The person at the terminal as the simulated Mac's user: input becomes the user's
// operations on the simulator, and the simulator's state becomes what the view shows.
namespace strandel::sim::terminal {

class Controller {
 public:
  // What the controller needs of the loop it lives on.
  struct Host {
    // Something on screen changed; draw soon (once for many changes).
    std::function<void()> redraw;
    // Serves events until done() is true: a modal alert waits in it.
    std::function<void(const std::function<bool()>& done)> runNested;
    // The person leaves the simulator.
    std::function<void()> quit;
  };

  // Watches the simulator's desktop for presses; installs nothing else until attach().
  Controller(Simulator& simulator, Host host);
  ~Controller();
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  // Becomes the simulator's event sink, alert presenter and menu observer.
  void attach();
  void detach();

  void handle(const Input& input);
  // The screen as it should look now; `rendered` tells where its parts were drawn.
  ViewModel model();
  void rendered(const HitMap& hits) {
    hits_ = hits;
    menuFirst_ = hits.menuFirst;
  }

  bool quitRequested() const { return quitRequested_; }

  static constexpr size_t kLogLimit = 200;

 private:
  struct Opened {
    ProcessID pid = 0;
    ExtraID extra = 0;
    std::string title;
    std::vector<std::string> lines;
    bool failed = false;
  };
  struct AppList {
    bool launching = true;  // else quitting
    std::vector<ProcessID> pids;
    std::vector<std::string> entries;
    long cursor = 0;
  };
  struct Dialog {
    AlertRecord alert;
    size_t focus = 0;
    std::optional<size_t> answer;
  };
  struct Prompt {
    size_t focus = 0;
  };
  // Shared with blocks that the desktop's observer hands to the main queue.
  struct Liveness {
    Controller* controller;
  };

  void onEvent(const SimEvent& event);
  void onMenuChanged();
  void logEvent(const std::string& text, const std::vector<std::string>& details);
  size_t presentAlert(const AlertRecord& alert);
  void onPress(const PressEvent& press);
  void log(const std::string& line);

  void handleDialog(const Input& input);
  void handlePrompt(const Input& input);
  void handleList(const Input& input);
  void handleMenu(const Input& input);
  void handlePane(const Input& input);
  void handleDesktop(const Input& input);
  bool handleBar(const Input& input);

  void openMenu();
  // ` stands for the global shortcut the program registered.
  void pressShortcut();
  // A letter typed into the open menu: type-select over what was typed since the last pause
  // of a second, each letter costing one step per row still matching.
  void typeIntoMenu(char32_t character);
  // A key for the menu's focused search field; false when the menu itself takes it.
  bool handleSearchKey(const Input& input);
  void openList(bool launching);
  void chooseRow(long row);
  void togglePermission();
  void pointerOverStatusItem(bool inside);
  void openExtraAt(int column, int row);

  std::vector<MenuRowView> menuRows() const;
  // The highlighted row of the menu the keys act on: the menu's own highlight, which stays
  // with its row when rows are rebuilt around it and goes with it; -1 when none is.
  long menuCursor() const;
  void setMenuCursor(long row);
  bool menuOpen() const;
  // The status menu's row whose submenu is open; -1 when none is.
  long openSubmenuRow() const;
  // Back one level: an open submenu closes, else the whole menu.
  void menuBack();
  // Choosing Launch at Login writes a real file in the interactive view: said where chosen.
  void tellAboutLoginItem(LoginItemStatus before, LoginItemStatus after);
  std::vector<BarExtraView> barExtras(std::vector<std::pair<ProcessID, ExtraID>>* ids) const;
  std::string statusLine() const;
  std::vector<KeyHint> keyHints() const;

  Simulator& simulator_;
  Host host_;
  std::shared_ptr<Liveness> liveness_;
  size_t desktopObserver_ = 0;
  bool attached_ = false;

  std::deque<std::string> log_;
  std::optional<Opened> opened_;
  std::optional<AppList> list_;
  std::optional<Dialog> dialog_;
  std::optional<Prompt> prompt_;
  int menuFirst_ = 0;
  bool menuShownOpen_ = false;
  std::optional<double> menuAskedAt_;  // when the person asked for the menu
  bool pointerInStatusItem_ = false;
  bool hovered_ = false;  // the pointer, or the hover key, rests on the status item
  bool quitRequested_ = false;
  double typedAt_ = -1e9;
  HitMap hits_;
};

}  // namespace strandel::sim::terminal
