#include "adapters/sim/terminal/text.h"

#include <gtest/gtest.h>

#include "adapters/sim/terminal/canvas.h"

namespace strandel::sim::terminal {
namespace {

TEST(TerminalText, WidthsFitsAndWrapsNeverSplitAWideGlyph) {
  // Precomposed or combining accents, wide kana, hangul and full-width punctuation.
  const std::pair<const char*, int> widths[] = {
      {"Météo", 5},    {"Me\xCC\x81te\xCC\x81o", 5}, {"カレンダー", 10},
      {"클립보드", 8}, {"翻译，已就绪", 12},         {"", 0},
  };
  for (const auto& [text, width] : widths) EXPECT_EQ(displayWidth(text), width) << text;
  EXPECT_EQ(fitToWidth("Control Centre", 8), "Control…");
  EXPECT_EQ(fitToWidth("カレンダー", 6), "カレ…");
  EXPECT_EQ(fitToWidth("abc", 0), "");
  EXPECT_EQ(wrapText("You have version 1.0.0. Would you like it?", 16),
            (std::vector<std::string>{"You have version", "1.0.0. Would you", "like it?"}));
  // A line feed from a manifest or a file name is shown, never followed.
  EXPECT_EQ(wrapText("9.0.0\n\nFAKE: run it", 16),
            (std::vector<std::string>{"9.0.0\\n\\nFAKE:", "run it"}));
  EXPECT_EQ(wrapText("one abcdefghij", 4), (std::vector<std::string>{"one", "abcd", "efgh", "ij"}));
  EXPECT_EQ(fitInMiddle("/home/someone/strandel-report-1.json", 24), "/home/someo…eport-1.json");
  EXPECT_EQ(fitInMiddle("abc", 3), "abc");
  for (int w = 1; w < 12; ++w) {
    SCOPED_TRACE(w);
    EXPECT_LE(displayWidth(fitToWidth("カレンダー, 今日の予定 3件", w)), w);
    EXPECT_LE(displayWidth(fitInMiddle("カレンダー, 今日の予定 3件", w)), w);
    for (const auto& line : wrapText("今日の予定は三件あります。会議、昼食、散歩。", w)) {
      EXPECT_LE(displayWidth(line), std::max(w, 2)) << line;
    }
  }
}

TEST(TerminalText, ControlAndMalformedBytesNeverReachTheTerminal) {
  // An escape sequence or a line feed inside a description would move the cursor or
  // recolour the screen, an override would reorder it; each shows as its visible escape,
  // a glyph a column wide per character. Which characters escape is DisplayEscape's suite.
  const std::pair<std::string, std::string> cases[] = {
      {"a\x1b[2Jb", "a\\x1B[2Jb"},
      {"\xC2\x9B", "\\u009B"},                                   // C1 control (CSI)
      {"\xE2\x80\xAEtxt.exe", "\\u202Etxt.exe"},                 // right-to-left override
      {"\xFF", "\\xFF"},                                         // never valid in UTF-8
      {"\xC0\xAF", "\\xC0\\xAF"},                                // overlong "/"
      {"\xE3\x82", "\\xE3\\x82"},                                // cut short
      {"caf\xC3\xA9 \xE2\x97\x8F", "caf\xC3\xA9 \xE2\x97\x8F"},  // clean text is untouched
  };
  for (const auto& [text, shown] : cases) {
    SCOPED_TRACE(shown);
    std::string joined;
    for (const Glyph& g : glyphsOf(text)) {
      joined += g.text;
      EXPECT_EQ(g.width, 1);
    }
    EXPECT_EQ(joined, shown);
  }
}

TEST(TerminalCanvas, WideGlyphsOccupyTwoCellsAndWritesAreClipped) {
  Canvas canvas(6, 2);
  EXPECT_EQ(canvas.text(0, 0, "カレ", Style{}), 4);
  EXPECT_TRUE(canvas.at(1, 0).continuation);
  canvas.text(1, 0, "x", Style{});  // into the right half of "カ": no half glyph is left
  canvas.text(2, 0, "y", Style{});  // over the left half of "レ" too
  EXPECT_EQ(canvas.row(0), " xy   ");
  EXPECT_EQ(canvas.text(3, 1, "abカ", Style{}), 3);  // a wide glyph cut at the edge: a space
  EXPECT_EQ(canvas.row(1), "   ab ");
  EXPECT_EQ(canvas.text(0, 1, "hello", Style{}, 2), 2);
  EXPECT_EQ(canvas.text(0, 2, "x", Style{}), 0);
  canvas.text(0, 0, "カレ ●  Wi-Fi", Style{});
  auto place = canvas.find("●");  // in columns, not bytes
  ASSERT_TRUE(place);
  EXPECT_EQ(place->x, 5);
}

}  // namespace
}  // namespace strandel::sim::terminal
