// The search rule, case by case; each row names the mistake it would catch.
#include "menu/search_filter.h"

#include <gtest/gtest.h>

namespace strandel {
namespace {

TEST(SearchQuery, KeepsARowWhenEveryWordIsInItsLabelOrAppName) {
  struct Case {
    const char* query;
    const char* label;
    const char* owner;
    bool stays;
    const char* catches;
  };
  const Case cases[] = {
      {"notes", "Xin Notes", "Xin", true, "a prefix match instead of a substring"},
      {"NOTES", "xin notes", "", true, "case compared"},
      {"sonar", "Volume", "Sonar", true, "the app's name ignored"},
      {"xin vol", "Volume", "Xin", true, "all words required in one text"},
      {"xin vol", "Volume", "Sonar", false, "any word enough (or: words not split)"},
      {"  vol  ", "Volume", "", true, "blanks kept as part of a word"},
      {"cafe", "Café Timer", "", true, "diacritics compared (precomposed é)"},
      {"café", "Cafe\xCC\x81 Timer", "", true, "a decomposed accent in the label kept"},
      {"\xEF\xBC\xB7\xEF\xBD\x89", "Wi-Fi", "", true, "full-width Latin not narrowed"},
      {"wi\xE3\x80\x80"
       "fi",
       "Wi Fi", "", true, "the ideographic space not a blank"},
      {"カレ", "カレンダー", "", true, "Japanese not matched as typed"},
      {"カ", "ガイド", "", false, "kana voicing marks dropped as diacritics"},
      {"ガ", "カ\xE3\x82\x99イド", "", true, "a voicing mark written apart left apart"},
      {"클", "클립보드", "", true, "Hangul syllables not matched as typed"},
      {"크", "클립보드", "", false, "Hangul compared as jamo: a partial syllable matches"},
      {"翻译", "中文翻译工具", "", true, "Chinese in the middle of a label missed"},
      {"estu", "Xin Notes", "Tuner", false, "label and app name joined into one text"},
      {"", "Volume", "", true, "an empty query hiding rows"},
      {"x", "", "", false, "an empty label matching everything"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.query) + " / " + c.label + ": " + c.catches);
    const SearchKey key(c.label, c.owner);
    EXPECT_EQ(SearchQuery(c.query).matches(key.label, key.owner), c.stays);
  }
}

}  // namespace
}  // namespace strandel
