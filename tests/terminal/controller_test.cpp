// The interactive view driven as a person would, on virtual time: keys and the pointer go in,
// the screen that would be drawn comes out.
#include "adapters/sim/terminal/controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string_view>

#include "adapters/sim/services/atomic_file.h"
#include "adapters/sim/simulator/scene.h"
#include "support/temp_dir.h"
#include "test_scene.h"

namespace strandel::sim::terminal {
namespace {

class Session {
 public:
  explicit Session(bool granted, const std::string& server = "\"offline\"",
                   Simulator::Options options = {})
      : simulator(std::move(*parseScene(testing::testScene(granted, server), "t.json").scene),
                  std::move(options)),
        controller(simulator, {[this] { ++redraws; }, [this](const auto& done) { nested(done); },
                               [this] { quit = true; }}) {
    controller.attach();
  }

  // Plays `steps` inside the program's run, once the first scan is done.
  void play(const std::function<void()>& steps) {
    simulator.run([&] {
      wait(0.5);
      steps();
    });
  }
  void wait(double seconds) {
    VirtualEventLoop& loop = *simulator.virtualLoop();
    loop.runUntil(Date{loop.now().secondsSinceReference + seconds});
  }
  const Canvas& draw() {
    canvas_ = Canvas(columns, rows);
    controller.rendered(render(controller.model(), canvas_));
    return canvas_;
  }
  // What the person does sees the screen as last drawn, as on a terminal.
  void input(const Input& in) {
    draw();
    controller.handle(in);
  }
  void key(Key k) { input(Input::ofKey(k)); }
  void type(char32_t c) { input(Input::ofCharacter(c)); }
  std::optional<Canvas::Place> place(const std::string& text) { return draw().find(text); }
  bool shows(const std::string& text) { return place(text).has_value(); }
  bool highlighted(const std::string& text) {
    auto at = place(text);
    return at && canvas_.at(at->x, at->y).style.bg == Ink::blue;
  }
  bool menuOpen() { return simulator.menu()->isOpen(); }

  Simulator simulator;
  Controller controller;
  int columns = 120;
  int rows = 40;
  int redraws = 0;
  bool quit = false;
  // Answers the next alert: the screen as it showed the alert, then these inputs.
  std::deque<Input> alertInputs;
  std::optional<Canvas> alertScreen;

 private:
  void nested(const std::function<bool()>& done) {
    for (int turn = 0; turn < 200 && !done(); ++turn) {
      if (alertInputs.empty()) {
        wait(0.1);
        continue;
      }
      alertScreen = draw();
      controller.handle(alertInputs.front());
      alertInputs.pop_front();
    }
  }

