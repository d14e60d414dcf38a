#include "adapters/sim/system/sim_hot_keys.h"

#include <cctype>

namespace strandel::sim {

namespace {

// kVK_ANSI_A to kVK_ANSI_Z, by letter.
constexpr uint32_t kLetterKeyCodes[26] = {
    0x00, 0x0B, 0x08, 0x02, 0x0E, 0x03, 0x05, 0x04, 0x22, 0x26, 0x28, 0x25, 0x2E,
    0x2D, 0x1F, 0x23, 0x0C, 0x0F, 0x01, 0x11, 0x20, 0x09, 0x0D, 0x07, 0x10, 0x06,
};

constexpr struct {
  std::string_view word;
  uint32_t modifier;
} kModifierWords[] = {
    {"ctrl", kControlKey}, {"control", kControlKey}, {"opt", kOptionKey}, {"option", kOptionKey},
    {"alt", kOptionKey},   {"shift", kShiftKey},     {"cmd", kCmdKey},    {"command", kCmdKey},
};

std::string lowered(std::string_view text) {
  std::string out;
  for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string keyName(uint32_t keyCode) {
  if (keyCode == kVKSpace) return "Space";
  for (int i = 0; i < 26; ++i) {
    if (kLetterKeyCodes[i] == keyCode) return std::string(1, static_cast<char>('A' + i));
  }
  return "key " + std::to_string(keyCode);
}

}  // namespace

std::optional<HotKeyCombo> parseHotKey(std::string_view text) {
  HotKeyCombo combo;
  bool haveKey = false;
  size_t at = 0;
  for (;;) {
    size_t end = text.find('+', at);
    std::string word = lowered(text.substr(at, end == std::string_view::npos ? end : end - at));
    bool known = false;
    for (const auto& m : kModifierWords) {
      if (word == m.word) {
        combo.modifiers |= m.modifier;
        known = true;
      }
    }
    if (!known) {
      if (haveKey) return std::nullopt;
      if (word == "space") {
        combo.keyCode = kVKSpace;
      } else if (word.size() == 1 && word[0] >= 'a' && word[0] <= 'z') {
        combo.keyCode = kLetterKeyCodes[word[0] - 'a'];
      } else {
        return std::nullopt;
      }
      haveKey = true;
    }
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  if (!haveKey) return std::nullopt;
  return combo;
}

std::string describeHotKey(const HotKeyCombo& combo) {
  std::string out;
  if (combo.modifiers & kControlKey) out += "\u2303";
  if (combo.modifiers & kOptionKey) out += "\u2325";
  if (combo.modifiers & kShiftKey) out += "\u21E7";
  if (combo.modifiers & kCmdKey) out += "\u2318";
  return out + keyName(combo.keyCode);
}

class SimHotKeys::Registration final : public EventHotKey {
 public:
  explicit Registration(HotKeyCombo held) : combo(held) {}
  const HotKeyCombo combo;
};

SimHotKeys::SimHotKeys(std::set<HotKeyCombo> takenByOthers, Report report,
                       HeldElsewhere heldElsewhere)
    : takenByOthers_(std::move(takenByOthers)),
      report_(std::move(report)),
      heldElsewhere_(std::move(heldElsewhere)) {}

bool SimHotKeys::taken(const HotKeyCombo& combo) const {
  return takenByOthers_.count(combo) > 0 || (heldElsewhere_ && heldElsewhere_(combo));
}

OSStatus SimHotKeys::installHotKeyPressedHandler(HotKeyPressedHandler handler) {
  handler_ = std::move(handler);
  return kNoErr;
}

OSStatus SimHotKeys::registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                         EventHotKeyRef& ref) {
  HotKeyCombo combo{keyCode, modifiers};
  std::string line = "hot key: register " + describeHotKey(combo);
  if (taken(combo) || registered_.count(combo) > 0) {
    if (report_) report_(line + " -> eventHotKeyExistsErr (held by another app)");
    return kEventHotKeyExistsErr;
  }
  registered_[combo] = id;
  ref = std::make_shared<Registration>(combo);
  if (report_) report_(line + " -> registered");
  return kNoErr;
}

OSStatus SimHotKeys::unregisterEventHotKey(const EventHotKeyRef& ref) {
  auto* registration = dynamic_cast<const Registration*>(ref.get());
  if (!registration || registered_.erase(registration->combo) == 0) {
    return kEventHotKeyInvalidErr;
  }
  if (report_) report_("hot key: unregister " + describeHotKey(registration->combo));
  return kNoErr;
}

void SimHotKeys::press(const HotKeyCombo& combo) {
  auto found = registered_.find(combo);
  if (found == registered_.end()) {
    if (report_) {
      report_("hot key: " + describeHotKey(combo) + " pressed -> " +
              (taken(combo) ? "another app" : "no app"));
    }
    return;
  }
  if (report_) report_("hot key: " + describeHotKey(combo) + " pressed -> Strandel");
  if (handler_) handler_(found->second);
}

}  // namespace strandel::sim
