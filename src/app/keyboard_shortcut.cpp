#include "app/keyboard_shortcut.h"

#include <charconv>
#include <cmath>

#include "app/app_delegate.h"
#include "localization/localization.h"
#include "localization/string_format.h"
#include "ports/platform.h"
#include "text/display_escape.h"
#include "text/utf8.h"

namespace strandel {

namespace KeyboardShortcuts {

namespace {

// Space sits in the same place on every layout; letters do not. None of these is a
// standard macOS shortcut (see docs/macos.md).
constexpr KeyboardShortcut kShortcuts[] = {
    {1, kVKSpace, kControlKey | kOptionKey | kCmdKey},
    {2, kVKSpace, kControlKey | kShiftKey | kCmdKey},
    {3, kVKSpace, kOptionKey | kShiftKey | kCmdKey},
    {4, kVKSpace, kControlKey | kOptionKey | kShiftKey | kCmdKey},
};

// In the order menus show them.
std::string modifierGlyphs(uint32_t modifiers) {
  std::string out;
  if (modifiers & kControlKey) out += "\u2303";
  if (modifiers & kOptionKey) out += "\u2325";
  if (modifiers & kShiftKey) out += "\u21E7";
  if (modifiers & kCmdKey) out += "\u2318";
  return out;
}

}  // namespace

std::span<const KeyboardShortcut> all() {
  return kShortcuts;
}

const KeyboardShortcut* withStoredValue(int64_t value) {
  for (const auto& shortcut : kShortcuts) {
    if (shortcut.storedValue == value) return &shortcut;
  }
  return nullptr;
}

std::string title(const KeyboardShortcut& shortcut) {
  return modifierGlyphs(shortcut.modifiers) + L("shortcut.space");
}

std::string logName(const KeyboardShortcut& shortcut) {
  return modifierGlyphs(shortcut.modifiers) + "Space";
}

std::string describeStatus(OSStatus status) {
  std::string number = std::to_string(status);
  if (status == kEventHotKeyExistsErr) return "eventHotKeyExistsErr (" + number + ")";
  if (status == kEventHotKeyInvalidErr) return "eventHotKeyInvalidErr (" + number + ")";
  return "OSStatus " + number;
}

ModifierFlags keyEquivalentModifierMask(const KeyboardShortcut& shortcut) {
  constexpr std::pair<uint32_t, ModifierFlags> kMasks[] = {{kControlKey, ModifierFlags::control},
                                                           {kOptionKey, ModifierFlags::option},
                                                           {kShiftKey, ModifierFlags::shift},
                                                           {kCmdKey, ModifierFlags::command}};
  uint64_t mask = 0;
  for (const auto& [carbon, menu] : kMasks) {
    if (shortcut.modifiers & carbon) mask |= static_cast<uint64_t>(menu);
  }
  return static_cast<ModifierFlags>(mask);
}

bool heldBySystem(const KeyboardShortcut& shortcut, std::span<const SymbolicHotKey> system) {
  for (const auto& hotKey : system) {
    if (hotKey.enabled && hotKey.keyCode == shortcut.keyCode &&
        hotKey.modifiers == shortcut.modifiers) {
      return true;
    }
  }
  return false;
}

const KeyboardShortcut* firstFree(std::span<const SymbolicHotKey> system, int64_t after) {
  bool past = after == kNoShortcut;
  for (const auto& shortcut : kShortcuts) {
    if (past && !heldBySystem(shortcut, system)) return &shortcut;
    past = past || shortcut.storedValue == after;
  }
  return nullptr;
}

}  // namespace KeyboardShortcuts

namespace {

// Long enough to recognise a value, short enough for one line of the log.
constexpr size_t kLoggedCharacters = 64;

// A person's notation: 1.5, 1e+300; the shortest text that reads back as the same double.
std::string describeNumber(double value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string describeText(const std::string& value, bool quoted = true) {
  size_t end = 0;
  size_t count = 0;
  while (end < value.size() && count < kLoggedCharacters) {
    end += decodeUTF8(value, end).length;
    ++count;
  }
  std::string shown = displayEscape(std::string_view(value).substr(0, end));
  if (quoted) shown = "\"" + shown + "\"";
  if (end == value.size()) return shown;
  return shown + "… (cut: " + std::to_string(value.size()) + " bytes in all)";
}

// A double with an integer's value counts as that integer (a property list may hold 1.0).
std::optional<int64_t> integerValue(const DefaultsValue& value) {
  if (const auto* i = std::get_if<int64_t>(&value)) return *i;
  const auto* d = std::get_if<double>(&value);
  if (d && std::trunc(*d) == *d && std::fabs(*d) < 9.2e18) return static_cast<int64_t>(*d);
  return std::nullopt;
}

std::string describeStored(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, int64_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return describeNumber(v);
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "true" : "false";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return describeText(v);
        } else {
          return describeText(v.description, /*quoted=*/false);
        }
      },
      value);
}

}  // namespace

