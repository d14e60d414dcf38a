#include "adapters/sim/terminal/view.h"

#include <gtest/gtest.h>

#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/ui/sim_menu.h"

namespace strandel::sim::terminal {
namespace {

class Picker : public ActionTarget {
 public:
  bool respondsTo(const std::string& action) const override { return action == "pick:"; }
  void perform(const std::string&, MenuItem&) override {}
};

// A menu as the program fills it: a header, a hidden and a visible row, the footer.
struct BuiltMenu {
  std::shared_ptr<Picker> target = std::make_shared<Picker>();
  std::shared_ptr<SimMenu> menu = std::make_shared<SimMenu>();
  SimMenus menus;

  BuiltMenu() {
    auto header = menu->addItemWithTitle("Hidden (1)", std::nullopt, "");
    header->setEnabled(false);
    header->setAttributedTitle(
        AttributedString{"Hidden (1)", Font{10, FontWeight::semibold}, Color::secondaryLabel});
    auto hidden = menu->addItemWithTitle("\u25CF  Shelf", "pick:", "");
    hidden->setTarget(target);
    hidden->setImage(std::make_shared<SimImage>("▤", "brown"));
    menu->addItem(menus.separatorItem());
    auto visible = menu->addItemWithTitle("クリップ", "pick:", "");
    visible->setTarget(target);
    auto orphan = menu->addItemWithTitle("No target", "pick:", "");  // nobody answers it
    menu->addItem(menus.separatorItem());
    auto login = menu->addItemWithTitle("Launch at Login", "pick:", "");
    login->setTarget(target);
    login->setState(ControlState::on);
    auto quit = menu->addItemWithTitle("Quit Strandel", "pick:", "q");
    quit->setTarget(target);
  }
};

TEST(MenuRows, DescribeTheMenuAsItDraws) {
  BuiltMenu built;
  auto rows = describeRows(*built.menu);
  ASSERT_EQ(rows.size(), 8u);
  using Kind = MenuRowView::Kind;
  EXPECT_EQ(rows[0].kind, Kind::header);
  EXPECT_EQ(rows[0].title, "Hidden (1)");
  EXPECT_FALSE(rows[0].enabled);
  EXPECT_EQ(rows[1], (MenuRowView{Kind::item, "", "▤", Ink::brown, "\u25CF  Shelf", "", true}));
  EXPECT_EQ(rows[2].kind, Kind::separator);
  EXPECT_EQ(rows[3].title, "クリップ");
  EXPECT_TRUE(rows[3].glyph.empty());
  EXPECT_FALSE(rows[4].enabled);  // enabled, but its action has no target
  EXPECT_EQ(rows[6].mark, "✓");
  EXPECT_EQ(rows[7].key, "⌘Q");

  EXPECT_EQ(nextSelectable(rows, -1, 1), 1);
  EXPECT_EQ(nextSelectable(rows, 1, 1), 3);
  EXPECT_EQ(nextSelectable(rows, 3, 1), 6);  // over the disabled row and the separator
  EXPECT_EQ(nextSelectable(rows, 7, 1), 7);  // stays at the last
  EXPECT_EQ(nextSelectable(rows, 8, -1), 7);
  EXPECT_EQ(nextSelectable(rows, 1, -1), 1);
}

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
  model.status = "Strandel is running";
  model.help = " h hover";
  return model;
}

TEST(View, TheBarShowsTheNotchAsABlockTheExtrasWhereTheySitAndTheOffScreenAtTheEdge) {
  ViewModel model = barModel();
  Canvas canvas(120, 40);
  HitMap hits = render(model, canvas);
  ASSERT_TRUE(hits.bar.notch);
  for (int x = hits.bar.notch->column; x < hits.bar.notch->column + hits.bar.notch->width; ++x) {
    EXPECT_EQ(canvas.at(x, 0).text, "█") << x;
  }
  // The extra behind the notch is covered; the clock shows in its place at the right.
  EXPECT_EQ(canvas.row(0).find("☁"), std::string::npos);
  auto clock = canvas.find("◐");
  ASSERT_TRUE(clock);
  EXPECT_EQ(clock->y, 0);
  EXPECT_GE(clock->x, hits.bar.extras[0]->column);
  EXPECT_LT(clock->x, hits.bar.extras[0]->column + hits.bar.extras[0]->width);
  EXPECT_EQ(canvas.at(clock->x, 0).style.fg, Ink::grey);
  // Shelf is off the left edge: marked on the bar and listed under it.
  EXPECT_EQ(canvas.at(0, 0).text, "◀");
  EXPECT_NE(canvas.row(1).find("▤ Shelf"), std::string::npos);
  EXPECT_EQ(canvas.at(118, 0).text, "⋯");
  EXPECT_NE(canvas.row(38).find("Strandel is running"), std::string::npos);
  EXPECT_TRUE(canvas.at(0, 39).style.reverse);
}

TEST(View, TheOpenMenuHangsFromTheStatusItemWithEveryKindOfRow) {
  BuiltMenu built;
  ViewModel model = barModel();
  model.menu = describeRows(*built.menu);
  model.menuCursor = 3;
  model.statusHighlighted = true;
  Canvas canvas(120, 40);
  HitMap hits = render(model, canvas);
  ASSERT_TRUE(hits.menuBox);
  EXPECT_EQ(hits.menuBox->x + hits.menuBox->width, 120);
  EXPECT_EQ(hits.menuBox->y, 1);
  EXPECT_EQ(hits.menuRows.size(), 8u);

  auto header = canvas.find("Hidden (1)");
  auto hidden = canvas.find("●  Shelf");
  auto visible = canvas.find("クリップ");
  auto login = canvas.find("Launch at Login");
  auto quit = canvas.find("Quit Strandel");
  ASSERT_TRUE(header && hidden && visible && login && quit);
  EXPECT_EQ(header->y, 2);
  EXPECT_EQ(hidden->y, 3);
  EXPECT_EQ(visible->y, 5);
  EXPECT_TRUE(canvas.at(header->x, header->y).style.dim);
  EXPECT_TRUE(canvas.at(header->x, header->y).style.bold);
  // The row's icon sits left of the title, the check mark left of that.
  EXPECT_NE(canvas.row(hidden->y).find("▤  ●  Shelf"), std::string::npos);
  EXPECT_NE(canvas.row(login->y).find("✓"), std::string::npos);
  EXPECT_NE(canvas.row(quit->y).find("⌘Q"), std::string::npos);
  EXPECT_NE(canvas.row(4).find("────"), std::string::npos);  // the separator
  // The highlighted row stands out; the row without a target is dimmed.
  EXPECT_EQ(canvas.at(visible->x, visible->y).style.bg, Ink::blue);
  auto orphan = canvas.find("No target");
  ASSERT_TRUE(orphan);
  EXPECT_TRUE(canvas.at(orphan->x, orphan->y).style.dim);
  EXPECT_EQ(canvas.at(118, 0).style.bg, Ink::blue);  // the status item is highlighted
}

TEST(View, ALongMenuScrollsToKeepTheCursorInView) {
  std::vector<MenuRowView> rows;
  for (int i = 0; i < 80; ++i) {
    MenuRowView row;
    row.title = "Row " + std::to_string(i);
    rows.push_back(row);
  }
  ViewModel model = barModel();
  model.menu = rows;
  model.menuCursor = 70;
  Canvas canvas(120, 30);
  HitMap hits = render(model, canvas);
  EXPECT_TRUE(canvas.find("Row 70"));
  EXPECT_FALSE(canvas.find("Row 0 "));
  EXPECT_GT(hits.menuFirst, 0);
  EXPECT_EQ(hits.menuRows.back().second, 70);
  EXPECT_LE(hits.menuBox->y + hits.menuBox->height, 30);
  EXPECT_TRUE(canvas.find("▲"));
}

TEST(View, DialogsShowTheirTextsAndButtonsFirstOnTheRight) {
  ViewModel model = barModel();
  model.dialog = DialogView{"Strandel 1.1.0 is available",
                            "You have version 1.0.0. Would you like to download version 1.1.0?",
                            {"Download", "Later"},
                            0,
                            false,
                            "Strandel"};
  Canvas canvas(120, 40);
  HitMap hits = render(model, canvas);
  EXPECT_TRUE(canvas.find("Strandel 1.1.0 is available"));
  EXPECT_TRUE(canvas.find("Would you like to download"));
  ASSERT_EQ(hits.dialogButtons.size(), 2u);
  auto download = canvas.find("[ Download ]");
  auto later = canvas.find("[ Later ]");
  ASSERT_TRUE(download && later);
  EXPECT_GT(download->x, later->x);
  EXPECT_TRUE(hits.dialogButtons[0].first.contains(download->x, download->y));
  EXPECT_EQ(canvas.at(download->x, download->y).style.bg, Ink::blue);  // the focus
}

TEST(View, ThePrivacyPaneShowsThePermission) {
  for (bool granted : {false, true}) {
    SCOPED_TRACE(granted);
    ViewModel model = barModel();
    model.pane = PaneView{granted};
    Canvas canvas(120, 40);
    HitMap hits = render(model, canvas);
    EXPECT_TRUE(canvas.find("Privacy & Security"));
    auto toggle = canvas.find(granted ? "[✓] ⋯ Strandel" : "[ ] ⋯ Strandel");
    ASSERT_TRUE(toggle);
    ASSERT_TRUE(hits.paneToggle);
    EXPECT_TRUE(hits.paneToggle->contains(toggle->x, toggle->y));
  }
}

TEST(View, AnOpenedExtraShowsItsMenuBelowIt) {
  ViewModel model = barModel();
  model.extras[0].opened = true;
  model.popup = PopupView{0, "Clock, Thursday 09:41", {"Control Centre opened its menu"}, false};
  Canvas canvas(120, 40);
  HitMap hits = render(model, canvas);
  auto title = canvas.find("Clock, Thursday");
  ASSERT_TRUE(title);
  EXPECT_EQ(title->y, 3);
  EXPECT_EQ(canvas.at(hits.bar.extras[0]->column, 0).style.bg, Ink::blue);
  // Under the clock, pulled in so that the box (34 columns) ends at the screen's edge.
  EXPECT_EQ(title->x, 120 - 34 + 2);

  // An opened extra off the left edge opens at that edge.
  model.extras[0].opened = false;
  model.popup = PopupView{2, "Shelf, 3 files", {"Shelf opened its menu"}, false};
  Canvas left(120, 40);
  render(model, left);
  auto shelf = left.find("Shelf, 3 files");
  ASSERT_TRUE(shelf);
  EXPECT_EQ(shelf->x, 2);
}

TEST(View, TinyTerminalsDoNotBreakTheDrawing) {
  BuiltMenu built;
  ViewModel model = barModel();
  model.menu = describeRows(*built.menu);
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
