#include "adapters/sim/ui/type_select.h"

#include <gtest/gtest.h>

namespace strandel::sim {
namespace {

TEST(TypeSelect, APrefixOfTheTitleWithoutCaseOrDiacritics) {
  const struct {
    const char* title;
    const char* typed;
    bool matches;
  } cases[] = {
      {"Xin Notes", "xi", true},       // case
      {"Météo, 12°", "METE", true},    // diacritics, either side
      {"Meteo", "mété", true},         //
      {"Xin Notes", "Notes", false},   // a prefix, not a word inside
      {"●  Xin Notes", "xi", false},   // the mark stands in the way of a drawn title
      {"カレンダー", "カレ", true},    // Japanese as typed
      {"クリップ", "ク", true},        //
      {"グラフ", "ク", true},          // the voiced mark is a diacritic too
      {"클립보드", "클", true},        // Korean syllables
      {"翻译，已就绪", "翻译", true},  // Chinese
      {"Xin", "Xin Notes", false},     // longer than the title
      {"Xin", "", false},              // nothing typed selects nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.title) + " / " + c.typed);
    EXPECT_EQ(typeSelectMatches(c.title, c.typed), c.matches);
  }
}

}  // namespace
}  // namespace strandel::sim
