#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace strandel {

// Carbon's OSStatus: 0 is success.
using OSStatus = int32_t;
inline constexpr OSStatus kNoErr = 0;
inline constexpr OSStatus kEventHotKeyExistsErr = -9878;   // eventHotKeyExistsErr
inline constexpr OSStatus kEventHotKeyInvalidErr = -9879;  // eventHotKeyInvalidErr

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

using HotKeyPressedHandler = std::function<void(EventHotKeyID)>;

// The system-wide hot keys of the Carbon Event Manager, which need no permission. Main
// thread only.
class HotKeys {
 public:
  virtual ~HotKeys() = default;
  // InstallEventHandler on GetApplicationEventTarget() for kEventClassKeyboard /
  // kEventHotKeyPressed; the handler runs on the main thread with the pressed key's id
  // (GetEventParameter kEventParamDirectObject, typeEventHotKeyID).
  virtual OSStatus installHotKeyPressedHandler(HotKeyPressedHandler handler) = 0;
  // RegisterEventHotKey(keyCode, modifiers, id, GetApplicationEventTarget(), 0, &ref): on
  // success `ref` holds the registration.
  virtual OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                       EventHotKeyRef& ref) = 0;
  // UnregisterEventHotKey
  virtual OSStatus unregisterEventHotKey(const EventHotKeyRef& ref) = 0;
};

}  // namespace strandel
