// The interactive view driven as a person would, on virtual time: keys and the pointer go in,
// the screen that would be drawn comes out.
#include "adapters/sim/terminal/controller.h"

#include <gtest/gtest.h>

#include <deque>

#include "adapters/sim/simulator/scene.h"
#include "test_scene.h"

namespace strandel::sim::terminal {
namespace {

Scene sceneOf(const std::string& json) {
  SceneLoad load = parseScene(json, "terminal-test.json");
  if (!load.scene) throw std::runtime_error(load.error);
  return *load.scene;
}

class Session {
 public:
  explicit Session(bool granted, const std::string& server = "\"offline\"")
      : simulator_(sceneOf(testing::testScene(granted, server)), Simulator::Options{}) {
    controller_ = std::make_unique<Controller>(
        simulator_, Controller::Host{[this] { ++redraws_; },
                                     [this](const std::function<bool()>& done) { nested(done); },
                                     [this] { quit_ = true; }});
    controller_->attach();
  }

  // Plays `steps` inside the program's run, launching done.
  void play(const std::function<void()>& steps) {
    simulator_.run([&] {
      wait(0);
      steps();
    });
  }

  void wait(double seconds) {
    VirtualEventLoop& loop = *simulator_.virtualLoop();
    loop.runUntil(Date{loop.now().secondsSinceReference + seconds});
  }

  const Canvas& draw() {
    canvas_ = Canvas(120, 40);
    controller_->rendered(render(controller_->model(), canvas_));
    return canvas_;
  }

  // What the person does sees the screen as last drawn, as on a terminal.
  void input(const Input& in) {
    draw();
    controller_->handle(in);
  }
  void key(Key k) { input(Input::ofKey(k)); }
  void type(char32_t c) { input(Input::ofCharacter(c)); }

  bool shows(const std::string& text) { return draw().find(text).has_value(); }
  int rowsShowing(const std::string& text) {
    const Canvas& canvas = draw();
    int count = 0;
    for (int y = 0; y < canvas.height(); ++y) {
      if (canvas.row(y).find(text) != std::string::npos) ++count;
    }
    return count;
  }
  std::string row(int y) { return draw().row(y); }
  // The row of the open menu showing `text`, as the pointer would find it.
  std::optional<Canvas::Place> place(const std::string& text) { return draw().find(text); }

  Simulator& simulator() { return simulator_; }
  Controller& controller() { return *controller_; }
  bool quit() const { return quit_; }
  int redraws() const { return redraws_; }

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
      Input next = alertInputs.front();
      alertInputs.pop_front();
      controller_->handle(next);
    }
  }

  Simulator simulator_;
  std::unique_ptr<Controller> controller_;
  Canvas canvas_{120, 40};
  int redraws_ = 0;
  bool quit_ = false;
};

TEST(Interactive, AKeyOpensTheMenuWithHiddenExtrasFirstAndTheFooter) {
  Session session(true);
  session.play([&] {
    session.wait(0.5);  // the first scan
    EXPECT_FALSE(session.shows("Quit Strandel"));
    session.key(Key::enter);
    EXPECT_TRUE(session.simulator().menu()->isOpen());
    auto hidden = session.place("HIDDEN (2)");
    auto visible = session.place("VISIBLE (2)");
    auto shelf = session.place("●  Shelf");
    auto tidewater = session.place("●  Tidewater");
    auto wifi = session.place("Wi-Fi");
    auto quit = session.place("Quit Strandel");
    ASSERT_TRUE(hidden && visible && shelf && tidewater && wifi && quit);
    EXPECT_LT(hidden->y, shelf->y);
    EXPECT_LT(tidewater->y, visible->y);
    EXPECT_LT(visible->y, wifi->y);
    EXPECT_LT(wifi->y, quit->y);
    EXPECT_NE(session.row(quit->y).find("⌘Q"), std::string::npos);
    EXPECT_NE(session.row(shelf->y).find("▤"), std::string::npos);  // the app's icon

    session.key(Key::escape);
    EXPECT_FALSE(session.simulator().menu()->isOpen());
    EXPECT_FALSE(session.shows("Quit Strandel"));
  });
}

TEST(Interactive, ChoosingAHiddenRowPressesItsExtraWhichVisiblyOpens) {
  Session session(true);
  session.play([&] {
    session.wait(0.5);
    session.key(Key::enter);
    session.key(Key::down);  // the first row that can be chosen: Shelf, off the left edge
    session.key(Key::enter);
    EXPECT_FALSE(session.simulator().menu()->isOpen());
    session.wait(0.05);
    EXPECT_FALSE(session.shows("pressed through Strandel"));  // the press waits 0.12 s
    session.wait(0.2);
    ASSERT_EQ(session.simulator().desktop().presses().size(), 1u);
    EXPECT_EQ(session.simulator().desktop().presses()[0].pid, 988);
    auto title = session.place("Shelf, 3 files");
    ASSERT_TRUE(title);
    EXPECT_GT(title->y, 1);
    EXPECT_TRUE(session.shows("pressed through Strandel"));
    EXPECT_TRUE(session.shows("press: extra"));  // and the event log has it

    // The next key closes it and does nothing else.
    session.key(Key::enter);
    EXPECT_FALSE(session.shows("pressed through Strandel"));
    EXPECT_FALSE(session.simulator().menu()->isOpen());
  });
}

