#include "adapters/sim/ui/type_select.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "adapters/sim/ui/sim_menu.h"
#include "adapters/sim/ui/sim_search_field.h"

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

// A Mac gives a menu row's view the focus only from inside tracking, and takes it back on
// closing.
class FocusAsker final : public MenuDelegate {
 public:
  void menuNeedsUpdate(Menu&) override { granted.push_back(field->makeFirstResponder()); }
  void menuWillOpen(Menu&) override { granted.push_back(field->makeFirstResponder()); }
  void menuDidClose(Menu&) override {}
  void menuDidBeginTracking(Menu&) override { granted.push_back(field->makeFirstResponder()); }
  std::shared_ptr<SimSearchField> field = std::make_shared<SimSearchField>();
  std::vector<bool> granted;
};

TEST(SearchFieldFocus, OnlyFromInsideTrackingUntilTheMenuCloses) {
  auto menu = std::make_shared<SimMenu>();
  auto asker = std::make_shared<FocusAsker>();
  menu->setDelegate(asker);
  auto row = std::make_shared<SimMenuItem>("", std::nullopt, "");
  row->setView(asker->field);
  menu->addItem(row);
  menu->addItem(std::make_shared<SimMenuItem>("Xin Notes", std::nullopt, ""));
  EXPECT_FALSE(asker->field->makeFirstResponder());  // no menu on screen
  menu->open();
  EXPECT_EQ(asker->granted, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(menu->focusedField(), asker->field.get());
  EXPECT_FALSE(asker->field->showsCaret());  // the window is not key, the editor draws none
  asker->field->setDrawsInsertionPointWhenInactive(true);
  EXPECT_TRUE(asker->field->showsCaret());
  menu->close();
  EXPECT_FALSE(asker->field->insertText("n"));  // typed text goes nowhere once closed
}

}  // namespace
}  // namespace strandel::sim