  Canvas canvas_{120, 40};
};

TEST(Interactive, AKeyOpensTheMenuHiddenExtrasFirstTheCursorSkipsRowsThatCannotBeChosen) {
  Session s(true);
  s.play([&] {
    s.key(Key::enter);
    EXPECT_TRUE(s.menuOpen());
    auto quit = s.place("Quit Strandel");
    ASSERT_TRUE(quit && s.shows("▤  ●  Shelf"));  // a hidden row: its icon, the mark, the label
    EXPECT_NE(s.draw().row(quit->y).find("⌘Q"), std::string::npos);
    s.key(Key::up);  // from nothing upwards: the last row
    EXPECT_TRUE(s.highlighted("Quit Strandel"));
    s.key(Key::home);
    EXPECT_TRUE(s.highlighted("●  Shelf"));
    s.key(Key::down);
    s.key(Key::down);  // over the separator and the header
    EXPECT_TRUE(s.highlighted("Wi-Fi"));
    // The search field narrows the rows as it is typed.
    for (char32_t c : std::u32string_view(U"tid")) s.type(c);
    EXPECT_FALSE(s.shows("Wi-Fi"));
    s.key(Key::home);
    EXPECT_TRUE(s.highlighted("●  Tidewater"));
    // The Events pane times the opening, as a transcript does.
    EXPECT_TRUE(s.shows("[   0.500] menu opened (14 rows) in 0.0 ms"));
    s.key(Key::escape);  // empties the field, then closes the menu
    EXPECT_TRUE(s.shows("Wi-Fi"));
    s.key(Key::escape);
    EXPECT_FALSE(s.shows("Quit Strandel"));
    EXPECT_TRUE(s.shows("[   0.500] menu closed"));
    // Choosing a hidden row presses its extra, which visibly opens.
    s.key(Key::enter);
    s.key(Key::down);  // the first row that can be chosen: Shelf, off the left edge
    s.key(Key::enter);
    s.wait(0.05);
    EXPECT_FALSE(s.shows("pressed through Strandel"));  // the press waits 0.12 s
    s.wait(0.2);
    ASSERT_EQ(s.simulator.desktop().presses().size(), 1u);
    EXPECT_EQ(s.simulator.desktop().presses()[0].pid, 988);
    EXPECT_TRUE(s.shows("Shelf, 3 files"));  // its description, in the menu it opened
    EXPECT_TRUE(s.shows("pressed through Strandel"));
    s.key(Key::enter);  // closes it and does nothing else
    EXPECT_FALSE(s.shows("pressed through Strandel"));
    s.type(U'q');  // with the menu closed: the person leaves, the program was not asked to quit
  });
  EXPECT_TRUE(s.quit);
  EXPECT_FALSE(s.simulator.terminated());
}

// A chosen shortcut the system holds: the shortcut key says so, not that none is chosen.
TEST(Interactive, TheShortcutKeySaysWhyTheChosenShortcutIsNotRegistered) {
  Session s(true, R"("offline", "defaults": {"StrandelKeyboardShortcut": 1},
                     "hotKeysTaken": [{"keys": "ctrl+opt+cmd+space", "holder": "system"}])");
  s.play([&] {
    s.type(U'`');
    EXPECT_TRUE(s.shows("⌃⌥⌘Space is chosen but not registered: the system holds it"));
  });
}

TEST(Interactive, TabHoldsOptionAndTheCopiedReportIsAFileNamedInTheEvents) {
  test::TempDir dir;
  Simulator::Options options;
  options.reportDirectory = dir.path();
  Session s(true, "\"offline\"", options);
  s.play([&] {
    s.key(Key::enter);
    s.key(Key::tab);
    EXPECT_TRUE(s.shows("Option held"));
    EXPECT_FALSE(s.shows("Check for Updates"));
    auto row = s.place("Copy Menu Bar Report");
    ASSERT_TRUE(row);
    s.input(Input::click(row->x, row->y));
    s.wait(0.5);
    EXPECT_TRUE(s.shows("strandel-report-1.json"));
    // Choosing the row closed the menu: the key counts as let go, as a person's would be.
    EXPECT_FALSE(s.shows("Option held"));
    s.key(Key::enter);
    EXPECT_TRUE(s.shows("Check for Updates"));
  });
  // What a report holds, and that it reads back as a scene, is the report's own suite.
  auto text = readWholeFile(dir.path() / "strandel-report-1.json");
  EXPECT_TRUE(text && text->find("\"Tidewater\"") != std::string::npos);
}

TEST(Interactive, RowsThatChangeWhileTheMenuIsOpenChangeOnScreen) {
  Session s(true);
  s.play([&] {
    // Launched from the list: the cache is stale, so the menu opens with the old rows and
    // rescans.
    s.type(U'l');
    s.key(Key::enter);
    s.wait(0.1);
    EXPECT_TRUE(s.shows("app launched: Tsuki"));
    int before = s.redraws;
    s.key(Key::enter);
    s.key(Key::down);
    s.key(Key::down);  // the cursor on Tidewater
    EXPECT_FALSE(s.shows("Calendar"));
    s.wait(0.5);
    EXPECT_GT(s.redraws, before);
    EXPECT_TRUE(s.shows("Calendar"));
    EXPECT_TRUE(s.shows("VISIBLE (3)"));
    EXPECT_TRUE(s.highlighted("●  Tidewater"));  // the highlight stayed on its row
  });
}

TEST(Interactive, AlertsAreDialogsAnsweredWithTheirButtons) {
  Session s(true, testing::kNewerVersionServer);
  // The newer version is announced 3 s after start; move to "Later" and take it.
  s.alertInputs = {Input::ofKey(Key::left), Input::ofKey(Key::enter)};
  s.play([&] {
    s.wait(3.5);
    ASSERT_TRUE(s.alertScreen);
    ASSERT_TRUE(s.alertScreen->find("Strandel 9.0.0 is available"));
    // Numbered as they answer, the first one rightmost.
    auto download = s.alertScreen->find("[ 1: Download ]");
    auto later = s.alertScreen->find("[ 2: Later ]");
    ASSERT_TRUE(download && later);
    EXPECT_EQ(download->y, later->y);
    EXPECT_GT(download->x, later->x);
    EXPECT_TRUE(s.shows("alert answered: 2=\"Later\""));
    EXPECT_FALSE(s.shows("Later ]"));
    EXPECT_FALSE(s.shows("the browser"));  // Later opens nothing
  });
}

TEST(Interactive, ThePointerHoversClicksAndChooses) {
  Session s(true);
  s.play([&] {
    s.wait(3);  // the cache is old by now
    const int item = 118;
    s.input(Input::moveTo(item, 0));
    s.wait(0.1);
    EXPECT_TRUE(s.shows("hidden menu bar extras"));  // the tooltip
    EXPECT_TRUE(s.shows("[   3.500] scan:"));        // hovering scans ahead of a click
    s.input(Input::click(item, 0));
    auto wifi = s.place("Wi-Fi");
    ASSERT_TRUE(wifi);
    s.input(Input::click(wifi->x, wifi->y));
    s.wait(0.3);
    ASSERT_EQ(s.simulator.desktop().presses().size(), 1u);
    EXPECT_EQ(s.simulator.desktop().presses()[0].description, "Wi-Fi, connected");
  });
}

// Every key that applies stays on screen, on a wide terminal and on an 80x24 one, through the
// permission's request, grant and withdrawal.
TEST(Interactive, EveryKeyThatAppliesIsShownAtEverySizeAndThePermissionIsGrantedAndWithdrawn) {
  Session s(false);
  auto expectKeys = [&](const char* state, std::vector<std::string> keys) {
    for (auto [columns, rows] : {std::pair{120, 40}, std::pair{80, 24}}) {
      s.columns = columns;
      s.rows = rows;
      const Canvas& screen = s.draw();
      std::string bottom;
      for (int y = rows - 3; y < rows; ++y) bottom += screen.row(y) + "\n";
      SCOPED_TRACE(std::string(state) + " at " + std::to_string(columns) + ":\n" + bottom);
      EXPECT_NE(bottom.find("Strandel is running"), std::string::npos);
      EXPECT_EQ(bottom.find("…"), std::string::npos);  // nothing cut
      for (const auto& key : keys)
        EXPECT_NE(bottom.find(" " + key + " "), std::string::npos) << key;
    }
    s.columns = 120;
    s.rows = 40;
  };
  s.play([&] {
    // The system's own request comes up at start; the privacy pane grants and withdraws.
    EXPECT_TRUE(s.shows("Open System Settings"));
    expectKeys("the system's prompt", {"←/→", "⏎", "1-2", "esc", "q"});
    s.key(Key::enter);
    EXPECT_TRUE(s.simulator.privacyPaneOpen());
    EXPECT_TRUE(s.shows("[ ] ⋯ Strandel"));
    expectKeys("the privacy pane", {"space", "esc/p", "h", "⏎", "`", "l", "k", "q"});
    s.type(U' ');
    EXPECT_TRUE(s.simulator.desktop().accessibilityGranted());
    EXPECT_TRUE(s.shows("[✓] ⋯ Strandel"));
    s.wait(1);
    s.key(Key::escape);
    EXPECT_FALSE(s.simulator.privacyPaneOpen());
    expectKeys("the desktop", {"h", "⏎", "`", "p", "l", "k", "q"});
    s.key(Key::enter);
    EXPECT_TRUE(s.shows("●  Shelf"));
    expectKeys("the menu", {"↑/↓", "⏎", "esc", "tab", "letters", "`"});
    s.key(Key::down);
    s.key(Key::enter);
    s.wait(0.3);
    expectKeys("an open extra", {"any key or click"});
    s.key(Key::escape);
    s.type(U'l');
    expectKeys("the list of apps", {"↑/↓", "⏎", "esc"});
    s.key(Key::enter);  // Tsuki, the only app not running: the list is empty now
    s.type(U'l');
    EXPECT_FALSE(s.shows("launch") || s.shows("move"));  // only esc applies
    s.key(Key::escape);
    // Opened by the program for a login item awaiting approval: it takes every key but esc.
    s.simulator.openLoginItemsPane();
    expectKeys("System Settings' Login Items", {"esc"});
    EXPECT_TRUE(s.shows("General › Login Items"));
    s.type(U'q');
    s.key(Key::enter);
    EXPECT_FALSE(s.quit || s.menuOpen());
    s.key(Key::escape);
    EXPECT_FALSE(s.simulator.loginItemsPaneOpen());
    EXPECT_FALSE(s.shows("General › Login Items"));
    s.type(U'p');
    s.type(U' ');
    EXPECT_FALSE(s.simulator.desktop().accessibilityGranted());
  });
}

TEST(Interactive, SubmenusOpenBesideTheirRowAndGoBackOneLevel) {
  Session s(true);
  s.play([&] {
    s.key(Key::enter);
    // Typing goes to the search field; the arrows reach the row from the bottom.
    for (int i = 0; i < 4; ++i) s.key(Key::up);
    auto row = s.place("Keyboard Shortcut");
    ASSERT_TRUE(row && s.highlighted("Keyboard Shortcut"));
    EXPECT_NE(s.draw().row(row->y).find("▸"), std::string::npos);
    for (Key opens : {Key::right, Key::enter}) {
      s.key(opens);
      auto sub = s.place("None");
      ASSERT_TRUE(sub) << s.draw().row(row->y);
      EXPECT_TRUE(s.shows("Quit Strandel"));  // the menu stays, the submenu at its left
      EXPECT_LT(sub->x, row->x);
      EXPECT_TRUE(s.shows("←/esc back"));
      s.key(opens == Key::right ? Key::left : Key::escape);
      EXPECT_FALSE(s.shows("None"));
      EXPECT_TRUE(s.menuOpen() && s.highlighted("Keyboard Shortcut"));
    }
    s.key(Key::escape);
    EXPECT_FALSE(s.menuOpen());
  });
}

TEST(Interactive, TheLoginItemSaysItIsRealThePromptCanBeLeftAppsWithoutANameOnce) {
  Session s(true);
  AppSpec nameless;
  nameless.pid = 950;
  s.simulator.desktop().launch(nameless);
  s.play([&] {
    s.type(U'k');
    EXPECT_TRUE(s.shows("▪ pid 950"));
    EXPECT_FALSE(s.shows("pid 950 (pid"));
    s.key(Key::escape);
    s.key(Key::enter);
    auto login = s.place("Launch at Login");
    ASSERT_TRUE(login);
    s.input(Input::click(login->x, login->y));
    EXPECT_TRUE(s.shows("Launch at Login wrote a real autostart entry"));
  });
  Session prompted(false);
  prompted.play([&] { prompted.type(U'q'); });
  EXPECT_TRUE(prompted.quit);
}

}  // namespace
}  // namespace strandel::sim::terminal