TEST(Interactive, TheQuitRowAnswersItsKeyEquivalentAndQLeavesWhenTheMenuIsClosed) {
  Session closed(true);
  closed.play([&] {
    closed.wait(0.5);
    closed.type(U'q');
    EXPECT_TRUE(closed.quit());
    EXPECT_FALSE(closed.simulator().terminated());  // the program was not asked to quit
  });

  Session open(true);
  open.play([&] {
    open.wait(0.5);
    open.key(Key::enter);
    open.type(U'x');  // no row has that key
    EXPECT_TRUE(open.simulator().menu()->isOpen());
    open.type(U'q');
    EXPECT_TRUE(open.simulator().terminated());
    EXPECT_FALSE(open.quit());
  });
}

TEST(Interactive, TheCursorSkipsRowsThatCannotBeChosen) {
  Session session(true);
  session.play([&] {
    session.wait(0.5);
    session.key(Key::enter);
    session.key(Key::up);  // from nothing upwards: the last row
    auto quit = session.place("Quit Strandel");
    ASSERT_TRUE(quit);
    EXPECT_EQ(session.draw().at(quit->x, quit->y).style.bg, Ink::blue);
    session.key(Key::home);
    auto shelf = session.place("●  Shelf");
    ASSERT_TRUE(shelf);
    EXPECT_EQ(session.draw().at(shelf->x, shelf->y).style.bg, Ink::blue);
    // From Shelf down to Tidewater, then over the separator and the header to Wi-Fi.
    session.key(Key::down);
    session.key(Key::down);
    auto wifi = session.place("Wi-Fi");
    ASSERT_TRUE(wifi);
    EXPECT_EQ(session.draw().at(wifi->x, wifi->y).style.bg, Ink::blue);
  });
}

TEST(Interactive, RowsThatChangeWhileTheMenuIsOpenChangeOnScreen) {
  Session session(true);
  session.play([&] {
    session.wait(0.5);
    // A launch makes the cache stale: the menu opens with the old rows, then rescans.
    ASSERT_TRUE(session.simulator().launch(733));
    session.wait(0.1);
    int before = session.redraws();
    session.key(Key::enter);
    session.key(Key::down);
    session.key(Key::down);  // the cursor on Tidewater
    EXPECT_FALSE(session.shows("Calendar"));
    session.wait(0.5);
    EXPECT_GT(session.redraws(), before);
    EXPECT_TRUE(session.shows("Calendar"));
    EXPECT_TRUE(session.shows("VISIBLE (3)"));
    // The highlight stayed on the same row through the rebuild.
    auto tidewater = session.place("●  Tidewater");
    ASSERT_TRUE(tidewater);
    EXPECT_EQ(session.draw().at(tidewater->x, tidewater->y).style.bg, Ink::blue);
  });
}

TEST(Interactive, AlertsAreDialogsAnsweredWithTheirButtons) {
  Session session(true, testing::kNewerVersionServer);
  // The newer version is announced 3 s after start; move to "Later" and take it.
  session.alertInputs = {Input::ofKey(Key::left), Input::ofKey(Key::enter)};
  session.play([&] {
    session.wait(4);
    ASSERT_TRUE(session.alertScreen);
    EXPECT_TRUE(session.alertScreen->find("Strandel 9.0.0 is available"));
    EXPECT_TRUE(session.alertScreen->find("[ Download ]"));
    EXPECT_TRUE(session.alertScreen->find("[ Later ]"));
    EXPECT_TRUE(session.shows("alert answered: 2=\"Later\""));
    EXPECT_FALSE(session.shows("[ Later ]"));
    EXPECT_FALSE(session.shows("the browser"));  // Later opens nothing
  });
}

