#include "adapters/sim/system/sim_hot_keys.h"

#include <algorithm>
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

KeyEquivalent keyEquivalentOf(const HotKeyCombo& combo) {
  constexpr struct {
    uint32_t carbon;
    ModifierFlags menu;
  } kModifiers[] = {{kCmdKey, ModifierFlags::command},
                    {kShiftKey, ModifierFlags::shift},
                    {kOptionKey, ModifierFlags::option},
                    {kControlKey, ModifierFlags::control}};
  uint64_t mask = 0;
  for (const auto& m : kModifiers) {
    if (combo.modifiers & m.carbon) mask |= static_cast<uint64_t>(m.menu);
  }
  std::string name = keyName(combo.keyCode);
  std::string characters = combo.keyCode == kVKSpace ? " "
                           : name.size() == 1
                               ? std::string(1, static_cast<char>(std::tolower(name[0])))
                               : "";
  return {characters, static_cast<ModifierFlags>(mask)};
}

class SimHotKeys::Registration final : public EventHotKey {
 public:
  explicit Registration(HotKeyCombo held) : combo(held) {}
  const HotKeyCombo combo;
};

SimHotKeys::SimHotKeys(std::vector<TakenHotKey> taken, Report report)
    : taken_(std::move(taken)), report_(std::move(report)) {}

const TakenHotKey* SimHotKeys::heldBy(const HotKeyCombo& combo, HotKeyHolder::Kind kind) const {
  for (const auto& entry : taken_) {
    if (entry.combo == combo && entry.holder.kind == kind &&
        (kind == HotKeyHolder::Kind::app || entry.holder.enabled)) {
      return &entry;
    }
  }
  return nullptr;
}

std::string SimHotKeys::holderOf(const HotKeyCombo& combo) const {
  if (heldBy(combo, HotKeyHolder::Kind::system)) return "the system";
  if (heldBy(combo, HotKeyHolder::Kind::app)) return "another app";
  return "no app";
}

OSStatus SimHotKeys::installHotKeyPressedHandler(HotKeyPressedHandler handler) {
  handlers_.push_back(std::move(handler));
  if (report_) report_("hot key: handler installed (" + std::to_string(handlers_.size()) + ")");
  return kNoErr;
}

OSStatus SimHotKeys::registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                         uint32_t options, EventHotKeyRef& ref) {
  HotKeyCombo combo{keyCode, modifiers};
  const bool exclusive = (options & kEventHotKeyExclusive) != 0;
  std::string line =
      "hot key: register " + describeHotKey(combo) + (exclusive ? " exclusively" : "") + " -> ";
  // A duplicate in the same process, or any registration against an exclusive one, is
  // refused; registrations without the option coexist, and the system's shortcuts never
  // refuse (their presses still go to the system).
  const bool exclusivelyHeld = std::any_of(taken_.begin(), taken_.end(), [&](const auto& t) {
    return t.combo == combo && t.holder.kind == HotKeyHolder::Kind::app && t.holder.exclusive;
  });
  const char* refusal = registered_.count(combo) > 0 ? "already registered by Strandel"
                        : exclusivelyHeld            ? "held exclusively by another app"
                                                     : nullptr;
  if (refusal) {
    if (report_) report_(line + "eventHotKeyExistsErr (" + refusal + ")");
    return kEventHotKeyExistsErr;
  }
  registered_[combo] = Own{id, exclusive};
  ref = std::make_shared<Registration>(combo);
  if (report_) report_(line + "registered");
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

OSStatus SimHotKeys::copySymbolicHotKeys(std::vector<SymbolicHotKey>& hotKeys) {
  hotKeys.clear();
  for (const auto& entry : taken_) {
    if (entry.holder.kind != HotKeyHolder::Kind::system) continue;
    hotKeys.push_back({entry.combo.keyCode, entry.combo.modifiers, entry.holder.enabled});
  }
  return kNoErr;
}

void SimHotKeys::press(const HotKeyCombo& combo) {
  std::string line = "hot key: " + describeHotKey(combo) + " pressed -> ";
  // The system's own shortcuts come before any app's.
  if (heldBy(combo, HotKeyHolder::Kind::system)) {
    if (report_) report_(line + "the system");
    return;
  }
  auto own = registered_.find(combo);
  const bool others = heldBy(combo, HotKeyHolder::Kind::app) != nullptr;
  const bool tracked = menuTracked && menuTracked();
  if (own == registered_.end()) {
    // Nobody's hot key: the keystroke is an ordinary key press, which an open menu takes.
    if (!others && tracked && keyDownInMenu) {
      if (report_) report_(line + "the open menu");
      keyDownInMenu(combo);
    } else if (report_) {
      report_(line + (others ? "another app" : "no app"));
    }
    return;
  }
  std::string also = others ? " and another app" : "";
  if (tracked) {
    // Carbon does not dispatch hot-key events while a menu is tracked; the press waits.
    if (report_) report_(line + "Strandel (held while its menu is open)" + also);
    held_.push_back(own->second.id);
    return;
  }
  if (report_) report_(line + "Strandel" + also);
  handle(own->second.id);
}

void SimHotKeys::deliverHeld() {
  std::vector<EventHotKeyID> held = std::move(held_);
  held_.clear();
  for (const auto& id : held) {
    if (report_) report_("hot key: a held press reaches Strandel");
    handle(id);
  }
}

void SimHotKeys::handle(EventHotKeyID id) {
  for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
    if ((*it)(id) != kEventNotHandledErr) return;
  }
}

}  // namespace strandel::sim
