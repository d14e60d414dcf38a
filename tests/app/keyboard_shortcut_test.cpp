// The stored shortcut at start-up. A stored shortcut registered at start, choosing, refusals,
// presses and quitting are in the keyboard_shortcut golden transcript.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/keyboard_shortcut.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

constexpr const char* kKey = KeyboardShortcuts::kDefaultsKey;
const sim::HotKeyCombo kCtrlOptCmdSpace{kVKSpace, kControlKey | kOptionKey | kCmdKey};

TEST(KeyboardShortcut, TheStoredChoiceAtStartUp) {
  struct Case {
    std::optional<DefaultsValue> stored;
    std::vector<std::string> hotKeyEvents;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {std::nullopt, {}, {}},
      {DefaultsValue{int64_t{0}}, {}, {}},
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

}  // namespace
}  // namespace strandel