TEST(Interactive, ThePermissionIsAskedForThenGrantedInThePrivacyPane) {
  Session session(false);
  session.play([&] {
    session.wait(0.5);
    // The system's own request comes up at start.
    EXPECT_TRUE(session.shows("Open System Settings"));
    EXPECT_TRUE(session.shows("Accessibility: not allowed"));
    session.key(Key::enter);
    EXPECT_TRUE(session.simulator().privacyPaneOpen());
    EXPECT_TRUE(session.shows("[ ] ⋯ Strandel"));

    // Without the permission the menu has the permission rows.
    session.key(Key::enter);
    EXPECT_TRUE(session.shows("Open Accessibility Settings…"));
    session.key(Key::escape);

    session.type(U' ');
    EXPECT_TRUE(session.simulator().desktop().accessibilityGranted());
    EXPECT_TRUE(session.shows("[✓] ⋯ Strandel"));
    session.wait(1);
    session.key(Key::escape);
    EXPECT_FALSE(session.simulator().privacyPaneOpen());
    EXPECT_TRUE(session.shows("Accessibility: allowed"));
    session.key(Key::enter);
    EXPECT_TRUE(session.shows("●  Shelf"));

    // Withdrawn again through the pane.
    session.key(Key::escape);
    session.type(U'p');
    session.type(U' ');
    EXPECT_FALSE(session.simulator().desktop().accessibilityGranted());
  });
}

TEST(Interactive, AppsLaunchAndQuitFromTheirLists) {
  Session session(true);
  session.play([&] {
    session.wait(0.5);
    EXPECT_NE(session.row(1).find("▤ Shelf"), std::string::npos);
    EXPECT_EQ(session.row(0).find("☾"), std::string::npos);

    session.type(U'l');
    EXPECT_TRUE(session.shows("Launch an application"));
    EXPECT_TRUE(session.shows("☾ Tsuki (pid 733)"));
    EXPECT_FALSE(session.shows("Shelf (pid 988)"));  // already running
    session.key(Key::enter);
    session.wait(0.1);
    EXPECT_FALSE(session.shows("Launch an application"));
    EXPECT_NE(session.row(0).find("☾"), std::string::npos);
    EXPECT_TRUE(session.shows("app launched: Tsuki"));

    session.type(U'k');
    EXPECT_TRUE(session.shows("Quit an application"));
    EXPECT_FALSE(session.shows("Strandel (pid"));  // the program quits through its menu
    auto shelf = session.place("Shelf (pid 988)");
    ASSERT_TRUE(shelf);
    session.input(Input::click(shelf->x, shelf->y));
    session.wait(0.1);
    EXPECT_FALSE(session.simulator().desktop().app(988));
    EXPECT_EQ(session.row(1).find("Shelf"), std::string::npos);

    session.type(U'l');
    session.key(Key::escape);
    EXPECT_FALSE(session.shows("Launch an application"));
  });
}

TEST(Interactive, ThePointerHoversClicksAndChooses) {
  Session session(true);
  session.play([&] {
    session.wait(3.5);  // the cache is old by now
    const int item = 118;
    int scans = session.rowsShowing("] scan:");
    session.input(Input::moveTo(item, 0));
    session.wait(0.1);
    EXPECT_EQ(session.rowsShowing("] scan:"), scans + 1);  // hovering scans ahead of a click
    EXPECT_TRUE(session.shows("hidden menu bar extras"));  // the tooltip
    session.input(Input::click(item, 0));
    EXPECT_TRUE(session.simulator().menu()->isOpen());

    auto wifi = session.place("Wi-Fi");
    ASSERT_TRUE(wifi);
    session.input(Input::moveTo(wifi->x, wifi->y));
    EXPECT_EQ(session.draw().at(wifi->x, wifi->y).style.bg, Ink::blue);
    auto header = session.place("VISIBLE (2)");
    ASSERT_TRUE(header);
    session.input(Input::click(header->x, header->y));  // a header cannot be chosen
    EXPECT_TRUE(session.simulator().menu()->isOpen());
    session.input(Input::click(5, 20));  // elsewhere: the menu closes
    EXPECT_FALSE(session.simulator().menu()->isOpen());
    EXPECT_TRUE(session.simulator().desktop().presses().empty());

    session.input(Input::click(item, 0));
    wifi = session.place("Wi-Fi");
    ASSERT_TRUE(wifi);
    session.input(Input::click(wifi->x, wifi->y));
    session.wait(0.3);
    ASSERT_EQ(session.simulator().desktop().presses().size(), 1u);
    EXPECT_EQ(session.simulator().desktop().presses()[0].description, "Wi-Fi, connected");

    // Clicking an extra where it sits opens it directly; behind the notch there is none.
    session.key(Key::escape);
    auto bar = layoutBar(session.simulator().desktop().screen(),
                         {Rect{{1412, 0}, {100, 37}}, Rect{{700, 0}, {30, 37}}}, 120);
    session.input(Input::click(bar.columnOf(710), 0));
    EXPECT_FALSE(session.shows("clicked where it sits"));
    session.input(Input::click(bar.columnOf(1450), 0));
    EXPECT_TRUE(session.shows("Clock, Thursday 09:41"));
    EXPECT_TRUE(session.shows("clicked where it sits"));
    EXPECT_EQ(session.simulator().desktop().presses().size(), 1u);  // not a press
  });
}

}  // namespace
}  // namespace strandel::sim::terminal
