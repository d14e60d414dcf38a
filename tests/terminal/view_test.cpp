#include "adapters/sim/terminal/view.h"

#include <gtest/gtest.h>

namespace strandel::sim::terminal {
namespace {

using Kind = MenuRowView::Kind;

ViewModel barModel() {
  ViewModel model;
  model.screen =
      ScreenSpec{Rect{{0, 0}, {1512, 982}}, Rect{{0, 950}, {662, 32}}, Rect{{850, 950}, {662, 32}}};
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

TEST(View, TheBarShowsTheNotchAsABlockTheExtrasWhereTheySitAndTheOffScreenAtTheEdge) {
  ViewModel model = barModel();
  model.menu.reset();
  Canvas canvas(120, 40);
  HitMap hits = render(model, canvas);
  ASSERT_TRUE(hits.bar.notch);
  for (int x = hits.bar.notch->column; x < hits.bar.notch->column + hits.bar.notch->width; ++x) {
    EXPECT_EQ(canvas.at(x, 0).text, "█") << x;
  }
  EXPECT_EQ(canvas.row(0).find("☁"), std::string::npos);  // behind the notch: covered
  auto clock = canvas.find("◐");
  ASSERT_TRUE(clock);
  EXPECT_EQ(hits.bar.extraAt(clock->x), 0u);  // where the clock sits
  EXPECT_EQ(canvas.at(clock->x, 0).style.fg, Ink::grey);
  // Shelf is off the left edge: marked on the bar and listed under it.
  EXPECT_EQ(canvas.at(0, 0).text, "◀");
  EXPECT_NE(canvas.row(1).find("▤ Shelf"), std::string::npos);
}

TEST(View, TheOpenMenuHangsFromTheStatusItemWithEveryKindOfRow) {
  Canvas canvas(120, 40);
  HitMap hits = render(barModel(), canvas);
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
