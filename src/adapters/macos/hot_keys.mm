#import "adapters/macos/hot_keys.h"

#import <Carbon/Carbon.h>

#include <utility>

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
                               EventHotKeyRef& ref) override {
    ::EventHotKeyID carbonID = {id.signature, id.id};
    ::EventHotKeyRef carbonRef = nullptr;
    OSStatus status = RegisterEventHotKey(keyCode, modifiers, carbonID, GetApplicationEventTarget(),
                                          0, &carbonRef);
    if (status == noErr) ref = std::make_shared<MacEventHotKey>(carbonRef);
    return status;
  }

  OSStatus unregisterEventHotKey(const EventHotKeyRef& ref) override {
    auto* mac = dynamic_cast<const MacEventHotKey*>(ref.get());
    if (mac == nullptr) return eventHotKeyInvalidErr;
    return UnregisterEventHotKey(mac->ref());
  }

 private:
  // Carbon calls this on the main thread for each press of a registered key.
  static OSStatus pressed(EventHandlerCallRef, EventRef event, void* userData) {
    ::EventHotKeyID carbonID = {0, 0};
    OSStatus status = GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr,
                                        sizeof carbonID, nullptr, &carbonID);
    if (status != noErr) return status;
    auto* self = static_cast<MacHotKeys*>(userData);
    if (self->handler_) self->handler_(strandel::EventHotKeyID{carbonID.signature, carbonID.id});
    return noErr;
  }

  HotKeyPressedHandler handler_;
};

}  // namespace

std::shared_ptr<HotKeys> makeHotKeys() {
  return std::make_shared<MacHotKeys>();
}

}  // namespace strandel::mac
