#include "adapters/sim/terminal/layout.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

namespace strandel::sim::terminal {
namespace {

Rect frame(double x, double w) {
  return Rect{Point{x, 0}, Size{w, 37}};
}

// A 14-inch screen with its notch between 662 and 850 points.
const ScreenSpec kNotched{Rect{{0, 0}, {1512, 982}}, Rect{{0, 950}, {662, 32}},
                          Rect{{850, 950}, {662, 32}}};

TEST(BarLayout, TheScreenSpansTheTerminalToScaleWithTheStatusItemAtTheRightEnd) {
  BarLayout bar = layoutBar(kNotched, {frame(1412, 100), frame(0, 30), frame(1000, -30)}, 120);
  EXPECT_EQ(bar.columns, 117);
  EXPECT_EQ(bar.statusItem, (Span{117, kStatusItemColumns}));
  // 1512 points over 117 columns: the notch from 662 to 850 covers columns 51 to 64.
  EXPECT_EQ(bar.notch, (Span{51, 14}));
  EXPECT_EQ(bar.extras[0], (Span{109, 8}));  // the clock ends at the screen's right edge
  EXPECT_EQ(bar.extras[1], (Span{0, 2}));
  EXPECT_EQ(bar.extras[2]->column, bar.columnOf(970));  // a negative width counts leftwards
  // Pointing finds the extra drawn there, but nothing behind the notch or on the item.
  EXPECT_EQ(bar.extraAt(bar.columnOf(1450)), 0u);
  EXPECT_FALSE(bar.extraAt(bar.columnOf(700)));
  EXPECT_FALSE(bar.extraAt(bar.columns));
}

TEST(BarLayout, ExtrasWhollyOffTheScreenAreListedAtTheirEdgeFromLeftToRight) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Rect> extras = {
      frame(-40, 30),   frame(1600, 30),  // 0, 1: off the left and the right edge
      frame(-72, 30),                     // 2: further left
      frame(-20, 30),   frame(1500, 30),  // 3, 4: across an edge: not drawn, listed there
      frame(1512, 30),  frame(-30, 30),   // 5, 6: touching an edge from outside: off
      frame(nan, 30),   frame(inf, 30),   // 7, 8: without numbers: listed, not lost
      frame(1e300, 30), frame(100, nan),  // 9, 10
  };
  BarLayout bar = layoutBar(kNotched, extras, 120);
  EXPECT_EQ(bar.offLeft, (std::vector<size_t>{2, 0, 6, 3, 7}));  // no position: last at the left
  EXPECT_EQ(bar.offRight, (std::vector<size_t>{4, 5, 1, 9, 8}));
  EXPECT_FALSE(bar.extras[3] || bar.extras[4]);
  EXPECT_TRUE(bar.extras[10]);
  // Up to 2 points past the right edge, a hosting window's item is drawn whole.
  EXPECT_TRUE(layoutBar(kNotched, {frame(1484, 30)}, 120).extras[0]);
  EXPECT_FALSE(layoutBar(kNotched, {frame(1485, 30)}, 120).extras[0]);
  // Behind the notch, even by a point: not drawn, but known.
  BarLayout notched = layoutBar(kNotched, {frame(633, 30), frame(632, 30)}, 120);
  EXPECT_EQ(notched.behindNotch, (std::vector<size_t>{0}));
  EXPECT_TRUE(notched.extras[1]);
}

TEST(BarLayout, AtEveryWidthSpansStayInsideAndKeepTheExtrasOrder) {
  std::vector<Rect> extras;
  for (int i = 0; i < 40; ++i) extras.push_back(frame(i * 37.0, 30));
  for (int width = 4; width <= 300; ++width) {
    SCOPED_TRACE(width);
    BarLayout bar = layoutBar(kNotched, extras, width);
    EXPECT_EQ(bar.columns + bar.statusItem.width, width);
    ASSERT_TRUE(bar.notch);
    EXPECT_GE(bar.notch->column, 0);
    EXPECT_LE(bar.notch->column + bar.notch->width, bar.columns);
    int previous = -1;
    for (size_t i = 0; i < extras.size(); ++i) {
      const auto& span = bar.extras[i];
      bool behindNotch = maxX(extras[i]) > 662 && minX(extras[i]) < 850;
      ASSERT_EQ(span.has_value(), !behindNotch) << i;
      if (!span) continue;
      EXPECT_GE(span->width, 1);
      EXPECT_GE(span->column, previous);
      EXPECT_LE(span->column + span->width, bar.columns);
      previous = span->column;
    }
  }
}

TEST(BarLayout, WithoutTwoSeparateTopAreasThereIsNoNotchAndWithoutAScreenTheExtrasSpanTheBar) {
  ScreenSpec touching = kNotched;
  touching.topRightArea = Rect{{662, 950}, {850, 32}};
  EXPECT_FALSE(layoutBar(touching, {}, 120).notch);
  BarLayout bare = layoutBar(std::nullopt, {frame(0, 50), frame(50, 50)}, 23);
  EXPECT_EQ(bare.extras[1], (Span{10, 10}));
  EXPECT_GT(layoutBar(std::nullopt, {}, 23).pointsWide, 0);
}

TEST(DropDownLayout, HangsFromTheAnchorAndScrollsOnlyAsFarAsTheCursorNeeds) {
  struct Case {
    const char* name;
    int rows, content, anchor, height, previousFirst;
    long cursor;
    Region box;
    int first, shown;
    bool above, below;
  };
  const Case cases[] = {
      {"fits", 10, 20, 120, 40, 0, -1, {98, 1, 22, 12}, 0, 10, false, false},
      {"cursor far down", 60, 20, 120, 40, 0, 50, {98, 1, 22, 39}, 14, 37, true, true},
      {"keeps its place", 60, 20, 120, 40, 20, 25, {98, 1, 22, 39}, 20, 37, true, true},
      {"cursor above", 60, 20, 120, 40, 20, 3, {98, 1, 22, 39}, 3, 37, true, true},
      {"past the end", 60, 20, 120, 40, 99, -1, {98, 1, 22, 39}, 23, 37, true, false},
      {"too wide", 5, 300, 120, 40, 0, 0, {0, 1, 120, 7}, 0, 5, false, false},
      {"no room", 5, 20, 120, 3, 0, 2, {98, 1, 22, 2}, 0, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxLayout layout =
        layoutDropDown(c.rows, c.content, c.anchor, 1, 120, c.height, c.previousFirst, c.cursor);
    EXPECT_EQ(layout.box, c.box);
    EXPECT_EQ(std::tie(layout.firstRow, layout.shownRows, layout.moreAbove, layout.moreBelow),
              std::tie(c.first, c.shown, c.above, c.below));
  }
}

}  // namespace
}  // namespace strandel::sim::terminal
