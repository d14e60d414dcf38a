#include "adapters/sim/terminal/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace strandel::sim::terminal {
namespace {

Rect frame(double x, double w) {
  return Rect{Point{x, 0}, Size{w, 37}};
}

// A 14-inch screen with its notch between 662 and 850 points.
ScreenSpec notchedScreen() {
  return ScreenSpec{Rect{{0, 0}, {1512, 982}}, Rect{{0, 950}, {662, 32}},
                    Rect{{850, 950}, {662, 32}}};
}

TEST(BarLayout, TheScreenSpansTheTerminalToScaleWithTheStatusItemAtTheRightEnd) {
  BarLayout bar = layoutBar(notchedScreen(), {frame(1412, 100), frame(0, 30)}, 120);
  EXPECT_EQ(bar.columns, 117);
  EXPECT_EQ(bar.statusItem, (Span{117, kStatusItemColumns}));
  // 1512 points over 117 columns: the notch from 662 to 850 covers columns 51 to 64.
  ASSERT_TRUE(bar.notch);
  EXPECT_EQ(*bar.notch, (Span{51, 14}));
  ASSERT_TRUE(bar.extras[0]);
  EXPECT_EQ(*bar.extras[0], (Span{109, 8}));  // the clock ends at the screen's right edge
  ASSERT_TRUE(bar.extras[1]);
  EXPECT_EQ(*bar.extras[1], (Span{0, 2}));
}

TEST(BarLayout, ExtrasWhollyOffTheScreenAreListedAtTheirEdgeFromLeftToRight) {
  std::vector<Rect> extras = {
      frame(-40, 30),    // 0: off the left edge
      frame(1600, 30),   // 1: off the right edge
      frame(-72, 30),    // 2: further left
      frame(-20, 30),    // 3: half on screen: drawn, clipped
      frame(1500, 30),   // 4: half off on the right: drawn, clipped
      frame(1512, 30),   // 5: starts exactly at the right edge: off
      frame(-30, 30),    // 6: ends exactly at the left edge: off
      frame(1000, -30),  // 7: a negative width counts from the other edge: 970 to 1000
  };
  BarLayout bar = layoutBar(notchedScreen(), extras, 120);
  EXPECT_EQ(bar.offLeft, (std::vector<size_t>{2, 0, 6}));
  EXPECT_EQ(bar.offRight, (std::vector<size_t>{5, 1}));
  for (size_t i : {0, 1, 2, 5, 6}) EXPECT_FALSE(bar.extras[i]) << i;
  ASSERT_TRUE(bar.extras[3]);
  EXPECT_EQ(bar.extras[3]->column, 0);
  ASSERT_TRUE(bar.extras[4]);
  EXPECT_EQ(*bar.extras[4], (Span{116, 1}));
  ASSERT_TRUE(bar.extras[7]);
  EXPECT_EQ(bar.extras[7]->column, bar.columnOf(970));
}

TEST(BarLayout, FramesWithoutNumbersAreListedNotLost) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<Rect> extras = {frame(nan, 30), frame(inf, 30), frame(-inf, 30), frame(1e300, 30),
                              frame(100, nan)};
  BarLayout bar = layoutBar(notchedScreen(), extras, 120);
  size_t placed = 0;
  for (const auto& span : bar.extras) placed += span ? 1 : 0;
  EXPECT_EQ(placed + bar.offLeft.size() + bar.offRight.size(), extras.size());
  EXPECT_EQ(bar.offRight, (std::vector<size_t>{3, 1}));
}

TEST(BarLayout, AtEveryWidthSpansStayInsideAndKeepTheExtrasOrder) {
  std::vector<Rect> extras;
  for (int i = 0; i < 40; ++i) extras.push_back(frame(i * 37.0, 30));
  for (int width = 4; width <= 300; ++width) {
    SCOPED_TRACE(width);
    BarLayout bar = layoutBar(notchedScreen(), extras, width);
    EXPECT_EQ(bar.columns + bar.statusItem.width, width);
    ASSERT_TRUE(bar.notch);
    EXPECT_GE(bar.notch->column, 0);
    EXPECT_LE(bar.notch->column + bar.notch->width, bar.columns);
    int previous = -1;
    for (const auto& span : bar.extras) {
      ASSERT_TRUE(span);
      EXPECT_GE(span->width, 1);
      EXPECT_GE(span->column, previous);
      EXPECT_LE(span->column + span->width, bar.columns);
      previous = span->column;
    }
  }
}

