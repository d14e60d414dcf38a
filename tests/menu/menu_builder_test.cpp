// Filling the menu from a scan result: the shapes of the menu, the rows' details, and the
// signature rule that leaves an open menu alone when the list has not changed.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "adapters/sim/desktop/sim_image.h"
#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
using Rows = std::vector<std::string>;

ExtraItemRef extra(const std::string& label, bool occluded, double x, ImageRef icon = nullptr) {
  return std::make_shared<const ExtraItem>(label, std::move(icon), nullptr, Rect{{x, 0}, {22, 24}},
                                           occluded);
}

Rows sigs(const ExtraItems& items) {
  Rows signatures;
  for (const auto& item : items) signatures.push_back(item->signature());
  return signatures;
}

Rows concat(Rows head, const Rows& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class MenuBuilderTest : public ::testing::Test {
 public:
  void SetUp() override {
    delegate = tp.makeDelegate();
    menu = test::TestPlatform::menuOf(*delegate);
  }
  void build(const std::optional<ExtraItems>& items) { A::build(*delegate, *menu, items); }

  test::TestPlatform tp;
  std::shared_ptr<AppDelegate> delegate;
  std::shared_ptr<sim::SimMenu> menu;
};

// The placeholder, the empty list and a list of visible extras alone are in the golden
// transcripts' menus.
TEST_F(MenuBuilderTest, Shapes) {
  const ExtraItems hiddenAB = {extra("A", true, -40), extra("B", true, 700)};
  // Each part keeps the list's order.
  const ExtraItems mixed = {extra("A", true, -40), extra("C", false, 500), extra("B", true, 700)};
  const ExtraItems visibleOnly = {extra("C", false, 900), extra("D", false, 950)};
  const Rows footer = test::englishFooter();
  const Rows scanning = concat({"Scanning the menu bar… (disabled)", "---"}, footer);

  struct Case {
    std::string name;
    std::optional<ExtraItems> first;  // built before, if any
    std::optional<ExtraItems> input;
    Rows rows;
  };
  const std::vector<Case> cases = {
      {"hidden and visible", std::nullopt, mixed,
       concat({"[search \"\"]", "HIDDEN (2) (disabled)", "●  A (title A) -> pick:",
               "●  B (title B) -> pick:", "---", "VISIBLE (1) (disabled)", "C -> pick:", "---"},
              footer)},
      {"hidden only", std::nullopt, hiddenAB,
       concat({"[search \"\"]", "HIDDEN (2) (disabled)",
               "●  A (title A) -> pick:", "●  B (title B) -> pick:", "---"},
              footer)},
      {"no list while a list is shown: the placeholder replaces it", visibleOnly, std::nullopt,
       scanning},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();  // a fresh delegate and menu for each case
    if (c.first) build(c.first);
    build(c.input);
    EXPECT_EQ(test::describeMenu(*menu), c.rows);
    EXPECT_EQ(A::shownSignature(*delegate), c.input ? std::optional(sigs(*c.input)) : std::nullopt);
  }
}

TEST_F(MenuBuilderTest, InputsThatLeaveTheMenuUntouched) {
  const ExtraItems list = {extra("A", true, -40), extra("C", false, 900)};
  const ExtraItems sameAgain = {extra("A", true, -40.4), extra("C", false, 900.3)};
  struct Case {
    std::string name;
    std::function<void(MenuBuilderTest&)> before;
    std::optional<ExtraItems> input;
  };
  const std::vector<Case> cases = {
      {"no list twice", [](MenuBuilderTest& t) { t.build(std::nullopt); }, std::nullopt},
      {"empty list twice", [](MenuBuilderTest& t) { t.build(ExtraItems{}); }, ExtraItems{}},
      // New objects, same signatures: the rows keep the earlier objects.
      {"the same list again", [&](MenuBuilderTest& t) { t.build(list); }, sameAgain},
      {"no list while the permission menu is shown",
       [](MenuBuilderTest& t) {
         t.tp.setTrusted(false);
         t.delegate->menuNeedsUpdate(*t.menu);
         t.tp.setTrusted(true);
       },
       std::nullopt},
      {"no list while a closed menu still shows its old list",
       [&](MenuBuilderTest& t) {
         t.build(list);
         t.delegate->menuDidClose(*t.menu);
       },
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.before(*this);
    const Rows rowsBefore = test::describeMenu(*menu);
    const auto signatureBefore = A::shownSignature(*delegate);
    const auto changes = menu->changeCount();
    build(c.input);
    EXPECT_EQ(menu->changeCount(), changes);
    EXPECT_EQ(test::describeMenu(*menu), rowsBefore);
    EXPECT_EQ(A::shownSignature(*delegate), signatureBefore);
  }
}

TEST_F(MenuBuilderTest, AMovedReorderedOrMissingItemRebuildsEveryRow) {
  const ExtraItems ab = {extra("A", false, 100), extra("B", false, 200)};
  const ExtraItems changes[] = {
      {ab[0], extra("B", false, 260)}, {ab[1], ab[0]}, {ab[0]}, {ab[0], extra("B", true, 200)}};
  for (const ExtraItems& next : changes) {
    SCOPED_TRACE(::testing::PrintToString(sigs(next)));
    build(ab);
    const auto oldFooter = menu->itemAtIndex(menu->numberOfItems() - 1);
    build(next);
    EXPECT_NE(menu->itemAtIndex(menu->numberOfItems() - 1), oldFooter);
    EXPECT_EQ(A::shownSignature(*delegate), sigs(next));
  }
}

// The menu cannot highlight a row anew: a rebuild keeps the highlighted extra's very row,
// with its fresh details, wherever the extra's row now goes, and builds the rest as new.
TEST_F(MenuBuilderTest, TheHighlightedExtraKeepsItsRowWhereverItGoes) {
  const auto icon = std::make_shared<sim::SimImage>("◆", "red", Size{32, 32});
  struct Case {
    std::string name;
    ExtraItems after;
    bool kept;
  };
  const std::vector<Case> cases = {
      {"a hidden extra comes above it", {extra("N", true, -80), extra("A", true, -40)}, true},
      {"it comes into view, its icon gone", {extra("B", false, 800), extra("A", false, 900)}, true},
      {"it is gone", {extra("B", false, 800)}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    build(c.after);  // the rows a fresh menu gets
    const Rows fresh = test::describeMenu(*menu);
    SetUp();
    build(ExtraItems{extra("A", true, -40, icon), extra("B", false, 900)});
    menu->highlightShownRow(2);
    const MenuItemRef row = menu->highlightedItem();
    ASSERT_EQ(row->title(), "A");
    build(c.after);
    EXPECT_EQ(test::describeMenu(*menu), fresh);
    EXPECT_EQ(menu->highlightedItem(), c.kept ? row : nullptr);
    if (!c.kept) continue;
    EXPECT_EQ(row->representedObject(), c.after.back());  // choosing it presses the fresh one
    EXPECT_EQ(row->image(), nullptr);
  }
}

// Their small dimmed style is in every golden transcript's menus.
TEST_F(MenuBuilderTest, HeadersCountAs64BitIntegers) {
  tp.bundle->strings["list.occludedHeader"] = "%lld hidden, %lld?";
  tp.bundle->strings["list.visibleHeader"] = "%d shown";
  build(ExtraItems{extra("A", true, -40), extra("B", true, -80), extra("C", false, 900)});
  // A directive without its argument is written out as it stands, never read from nowhere.
  EXPECT_EQ(menu->itemAtIndex(1)->title(), "2 hidden, %lld?");
  EXPECT_EQ(menu->itemAtIndex(5)->title(), "1 shown");
}

// An image whose copy is not an image.
class UncopyableImage final : public Image {
 public:
  ImageRef copy() const override { return nullptr; }
  Size size() const override { return {32, 32}; }
  void setSize(Size) override { ++resized; }
  bool isTemplate() const override { return false; }
  void setTemplate(bool) override {}
  std::string accessibilityDescription() const override { return {}; }
  int resized = 0;
};

// Choosing a row presses its extra in the golden transcripts; here, the icons.
TEST_F(MenuBuilderTest, EachRowHasItsOwnIconCopy) {
  auto icon = std::make_shared<sim::SimImage>("◆", "red", Size{32, 32});
  build(ExtraItems{extra("A", true, -40, icon), extra("B", false, 900, icon),
                   extra("Bare", false, 950)});
  // Each row of one application has its own 18 by 18 copy; the shared icon keeps its size.
  auto imageA = menu->itemAtIndex(2)->image();
  auto imageB = menu->itemAtIndex(5)->image();
  ASSERT_TRUE(imageA && imageB);
  EXPECT_NE(imageA, imageB);
  EXPECT_EQ(imageA->size(), (Size{18, 18}));
  EXPECT_EQ(imageB->size(), (Size{18, 18}));
  EXPECT_EQ(icon->size(), (Size{32, 32}));
  EXPECT_EQ(menu->itemAtIndex(6)->image(), nullptr);  // no icon, still a working row
  // An icon whose copy is not an image leaves its row without one, the icon untouched.
  auto uncopyable = std::make_shared<UncopyableImage>();
  build(ExtraItems{extra("A", false, 100, uncopyable)});
  EXPECT_EQ(menu->itemAtIndex(2)->image(), nullptr);
  EXPECT_EQ(uncopyable->resized, 0);
}

}  // namespace
}  // namespace strandel