void AppDelegate::applyStoredShortcut() {
  auto stored = platform().userDefaults->objectForKey(KeyboardShortcuts::kDefaultsKey);
  if (!stored) return;
  const std::optional<int64_t> value = integerValue(*stored);
  if (value && *value == KeyboardShortcuts::kNoShortcut) return;
  const KeyboardShortcut* found = value ? KeyboardShortcuts::withStoredValue(*value) : nullptr;
  if (!found) {
    // Perhaps written by a later version: left as it is until the person chooses.
    platform().systemLog->log("Strandel: unknown keyboard shortcut setting " +
                              describeStored(*stored) + " — no shortcut is used");
    return;
  }
  shortcut = found;
  registerShortcut();
}

void AppDelegate::chooseShortcut(MenuItem& row) {
  auto choice = std::dynamic_pointer_cast<const ShortcutChoice>(row.representedObject());
  if (!choice) return;
  unregisterShortcut();
  shortcut = KeyboardShortcuts::withStoredValue(choice->storedValue);
  platform().userDefaults->setInteger(
      shortcut ? shortcut->storedValue : KeyboardShortcuts::kNoShortcut,
      KeyboardShortcuts::kDefaultsKey);
  if (shortcut) registerShortcut();
}

std::vector<SymbolicHotKey> AppDelegate::systemHotKeys() const {
  std::vector<SymbolicHotKey> system;
  // Unreadable: nothing to check against; the registration still says what it can.
  if (platform().hotKeys->copySymbolicHotKeys(system) != kNoErr) system.clear();
  return system;
}

void AppDelegate::registerShortcut() {
  auto& hotKeys = *platform().hotKeys;
  if (!hotKeyHandlerInstalled) {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    hotKeyHandlerInstalled = hotKeys.installHotKeyPressedHandler([weakSelf](EventHotKeyID id) {
      auto self = weakSelf.lock();
      return self ? self->hotKeyPressed(id) : kEventNotHandledErr;
    }) == kNoErr;
  }
  const std::string name = KeyboardShortcuts::logName(*shortcut);
  // Registering a system shortcut succeeds, yet the system keeps its presses.
  if (KeyboardShortcuts::heldBySystem(*shortcut, systemHotKeys())) {
    shortcutRefusal = ShortcutRefusal::system;
    platform().systemLog->log("Strandel: keyboard shortcut " + name +
                              " is unavailable — a system shortcut (Keyboard settings)");
    return;
  }
  EventHotKeyID id{KeyboardShortcuts::kSignature, static_cast<uint32_t>(shortcut->storedValue)};
  // Exclusive, so that another app's registration is refused rather than sharing presses.
  OSStatus status = hotKeys.registerEventHotKey(shortcut->keyCode, shortcut->modifiers, id,
                                                kEventHotKeyExclusive, hotKey);
  if (status == kNoErr) {
    shortcutRefusal = ShortcutRefusal::none;
    return;
  }
  hotKey.reset();
  shortcutRefusal =
      status == kEventHotKeyExistsErr ? ShortcutRefusal::anotherApp : ShortcutRefusal::refused;
  // Told once per choice; another app may let go of it, but nothing asks again.
  platform().systemLog->log("Strandel: keyboard shortcut " + name + " is unavailable — " +
                            KeyboardShortcuts::describeStatus(status));
}