TEST(BarLayout, WithoutAScreenTheExtrasOwnExtentIsTheBar) {
  BarLayout bar = layoutBar(std::nullopt, {frame(0, 50), frame(50, 50)}, 23);
  EXPECT_FALSE(bar.notch);
  EXPECT_EQ(bar.columns, 20);
  EXPECT_EQ(*bar.extras[0], (Span{0, 10}));
  EXPECT_EQ(*bar.extras[1], (Span{10, 10}));
  BarLayout empty = layoutBar(std::nullopt, {}, 23);
  EXPECT_GT(empty.pointsWide, 0);
}

TEST(BarLayout, AScreenWithoutTwoSeparateTopAreasHasNoNotch) {
  ScreenSpec plain{Rect{{0, 0}, {1440, 900}}, std::nullopt, std::nullopt};
  EXPECT_FALSE(layoutBar(plain, {}, 120).notch);
  ScreenSpec touching = notchedScreen();
  touching.topRightArea = Rect{{662, 950}, {850, 32}};
  EXPECT_FALSE(layoutBar(touching, {}, 120).notch);
  ScreenSpec offset{Rect{{-1512, 0}, {1512, 982}}, std::nullopt, std::nullopt};
  BarLayout bar = layoutBar(offset, {frame(-1512, 30), frame(0, 30)}, 120);
  EXPECT_EQ(bar.extras[0]->column, 0);
  EXPECT_EQ(bar.offRight, (std::vector<size_t>{1}));
}

TEST(BarLayout, PointingFindsTheTopmostExtraButNothingBehindTheNotch) {
  std::vector<Rect> extras = {frame(700, 30), frame(1000, 60), frame(1020, 30)};
  BarLayout bar = layoutBar(notchedScreen(), extras, 120);
  EXPECT_FALSE(bar.extraAt(bar.columnOf(710)));  // behind the notch
  EXPECT_EQ(bar.extraAt(bar.columnOf(1005)), 1u);
  EXPECT_EQ(bar.extraAt(bar.columnOf(1025)), 2u);  // drawn later, on top
  EXPECT_FALSE(bar.extraAt(bar.columnOf(300)));
  EXPECT_FALSE(bar.extraAt(-1));
  EXPECT_FALSE(bar.extraAt(bar.columns));  // the status item's own columns
}

TEST(DropDownLayout, HangsFromTheAnchorAndScrollsOnlyAsFarAsTheCursorNeeds) {
  struct Case {
    const char* name;
    int rows, content, anchor, columns, height, previousFirst;
    long cursor;
    Region box;
    int first, shown;
    bool above, below;
  };
  const Case cases[] = {
      {"fits", 10, 20, 120, 120, 40, 0, -1, {98, 1, 22, 12}, 0, 10, false, false},
      {"cursor far down", 60, 20, 120, 120, 40, 0, 50, {98, 1, 22, 39}, 14, 37, true, true},
      {"keeps its place", 60, 20, 120, 120, 40, 20, 25, {98, 1, 22, 39}, 20, 37, true, true},
      {"cursor above", 60, 20, 120, 120, 40, 20, 3, {98, 1, 22, 39}, 3, 37, true, true},
      {"past the end", 60, 20, 120, 120, 40, 99, -1, {98, 1, 22, 39}, 23, 37, true, false},
      {"too wide", 5, 300, 120, 120, 40, 0, 0, {0, 1, 120, 7}, 0, 5, false, false},
      {"anchor near the left", 5, 20, 5, 120, 40, 0, 0, {0, 1, 22, 7}, 0, 5, false, false},
      {"no room", 5, 20, 120, 120, 3, 0, 2, {98, 1, 22, 2}, 0, 0, false, true},
      {"no rows", 0, 20, 120, 120, 40, 0, -1, {98, 1, 22, 2}, 0, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxLayout layout = layoutDropDown(c.rows, c.content, c.anchor, 1, c.columns, c.height,
                                      c.previousFirst, c.cursor);
    EXPECT_EQ(layout.box, c.box);
    EXPECT_EQ(layout.firstRow, c.first);
    EXPECT_EQ(layout.shownRows, c.shown);
    EXPECT_EQ(layout.moreAbove, c.above);
    EXPECT_EQ(layout.moreBelow, c.below);
    if (c.cursor >= 0 && layout.shownRows > 0) {
      EXPECT_GE(c.cursor, layout.firstRow);
      EXPECT_LT(c.cursor, layout.firstRow + layout.shownRows);
    }
  }
}

}  // namespace
}  // namespace strandel::sim::terminal
