// The global shortcut: the stored choice at start-up, the submenu, refusals, presses and quit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/keyboard_shortcut.h"
#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
constexpr const char* kKey = KeyboardShortcuts::kDefaultsKey;
const sim::HotKeyCombo kCtrlOptCmdSpace{kVKSpace, kControlKey | kOptionKey | kCmdKey};
const sim::HotKeyCombo kCtrlShiftCmdSpace{kVKSpace, kControlKey | kShiftKey | kCmdKey};

TEST(KeyboardShortcut, TheStoredChoiceAtStartUp) {
  struct Case {
    std::optional<DefaultsValue> stored;
    std::vector<std::string> hotKeyEvents;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {std::nullopt, {}, {}},
      {DefaultsValue{int64_t{0}}, {}, {}},
      {DefaultsValue{int64_t{2}}, {"hot key: register ⌃⇧⌘Space -> registered"}, {}},
      // A value the program does not know: None, one log line, the value left alone.
      {DefaultsValue{int64_t{9}},
       {},
       {"Strandel: unknown keyboard shortcut setting 9 — no shortcut is used"}},
      {DefaultsValue{std::string("⌘K")},
       {},
       {"Strandel: unknown keyboard shortcut setting \"⌘K\" — no shortcut is used"}},
      // Held by another app: refused once, logged once, not retried.
      {DefaultsValue{int64_t{1}},
       {"hot key: register ⌃⌥⌘Space -> eventHotKeyExistsErr (held by another app)"},
       {"Strandel: keyboard shortcut ⌃⌥⌘Space is unavailable — eventHotKeyExistsErr (-9878)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log.empty() ? "no log" : c.log.front());
    test::TestPlatform tp;
    tp.takenHotKeys = {kCtrlOptCmdSpace};
    if (c.stored) tp.userDefaults->set(kKey, *c.stored);
    auto delegate = tp.launchDelegate();
    tp.settle(10);
    EXPECT_EQ(tp.hotKeyEvents, c.hotKeyEvents);
    EXPECT_EQ(tp.systemLog->lines, c.log);
    EXPECT_EQ(tp.userDefaults->value(kKey), c.stored);
  }
}

// The submenu of the footer row after the menu has been built and opened.
std::shared_ptr<sim::SimMenu> openShortcutSubmenu(test::TestPlatform& tp, AppDelegate& d) {
  auto menu = test::TestPlatform::menuOf(d);
  menu->open();
  for (long i = 0; i < menu->numberOfItems(); ++i) {
    if (auto sub = menu->itemAtIndex(i)->submenu()) {
      EXPECT_TRUE(menu->choose(i));
      return std::dynamic_pointer_cast<sim::SimMenu>(sub);
    }
  }
  ADD_FAILURE() << "no submenu";
  (void)tp;
  return nullptr;
}

TEST(KeyboardShortcut, ChoosingRefusedThenAnotherThenNoneAndQuitting) {
  test::TestPlatform tp;
  tp.takenHotKeys = {kCtrlOptCmdSpace};
  auto delegate = tp.launchDelegate();
  tp.settle(10);

  auto sub = openShortcutSubmenu(tp, *delegate);
  ASSERT_TRUE(sub);
  EXPECT_EQ(
      test::describeMenu(*sub),
      (std::vector<std::string>{"None -> chooseShortcut: (checked)",
                                "⌃⌥⌘Space -> chooseShortcut:", "⌃⇧⌘Space -> chooseShortcut:",
                                "⌥⇧⌘Space -> chooseShortcut:", "⌃⌥⇧⌘Space -> chooseShortcut:"}));
  EXPECT_TRUE(sub->choose(1));  // held by another app
  EXPECT_FALSE(test::TestPlatform::menuOf(*delegate)->isOpen());
  EXPECT_EQ(tp.userDefaults->value(kKey), DefaultsValue{int64_t{1}});
  EXPECT_EQ(tp.systemLog->lines.size(), 1u);

  sub = openShortcutSubmenu(tp, *delegate);
  ASSERT_TRUE(sub);
  EXPECT_EQ(test::describeRow(*sub->itemAtIndex(1)),
            "⌃⌥⌘Space (in use by another app) -> chooseShortcut: (checked)");
  EXPECT_TRUE(sub->choose(2));  // another works at once
  tp.settle(10);
  EXPECT_EQ(tp.systemLog->lines.size(), 1u);  // nothing retried

  sub = openShortcutSubmenu(tp, *delegate);
  ASSERT_TRUE(sub);
  EXPECT_EQ(test::describeRow(*sub->itemAtIndex(2)), "⌃⇧⌘Space -> chooseShortcut: (checked)");
  EXPECT_TRUE(sub->choose(0));  // None unregisters
  EXPECT_FALSE(tp.hotKeys->isRegistered(kCtrlShiftCmdSpace));
  EXPECT_EQ(tp.userDefaults->value(kKey), DefaultsValue{int64_t{0}});

  sub = openShortcutSubmenu(tp, *delegate);
  ASSERT_TRUE(sub);
  EXPECT_TRUE(sub->choose(2));
  delegate->applicationWillTerminate();  // the hot key is let go at quit
  EXPECT_EQ(tp.hotKeyEvents,
            (std::vector<std::string>{
                "hot key: register ⌃⌥⌘Space -> eventHotKeyExistsErr (held by another app)",
                "hot key: register ⌃⇧⌘Space -> registered", "hot key: unregister ⌃⇧⌘Space",
                "hot key: register ⌃⇧⌘Space -> registered", "hot key: unregister ⌃⇧⌘Space"}));
}

TEST(KeyboardShortcut, APressOpensTheMenuAsAClickDoesAndClosesItWhenOpen) {
  test::TestPlatform tp;
  tp.userDefaults->set(kKey, DefaultsValue{int64_t{2}});
  tp.launchApp("Backup", {{"Backup", -40}});
  auto delegate = tp.launchDelegate();
  tp.settle(10);
  auto menu = test::TestPlatform::menuOf(*delegate);

  tp.hotKeys->press(kCtrlOptCmdSpace);  // not ours: nothing happens
  EXPECT_FALSE(menu->isOpen());
  tp.advance(5);  // an old cache: the opening scans, as a click's does
  tp.hotKeys->press(kCtrlShiftCmdSpace);
  EXPECT_TRUE(menu->isOpen());
  EXPECT_TRUE(A::menuIsOpen(*delegate));
  EXPECT_EQ(tp.pendingScanBlocks(), 1u);
  tp.hotKeys->press(kCtrlShiftCmdSpace);
  EXPECT_FALSE(menu->isOpen());
  EXPECT_FALSE(A::menuIsOpen(*delegate));
}

}  // namespace
}  // namespace strandel