void AppDelegate::unregisterShortcut() {
  if (hotKey) (void)platform().hotKeys->unregisterEventHotKey(hotKey);
  hotKey.reset();
  shortcutRefusal = ShortcutRefusal::none;
  hotKeyPausedForMenu = false;
}

// Carbon holds hot-key presses while a menu is tracked and hands them over after it closes,
// when they would open the menu again. So the hot key is let go while the menu is open: the
// keystroke then reaches the menu, whose hidden row with the same key equivalent closes it.
void AppDelegate::pauseShortcutForMenu() {
  if (!hotKey) return;
  (void)platform().hotKeys->unregisterEventHotKey(hotKey);
  hotKey.reset();
  hotKeyPausedForMenu = true;
}

void AppDelegate::resumeShortcutAfterMenu() {
  // After the chosen row's action, which may have chosen another shortcut or quit.
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  platform().dispatch->mainQueue().async([weakSelf] {
    auto self = weakSelf.lock();
    if (!self || !self->hotKeyPausedForMenu || self->menuIsOpen) return;
    self->hotKeyPausedForMenu = false;
    if (self->shortcut) self->registerShortcut();
  });
}

OSStatus AppDelegate::hotKeyPressed(EventHotKeyID id) {
  // Another handler's key: passed on down the chain.
  if (id.signature != KeyboardShortcuts::kSignature) return kEventNotHandledErr;
  if (!statusItem) return kNoErr;
  // As a click on the status item, or under the menu bar when the item cannot be seen; an
  // open menu holds the press back (see above).
  openMenuFromShortcut();
  return kNoErr;
}

void AppDelegate::applicationWillTerminate() {
  unregisterShortcut();
}

void AppDelegate::addShortcutCloser(Menu& shown) {
  if (!shortcut) return;
  auto closer = platform().menus->makeItem(KeyboardShortcuts::title(*shortcut), kCloseMenuAction,
                                           KeyboardShortcuts::kKeyEquivalent);
  closer->setKeyEquivalentModifierMask(KeyboardShortcuts::keyEquivalentModifierMask(*shortcut));
  closer->setTarget(weak_from_this());
  closer->setHidden(true);
  closer->setAllowsKeyEquivalentWhenHidden(true);
  shown.addItem(closer);
}

void AppDelegate::addShortcutItem(Menu& shown) {
  auto& menus = *platform().menus;
  auto row = menus.makeItem(L("menu.shortcut"), std::nullopt, "");
  auto submenu = menus.makeMenu();
  auto addChoice = [&](const std::string& title, int64_t value, bool chosen) {
    auto choice = menus.makeItem(title, kChooseShortcutAction, "");
    choice->setTarget(weak_from_this());
    choice->setRepresentedObject(std::make_shared<ShortcutChoice>(value));
    choice->setState(chosen ? ControlState::on : ControlState::off);
    submenu->addItem(choice);
  };
  addChoice(L("shortcut.none"), KeyboardShortcuts::kNoShortcut, shortcut == nullptr);
  const std::vector<SymbolicHotKey> system = systemHotKeys();
  for (const auto& offered : KeyboardShortcuts::all()) {
    const bool chosen = shortcut == &offered;
    std::string title = KeyboardShortcuts::title(offered);
    // The system's hold is known before choosing; another app's only once refused.
    std::string note;
    if (KeyboardShortcuts::heldBySystem(offered, system)) {
      note = L("shortcut.usedBySystem");
    } else if (chosen && shortcutRefusal == ShortcutRefusal::anotherApp) {
      note = L("shortcut.unavailable");
    } else if (chosen && shortcutRefusal == ShortcutRefusal::refused) {
      note = L("shortcut.refused");
    }
    if (!note.empty()) title = stringWithFormat(note, {title});
    addChoice(title, offered.storedValue, chosen);
  }
  row->setSubmenu(submenu);
  shown.addItem(row);
  addShortcutCloser(shown);
}

}  // namespace strandel
