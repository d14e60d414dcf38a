#include "adapters/sim/terminal/text.h"

#include <gtest/gtest.h>

#include "adapters/sim/terminal/canvas.h"

namespace strandel::sim::terminal {
namespace {

TEST(TerminalText, WidthsOfScripts) {
  struct Case {
    const char* text;
    int width;
  };
  const Case cases[] = {
      {"Wi-Fi", 5},
      {"Météo", 5},                  // precomposed
      {"Me\xCC\x81te\xCC\x81o", 5},  // combining acute accents join their letters
      {"カレンダー", 10},
      {"클립보드", 8},
      {"翻译，已就绪", 12},  // the full-width comma is wide too
      {"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(displayWidth(c.text), c.width);
  }
}

TEST(TerminalText, ControlAndMalformedBytesNeverReachTheTerminal) {
  // An escape sequence or a line feed inside a description would move the cursor or
  // recolour the screen; each such byte becomes one replacement character.
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"a\x1b[2Jb", "a\xEF\xBF\xBD[2Jb"},
      {"line\nbreak",
       "line\xEF\xBF\xBD"
       "break"},
      {"\x7f", "\xEF\xBF\xBD"},
      {"\xC2\x9B", "\xEF\xBF\xBD"},                              // C1 control (CSI)
      {"\xFF", "\xEF\xBF\xBD"},                                  // never valid in UTF-8
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong "/"
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"\xE3\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // cut short
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    std::string joined;
    for (const Glyph& g : glyphsOf(c.text)) {
      joined += g.text;
      EXPECT_EQ(g.width, 1);
    }
    EXPECT_EQ(joined, c.shown);
  }
}

TEST(TerminalText, FitToWidthCutsWithAnEllipsisAndNeverSplitsAWideGlyph) {
  EXPECT_EQ(fitToWidth("Control Centre", 20), "Control Centre");
  EXPECT_EQ(fitToWidth("Control Centre", 8), "Control…");
  EXPECT_EQ(fitToWidth("カレンダー", 6), "カレ…");
  EXPECT_EQ(fitToWidth("カレンダー", 5), "カレ…");
  EXPECT_EQ(fitToWidth("abc", 0), "");
  for (int w = 1; w < 12; ++w) {
    SCOPED_TRACE(w);
    EXPECT_LE(displayWidth(fitToWidth("カレンダー, 今日の予定 3件", w)), w);
  }
}

TEST(TerminalText, WrapBreaksBetweenWordsAtLineFeedsAndInsideLongWords) {
  EXPECT_EQ(
      wrapText("You have version 1.0.0. Would you like to download it?", 20),
      (std::vector<std::string>{"You have version", "1.0.0. Would you", "like to download it?"}));
  EXPECT_EQ(wrapText("one\n\ntwo", 10), (std::vector<std::string>{"one", "", "two"}));
  EXPECT_EQ(wrapText("abcdefghij", 4), (std::vector<std::string>{"abcd", "efgh", "ij"}));
  for (const auto& line : wrapText("今日の予定は三件あります。会議、昼食、散歩。", 9)) {
    EXPECT_LE(displayWidth(line), 9) << line;
  }
}

TEST(TerminalCanvas, WideGlyphsOccupyTwoCellsAndOverwritingHalfClearsTheOther) {
  Canvas canvas(6, 1);
  EXPECT_EQ(canvas.text(0, 0, "カレ", Style{}), 4);
  EXPECT_EQ(canvas.row(0), "カレ  ");
  EXPECT_TRUE(canvas.at(1, 0).continuation);
  // Writing into the right half of "カ" leaves no half glyph behind.
  canvas.text(1, 0, "x", Style{});
  EXPECT_EQ(canvas.row(0), " xレ  ");
  // Writing over the left half of "レ" too.
  canvas.text(2, 0, "y", Style{});
  EXPECT_EQ(canvas.row(0), " xy   ");
  // A wide glyph that would be cut at the edge becomes a space.
  Canvas edge(3, 1);
  EXPECT_EQ(edge.text(0, 0, "abカ", Style{}), 3);
  EXPECT_EQ(edge.row(0), "ab ");
  EXPECT_FALSE(edge.at(2, 0).continuation);
}

TEST(TerminalCanvas, WritesAreClippedToTheCanvasAndTheWidthGiven) {
  Canvas canvas(5, 2);
  EXPECT_EQ(canvas.text(3, 0, "hello", Style{}), 2);
  EXPECT_EQ(canvas.row(0), "   he");
  EXPECT_EQ(canvas.text(0, 1, "hello", Style{}, 2), 2);
  EXPECT_EQ(canvas.row(1), "he   ");
  EXPECT_EQ(canvas.text(0, 5, "x", Style{}), 0);
  EXPECT_EQ(canvas.text(0, -1, "x", Style{}), 0);
  canvas.fill(Region{-3, -3, 100, 100}, Style{}, "#");
  EXPECT_EQ(canvas.row(0), "#####");
  auto place = canvas.find("##");
  ASSERT_TRUE(place);
  EXPECT_EQ(place->x, 0);
}

TEST(TerminalCanvas, FindReportsColumnsNotBytes) {
  Canvas canvas(20, 2);
  canvas.text(0, 1, "カレ ●  Wi-Fi", Style{});
  auto place = canvas.find("Wi-Fi");
  ASSERT_TRUE(place);
  EXPECT_EQ(place->x, 8);
  EXPECT_EQ(place->y, 1);
  EXPECT_FALSE(canvas.find("Battery"));
}

}  // namespace
}  // namespace strandel::sim::terminal
