#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "ports/hot_keys.h"

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

// The system's hot-key registry: combinations held by other apps (from the scene) and the
// program's own registrations. Each registration and each press is told to `report`.
class SimHotKeys final : public HotKeys {
 public:
  using Report = std::function<void(const std::string& line)>;

  using HeldElsewhere = std::function<bool(const HotKeyCombo&)>;

  // `heldElsewhere`, if given, is asked as well as `takenByOthers`.
  SimHotKeys(std::set<HotKeyCombo> takenByOthers, Report report,
             HeldElsewhere heldElsewhere = nullptr);

  OSStatus installHotKeyPressedHandler(HotKeyPressedHandler handler) override;
  OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                               EventHotKeyRef& ref) override;
  OSStatus unregisterEventHotKey(const EventHotKeyRef& ref) override;

  // The person presses the combination anywhere: the app that holds it hears of it.
  void press(const HotKeyCombo& combo);
  bool isRegistered(const HotKeyCombo& combo) const { return registered_.count(combo) > 0; }
  // The program's first registration, if it has one.
  std::optional<HotKeyCombo> firstRegistered() const {
    if (registered_.empty()) return std::nullopt;
    return registered_.begin()->first;
  }

 private:
  class Registration;

  bool taken(const HotKeyCombo& combo) const;

  std::set<HotKeyCombo> takenByOthers_;
  Report report_;
  HeldElsewhere heldElsewhere_;
  HotKeyPressedHandler handler_;
  std::map<HotKeyCombo, EventHotKeyID> registered_;
};

}  // namespace strandel::sim
