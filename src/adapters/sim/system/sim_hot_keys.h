#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ports/hot_keys.h"
#include "ports/menu.h"

namespace strandel::sim {

// A key with its modifiers, as the hot-key registry keys them.
struct HotKeyCombo {
  uint32_t keyCode = 0;
  uint32_t modifiers = 0;
  auto operator<=>(const HotKeyCombo&) const = default;
};

// "ctrl+opt+shift+cmd+space": modifiers (ctrl or control, opt, option or alt, shift, cmd or
// command) and one key (space, or a letter a to z), joined by "+", in any order and case.
std::optional<HotKeyCombo> parseHotKey(std::string_view text);
// As menus write it: "⌃⌥⇧⌘Space", "⌘M".
std::string describeHotKey(const HotKeyCombo& combo);

// The same keys as a menu's key equivalent: " " or a lowercase letter, and its modifiers.
struct KeyEquivalent {
  std::string characters;
  ModifierFlags modifiers = ModifierFlags::none;
};
KeyEquivalent keyEquivalentOf(const HotKeyCombo& combo);

// Who else holds a combination: another app (exclusively or not), or the system's own
// shortcut (enabled or switched off in the Keyboard settings).
struct HotKeyHolder {
  enum class Kind { app, system };
  Kind kind = Kind::app;
  bool exclusive = true;  // an app's registration
  bool enabled = true;    // a system shortcut
  bool operator==(const HotKeyHolder&) const = default;
};

struct TakenHotKey {
  HotKeyCombo combo;
  HotKeyHolder holder;
};

// The system's hot-key registry, by Carbon's rules (docs/macos.md): the combinations other
// apps and the system hold, and the program's own registrations. Each registration and each
// press is told to `report`.
class SimHotKeys final : public HotKeys {
 public:
  using Report = std::function<void(const std::string& line)>;

  SimHotKeys(std::vector<TakenHotKey> taken, Report report);

  OSStatus installHotKeyPressedHandler(HotKeyPressedHandler handler) override;
  OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                               uint32_t options, EventHotKeyRef& ref) override;
  OSStatus unregisterEventHotKey(const EventHotKeyRef& ref) override;
  OSStatus copySymbolicHotKeys(std::vector<SymbolicHotKey>& hotKeys) override;

  // Another app or the system takes hold of a combination.
  void take(TakenHotKey taken) { taken_.push_back(taken); }
  // The person presses the combination anywhere: whoever holds it hears of it.
  void press(const HotKeyCombo& combo);
  // Whether one of the program's menus is being tracked, and where a keystroke that no app
  // holds goes meanwhile (the open menu's key equivalents). While a menu is tracked the
  // program's presses wait; deliverHeld hands them over once tracking has ended.
  std::function<bool()> menuTracked;
  std::function<void(const HotKeyCombo&)> keyDownInMenu;
  void deliverHeld();

  bool isRegistered(const HotKeyCombo& combo) const { return registered_.count(combo) > 0; }
  // "another app", "the system" or "no app": who takes a press the program does not hold.
  std::string holderOf(const HotKeyCombo& combo) const;

 private:
  class Registration;
  struct Own {
    EventHotKeyID id;
    bool exclusive;
  };

  const TakenHotKey* heldBy(const HotKeyCombo& combo, HotKeyHolder::Kind kind) const;
  void handle(EventHotKeyID id);

  std::vector<TakenHotKey> taken_;
  Report report_;
  // InstallEventHandler stacks handlers: the newest hears a press first.
  std::vector<HotKeyPressedHandler> handlers_;
  std::map<HotKeyCombo, Own> registered_;
  std::vector<EventHotKeyID> held_;
};

}  // namespace strandel::sim
