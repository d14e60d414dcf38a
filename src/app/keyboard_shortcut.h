#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ports/hot_keys.h"
#include "ports/menu.h"
#include "ports/object.h"

namespace strandel {

// A global shortcut that opens the menu from any app. Each includes Command or Control:
// the system ignores hot keys whose only modifiers are Option and Shift.
struct KeyboardShortcut {
  int64_t storedValue = 0;  // what the user defaults hold for it
  uint32_t keyCode = 0;
  uint32_t modifiers = 0;  // HotKeyModifiers
};

// What a row of the shortcut submenu stands for; kNoShortcut for None.
struct ShortcutChoice final : Object {
  explicit ShortcutChoice(int64_t value) : storedValue(value) {}
  const int64_t storedValue;
};

namespace KeyboardShortcuts {

inline constexpr const char* kDefaultsKey = "StrandelKeyboardShortcut";
inline constexpr int64_t kNoShortcut = 0;
// "Strd": tells the program's registrations from any other press.
inline constexpr uint32_t kSignature = 0x53747264;

// The combinations offered, in menu order.
std::span<const KeyboardShortcut> all();
// None for a value that names no combination (kNoShortcut included).
const KeyboardShortcut* withStoredValue(int64_t value);
// "⌃⌥⌘Space" with the key's localised name, as menus write shortcuts.
std::string title(const KeyboardShortcut& shortcut);
// The same with the key's English name, for the system log.
std::string logName(const KeyboardShortcut& shortcut);
// "eventHotKeyExistsErr (-9878)", or just the number for a status without a name.
std::string describeStatus(OSStatus status);
// The same keys as a menu row's key equivalent: the space bar, with these modifiers.
inline constexpr const char* kKeyEquivalent = " ";
ModifierFlags keyEquivalentModifierMask(const KeyboardShortcut& shortcut);
// Whether an enabled one of the system's shortcuts is this combination: the system takes
// its presses, though registering it would not fail.
bool heldBySystem(const KeyboardShortcut& shortcut, std::span<const SymbolicHotKey> system);
// The first offered combination after `after` (in menu order; kNoShortcut: from the start)
// that the system does not hold; none when there is none. Another app's hold shows only when
// registering: on eventHotKeyExistsErr, ask again after the one refused.
const KeyboardShortcut* firstFree(std::span<const SymbolicHotKey> system,
                                  int64_t after = kNoShortcut);

}  // namespace KeyboardShortcuts

}  // namespace strandel
