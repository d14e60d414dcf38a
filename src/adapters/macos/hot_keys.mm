#import "adapters/macos/hot_keys.h"

#import <Carbon/Carbon.h>

#include <utility>
#include <vector>

namespace strandel::mac {

namespace {

class MacEventHotKey final : public EventHotKey {
 public:
  explicit MacEventHotKey(::EventHotKeyRef ref) : ref_(ref) {}
  ::EventHotKeyRef ref() const { return ref_; }

 private:
  ::EventHotKeyRef ref_;
};

class MacHotKeys final : public HotKeys {
 public:
  OSStatus installHotKeyPressedHandler(HotKeyPressedHandler handler) override {
    handler_ = std::move(handler);
    EventTypeSpec pressed = {kEventClassKeyboard, kEventHotKeyPressed};
    return InstallEventHandler(GetApplicationEventTarget(),
                               NewEventHandlerUPP(&MacHotKeys::pressed), 1, &pressed, this,
                               nullptr);
  }

  OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                               uint32_t options, EventHotKeyRef& ref) override {
    ::EventHotKeyID carbonID = {id.signature, id.id};
    ::EventHotKeyRef carbonRef = nullptr;
    OSStatus status = RegisterEventHotKey(keyCode, modifiers, carbonID, GetApplicationEventTarget(),
                                          options, &carbonRef);
    if (status == noErr) ref = std::make_shared<MacEventHotKey>(carbonRef);
    return status;
  }

  OSStatus unregisterEventHotKey(const EventHotKeyRef& ref) override {
    auto* mac = dynamic_cast<const MacEventHotKey*>(ref.get());
    if (mac == nullptr) return eventHotKeyInvalidErr;
    return UnregisterEventHotKey(mac->ref());
  }

  OSStatus copySymbolicHotKeys(std::vector<SymbolicHotKey>& hotKeys) override {
    hotKeys.clear();
    CFArrayRef array = nullptr;
    OSStatus status = CopySymbolicHotKeys(&array);
    if (status != noErr || array == nullptr) return status;
    NSArray* list = CFBridgingRelease(array);
    for (id entry in list) {
      if (![entry isKindOfClass:[NSDictionary class]]) continue;
      NSDictionary* hotKey = entry;
      id code = hotKey[(__bridge NSString*)kHISymbolicHotKeyCode];
      id modifiers = hotKey[(__bridge NSString*)kHISymbolicHotKeyModifiers];
      id enabled = hotKey[(__bridge NSString*)kHISymbolicHotKeyEnabled];
      if (![code isKindOfClass:[NSNumber class]] || ![modifiers isKindOfClass:[NSNumber class]]) {
        continue;
      }
      hotKeys.push_back({[static_cast<NSNumber*>(code) unsignedIntValue],
                         [static_cast<NSNumber*>(modifiers) unsignedIntValue],
                         [enabled isKindOfClass:[NSNumber class]] &&
                             [static_cast<NSNumber*>(enabled) boolValue]});
    }
    return noErr;
  }

 private:
  // Carbon calls this on the main thread for each press of a registered key.
  static OSStatus pressed(EventHandlerCallRef, EventRef event, void* userData) {
    ::EventHotKeyID carbonID = {0, 0};
    OSStatus status = GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr,
                                        sizeof carbonID, nullptr, &carbonID);
    if (status != noErr) return status;
    auto* self = static_cast<MacHotKeys*>(userData);
    // Not ours (no handler, or another signature): the next handler in the chain may want it.
    if (!self->handler_) return eventNotHandledErr;
    return self->handler_(strandel::EventHotKeyID{carbonID.signature, carbonID.id});
  }

  HotKeyPressedHandler handler_;
};

}  // namespace

std::shared_ptr<HotKeys> makeHotKeys() {
  return std::make_shared<MacHotKeys>();
}

}  // namespace strandel::mac
