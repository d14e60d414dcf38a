#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace strandel {

// Carbon's OSStatus: 0 is success.
using OSStatus = int32_t;
inline constexpr OSStatus kNoErr = 0;
inline constexpr OSStatus kEventHotKeyExistsErr = -9878;   // eventHotKeyExistsErr
inline constexpr OSStatus kEventHotKeyInvalidErr = -9879;  // eventHotKeyInvalidErr
inline constexpr OSStatus kEventNotHandledErr = -9874;     // eventNotHandledErr

// RegisterEventHotKey's options: kEventHotKeyExclusive keeps every other app off the
// combination; without it, apps that register the same one are all told of each press.
inline constexpr uint32_t kEventHotKeyExclusive = 1u << 0;

// The modifier bits RegisterEventHotKey takes (cmdKey, shiftKey, optionKey, controlKey).
enum HotKeyModifiers : uint32_t {
  kCmdKey = 1u << 8,
  kShiftKey = 1u << 9,
  kOptionKey = 1u << 11,
  kControlKey = 1u << 12,
};

// Virtual key codes (kVK_...), by position on the keyboard.
inline constexpr uint32_t kVKSpace = 0x31;

// EventHotKeyID: the program's own tag for a registration, given back with each press.
struct EventHotKeyID {
  uint32_t signature = 0;
  uint32_t id = 0;
  bool operator==(const EventHotKeyID&) const = default;
};

// EventHotKeyRef: one registration, until it is unregistered.
class EventHotKey {
 public:
  virtual ~EventHotKey() = default;
};
using EventHotKeyRef = std::shared_ptr<EventHotKey>;

// One of the system's own shortcuts (the Keyboard Shortcuts settings), as
// CopySymbolicHotKeys lists it: kHISymbolicHotKeyCode, kHISymbolicHotKeyModifiers (the
// modifier bits above) and kHISymbolicHotKeyEnabled.
struct SymbolicHotKey {
  uint32_t keyCode = 0;
  uint32_t modifiers = 0;
  bool enabled = false;
};

// Answers noErr for a press it handled; kEventNotHandledErr passes the event on to the next
// handler, as Carbon's handler chain does.
using HotKeyPressedHandler = std::function<OSStatus(EventHotKeyID)>;

// The system-wide hot keys of the Carbon Event Manager, which need no permission. Main
// thread only.
class HotKeys {
 public:
  virtual ~HotKeys() = default;
  // InstallEventHandler on GetApplicationEventTarget() for kEventClassKeyboard /
  // kEventHotKeyPressed; the handler runs on the main thread with the pressed key's id
  // (GetEventParameter kEventParamDirectObject, typeEventHotKeyID).
  virtual OSStatus installHotKeyPressedHandler(HotKeyPressedHandler handler) = 0;
  // RegisterEventHotKey(keyCode, modifiers, id, GetApplicationEventTarget(), options, &ref):
  // on success `ref` holds the registration.
  virtual OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                       uint32_t options, EventHotKeyRef& ref) = 0;
  // UnregisterEventHotKey
  virtual OSStatus unregisterEventHotKey(const EventHotKeyRef& ref) = 0;
  // CopySymbolicHotKeys: the system's shortcuts, enabled or not. A registration never
  // fails on them, yet the system takes their presses.
  virtual OSStatus copySymbolicHotKeys(std::vector<SymbolicHotKey>& hotKeys) = 0;
};

}  // namespace strandel
