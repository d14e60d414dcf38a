// The stored shortcut at start-up, the first free offer and the simulated registry's hold.
// Others' holds (exclusive, shared, the system's, switched off), choosing, presses with the
// menu open or closed, and quitting are in the keyboard_shortcut goldens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_delegate.h"
#include "app/keyboard_shortcut.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

constexpr const char* kKey = KeyboardShortcuts::kDefaultsKey;
constexpr uint32_t kSpace = kVKSpace;
constexpr uint32_t kCtrlOptCmd = kControlKey | kOptionKey | kCmdKey;
constexpr uint32_t kOptShiftCmd = kOptionKey | kShiftKey | kCmdKey;
constexpr uint32_t kAll = kControlKey | kOptionKey | kShiftKey | kCmdKey;
const std::string kUnknown = "Strandel: unknown keyboard shortcut setting ";
const std::string kInstalled = "hot key: handler installed (1)";

TEST(KeyboardShortcut, TheStoredChoiceAtStartUp) {
  struct Case {
    std::optional<DefaultsValue> stored;
    std::vector<std::string> hotKeyEvents;
    std::vector<std::string> log;
  };
  const std::string longText(500, 'a');
  const Case cases[] = {
      {std::nullopt, {}, {}},
      {DefaultsValue{int64_t{0}}, {}, {}},
      // Integral doubles count as integers: -0 is None, 2.0 is ⌃⇧⌘Space (let go at the end).
      {DefaultsValue{-0.0}, {}, {}},
      {DefaultsValue{2.0},
       {kInstalled, "hot key: register ⌃⇧⌘Space exclusively -> registered",
        "hot key: unregister ⌃⇧⌘Space"},
       {}},
      // Values the program does not know: None, one log line as a person writes them.
      {DefaultsValue{int64_t{9}}, {}, {kUnknown + "9 — no shortcut is used"}},
      {DefaultsValue{1.5}, {}, {kUnknown + "1.5 — no shortcut is used"}},
      {DefaultsValue{1e300}, {}, {kUnknown + "1e+300 — no shortcut is used"}},
      {DefaultsValue{std::string("⌘K\x1b[2J")},
       {},
       {kUnknown + "\"⌘K\\x1B[2J\" — no shortcut is used"}},
      {DefaultsValue{longText},
       {},
       {kUnknown + "\"" + longText.substr(0, 64) +
        "\"… (cut: 500 bytes in all) — no shortcut is used"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log.empty() ? "no log" : c.log.front());
    test::TestPlatform tp;
    if (c.stored) tp.userDefaults->set(kKey, *c.stored);
    auto delegate = tp.launchDelegate();
    tp.settle(10);
    delegate->applicationWillTerminate();  // the hot key is let go
    EXPECT_EQ(tp.hotKeyEvents, c.hotKeyEvents);
    EXPECT_EQ(tp.systemLog->lines, c.log);
    EXPECT_EQ(tp.userDefaults->value(kKey), c.stored);
    // Another handler's key goes on down Carbon's chain.
    EXPECT_EQ(delegate->hotKeyPressed({0x41424344, 1}), kEventNotHandledErr);
  }
}

TEST(KeyboardShortcut, FirstFreeSkipsEnabledSystemShortcuts) {
  struct Case {
    std::vector<SymbolicHotKey> system;
    int64_t after;
    int64_t expected;  // kNoShortcut: none left
  };
  const Case cases[] = {
      {{}, KeyboardShortcuts::kNoShortcut, 1},
      {{{kSpace, kCtrlOptCmd, true}}, KeyboardShortcuts::kNoShortcut, 2},
      {{{kSpace, kCtrlOptCmd, false}, {49, kCtrlOptCmd | kShiftKey, true}},
       KeyboardShortcuts::kNoShortcut,
       1},
      // After another app refused ⌃⇧⌘Space: the next, past the system's ⌥⇧⌘Space.
      {{{kSpace, kOptShiftCmd, true}}, 2, 4},
      {{{kSpace, kAll, true}}, 3, KeyboardShortcuts::kNoShortcut},
  };
  for (const auto& c : cases) {
    const KeyboardShortcut* found = KeyboardShortcuts::firstFree(c.system, c.after);
    EXPECT_EQ(found ? found->storedValue : KeyboardShortcuts::kNoShortcut, c.expected)
        << "after " << c.after;
  }
}

// The simulated registry as Carbon behaves: a duplicate in one process is refused, presses
// wait while a menu is tracked, and a handler that passes a press on leaves it to the next.
TEST(KeyboardShortcut, TheSimulatedRegistryHoldsPressesWhileAMenuIsTracked) {
  sim::SimHotKeys hotKeys({}, nullptr);
  std::vector<std::string> heard;
  bool tracked = true;
  hotKeys.menuTracked = [&] { return tracked; };
  for (const char* name : {"older", "newer"}) {
    hotKeys.installHotKeyPressedHandler([&heard, name](EventHotKeyID) {
      heard.push_back(name);
      return heard.size() == 1 ? kEventNotHandledErr : kNoErr;
    });
  }
  EventHotKeyRef ref, again;
  ASSERT_EQ(hotKeys.registerEventHotKey(kSpace, kAll, {1, 7}, 0, ref), kNoErr);
  EXPECT_EQ(hotKeys.registerEventHotKey(kSpace, kAll, {1, 8}, 0, again), kEventHotKeyExistsErr);
  hotKeys.press({kSpace, kAll});
  EXPECT_TRUE(heard.empty());
  tracked = false;
  hotKeys.deliverHeld();
  EXPECT_EQ(heard, (std::vector<std::string>{"newer", "older"}));
}

}  // namespace
}  // namespace strandel
