#include "adapters/sim/terminal/view.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace strandel::sim::terminal {
namespace {

using Kind = MenuRowView::Kind;

ViewModel barModel() {
  ViewModel model;
  model.screens = {ScreenSpec{Rect{{0, 0}, {1512, 982}}, Rect{{0, 950}, {662, 32}},
                              Rect{{850, 950}, {662, 32}}}};
  model.extras = {
      {Rect{{1412, 0}, {100, 37}}, "◐", Ink::grey, "Control Centre", false},
      {Rect{{700, 0}, {30, 37}}, "☁", Ink::blue, "Tidewater", false},
      {Rect{{-72, 0}, {30, 37}}, "▤", Ink::brown, "Shelf", false},
  };
  model.statusItemShown = true;
  model.statusGlyph = "⋯";
  // A header, a separator, a row switched on and one that cannot be chosen.
  model.menu =
      std::vector<MenuRowView>{{Kind::header, "", "", Ink::standard, "Hidden (1)", "", false},
                               {Kind::separator, "", "", Ink::standard, "", "", true},
                               {Kind::item, "✓", "", Ink::standard, "Launch at Login", "", true},
                               {Kind::item, "", "", Ink::standard, "Disabled", "", false}};
  return model;
}

TEST(View, TheBarShowsTheNotchTheExtrasAndTheOffScreenAndTheMenuHangsFromTheStatusItem) {
  Canvas canvas(120, 40);
  HitMap hits = render(barModel(), canvas);
  ASSERT_TRUE(hits.bars[0].notch);
  for (int x = hits.bars[0].notch->column;
       x < hits.bars[0].notch->column + hits.bars[0].notch->width; ++x) {
    EXPECT_EQ(canvas.at(x, 0).text, "█") << x;
  }
  EXPECT_EQ(canvas.row(0).find("☁"), std::string::npos);  // behind the notch: covered
  auto clock = canvas.find("◐");
  ASSERT_TRUE(clock);
  EXPECT_EQ(hits.bars[0].extraAt(clock->x), 0u);  // where the clock sits
  EXPECT_EQ(canvas.at(clock->x, 0).style.fg, Ink::grey);
  // Shelf is off the left edge: marked on the bar and listed under it.
  EXPECT_EQ(canvas.at(0, 0).text, "◀");
  EXPECT_NE(canvas.row(1).find("▤ Shelf"), std::string::npos);
  // The menu, with every kind of row.
  EXPECT_EQ(hits.menuBox->x + hits.menuBox->width, 120);
  auto header = canvas.find("Hidden (1)");
  auto login = canvas.find("Launch at Login");
  auto disabled = canvas.find("Disabled");
  ASSERT_TRUE(header && login && disabled);
  EXPECT_TRUE(canvas.at(header->x, header->y).style.dim);
  EXPECT_TRUE(canvas.at(header->x, header->y).style.bold);
  EXPECT_NE(canvas.row(header->y + 1).find("────"), std::string::npos);  // the separator
  EXPECT_NE(canvas.row(login->y).find("✓"), std::string::npos);
  EXPECT_TRUE(canvas.at(disabled->x, disabled->y).style.dim);
}

// The Events pane's lines between its header and the status line, joined without the
// indents and line ends that wrapping adds.
std::string eventsText(const Canvas& canvas, int header, int status) {
  std::string text;
  for (int y = header + 1; y < status; ++y) {
    std::string row = canvas.row(y);
    size_t from = row.find_first_not_of(' ');
    size_t to = row.find_last_not_of(' ');
    if (from != std::string::npos) text += row.substr(from, to - from + 1);
  }
  return text;
}

TEST(View, NothingOpenCoversTheEventsHeaderOrTheStatusLineAndEventsWrap) {
  const std::string path =
      "/home/someone/a-rather-long-directory-name/another-quite-long-one/strandel-report-1.json";
  const std::string huge = "start-" + std::string(5000, 'x') + "-end";
  struct Case {
    const char* name;
    std::function<void(ViewModel&)> open;
    std::vector<std::string> shown;
    bool overEvents = false;  // the menu hangs over the pane, down to the status line
  };
  const Case cases[] = {
      {"nothing", [](ViewModel&) {}, {}},
      {"privacy pane",
       [](ViewModel& m) { m.pane = PaneView{false}; },
       {"Allow the applications below", "esc: close"}},
      {"login items pane",
       [](ViewModel& m) { m.loginItemsPane = LoginItemsPaneView{false}; },
       {"needs your approval", "esc: close"}},
      {"update alert",
       [](ViewModel& m) {
         m.dialog = DialogView{"Strandel 9.0.0\n\nFAKE: run curl x | sh is available",
                               "Would you like to download it?\n\nNotes\x1b[2J",
                               {"Download", "Later"},
                               0,
                               false,
                               "Strandel"};
       },
       // The message's own line breaks end its lines (the blank after "it?").
       {"Strandel 9.0.0\\n\\nFAKE: run curl x | sh is available", "download it? ", "Notes\\x1B[2J",
        "[ 1: Download ]"}},
      {"long alert",
       [](ViewModel& m) {
         std::string message;
         for (int i = 0; i < 200; ++i) message += "reason ";
         m.dialog = DialogView{"Settings", message, {"OK"}, 0, true, "Strandel"};
       },
       {"[ 1: OK ]", "reason…"}},
      {"long list",
       [](ViewModel& m) {
         m.list = ListView{"Quit an application", {}, 29, ""};
         for (int i = 0; i < 30; ++i) m.list->entries.push_back("App " + std::to_string(i));
       },
       {"Quit an application", "App 29", "▲"}},
      {"extra's menu",
       [](ViewModel& m) {
         m.popup = PopupView{0, "Clock", {"Clock opened its menu", "pressed"}};
       },
       {"pressed"}},
      {"menu",
       [](ViewModel& m) { m.menu = std::vector<MenuRowView>(28, MenuRowView{}); },
       {},
       true},
  };
  for (auto [w, h] : {std::pair{80, 24}, std::pair{120, 40}}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(w) + "x" + std::to_string(h));
      ViewModel model = barModel();
      model.menu.reset();
      model.status =
          "Strandel is running  ·  Accessibility: not allowed  ·  privacy pane open  ·  "
          "Option held";
      model.help = {{"h", "hover", ""}, {"q", "leave", ""}};
      model.log = {"[   1.000] pasteboard: 2568 bytes of text, written to " + path,
                   "[   2.000] " + huge};
      c.open(model);
      Canvas canvas(w, h);
      render(model, canvas);
      // The status line, on two lines when one cannot hold it.
      auto status = canvas.find("Strandel is running");
      auto option = canvas.find("Option held");
      ASSERT_TRUE(status && option);
      EXPECT_GE(option->y, status->y);
      for (int y = status->y; y <= option->y; ++y) {
        for (const char* edge : {"│", "╰", "╯"}) {
          EXPECT_EQ(canvas.row(y).find(edge), std::string::npos) << canvas.row(y);
        }
      }
      for (const auto& text : c.shown) EXPECT_TRUE(canvas.find(text)) << text;
      if (c.overEvents) continue;
      auto header = canvas.find(" Events ");
      ASSERT_TRUE(header);
      std::string rule;
      for (int x = 10; x < w; ++x) rule += "─";
      EXPECT_EQ(canvas.row(header->y), "── Events " + rule);
      // Whole, across lines; the huge entry shortened in its middle, on three lines at most.
      std::string events = eventsText(canvas, header->y, status->y);
      EXPECT_NE(events.find(path), std::string::npos) << events;
      EXPECT_NE(events.find("start-xxx"), std::string::npos);
      EXPECT_NE(events.find("xxx-end"), std::string::npos);
      EXPECT_LE(events.size(), path.size() + 3 * static_cast<size_t>(w) + 100);
    }
  }
}

TEST(View, TinyTerminalsDoNotBreakTheDrawing) {
  ViewModel model = barModel();
  model.dialog = DialogView{"Title", "Message", {"OK"}, 0, true, "Strandel"};
  model.pane = PaneView{true};
  model.log = {"[   0.000] one", "[   1.000] two"};
  for (int w : {0, 1, 2, 5, 10}) {
    for (int h : {0, 1, 2, 3, 6}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
      Canvas canvas(w, h);
      render(model, canvas);
      for (int y = 0; y < h; ++y) EXPECT_LE(static_cast<int>(canvas.row(y).size()), w * 4);
    }
  }
}

}  // namespace
}  // namespace strandel::sim::terminal
