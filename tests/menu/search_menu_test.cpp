// The rows a query leaves in the menu. Typing, the keys, the focus and every row coming back
// when the field is emptied are in the golden transcript search.txt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
using Rows = std::vector<std::string>;

ExtraItemRef extra(const std::string& label, const std::string& owner, bool occluded, double x) {
  return std::make_shared<const ExtraItem>(label, nullptr, nullptr, Rect{{x, 0}, {22, 24}},
                                           occluded, owner);
}

TEST(MenuSearch, HeadersCountTheRowsThatStayAndGoWithTheirLastRow) {
  test::TestPlatform tp;
  auto delegate = tp.makeDelegate();
  auto menu = test::TestPlatform::menuOf(*delegate);
  A::build(*delegate, *menu,
           ExtraItems{extra("Café Timer", "Tempo", true, -80), extra("Xin Notes", "Xin", true, -40),
                      extra("Volume", "Sonar", false, 900), extra("Wi-Fi", "Wi-Fi", false, 950),
                      extra("がく", "Gaku", false, 990)});
  auto field = menu->itemAtIndex(0)->view();
  ASSERT_TRUE(field);
  const Rows footer = test::englishFooter();
  const struct {
    const char* query;
    Rows rows;  // before the footer
    const char* catches;
  } cases[] = {
      {"notes",
       {"HIDDEN (1) (disabled)", "●  Xin Notes (title Xin Notes) -> pick:", "---"},
       "a stale count; an empty group's header or the separator between groups left"},
      {"sonar", {"VISIBLE (1) (disabled)", "Volume -> pick:", "---"}, "the hidden header left"},
      {"zzz", {"No Matching Extras (disabled)", "---"}, "no word when nothing stays"},
      {"zzzq", {"No Matching Extras (disabled)", "---"}, "rows back past a query that kept none"},
      {"か", {"No Matching Extras (disabled)", "---"}, "voicing marks dropped"},
      {"か\u3099",
       {"VISIBLE (1) (disabled)", "がく -> pick:", "---"},
       "a voicing mark typed after a query that kept no row taken as unable to match"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.query) + ": " + c.catches);
    field->setStringValue(c.query);
    delegate->controlTextDidChange(*field);
    Rows expected = {"[search \"" + std::string(c.query) + "\"]"};
    expected.insert(expected.end(), c.rows.begin(), c.rows.end());
    expected.insert(expected.end(), footer.begin(), footer.end());
    EXPECT_EQ(test::describeMenu(*menu), expected);
  }
  // Closing clears the query; the next opening shows every row.
  field->setStringValue("zzz");
  delegate->menuDidClose(*menu);
  EXPECT_EQ(field->stringValue(), "");
}

}  // namespace
}  // namespace strandel
