#include "app/keyboard_shortcut.h"

#include "app/app_delegate.h"
#include "localization/localization.h"
#include "localization/string_format.h"
#include "ports/platform.h"

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

}  // namespace KeyboardShortcuts

namespace {

std::string describeStored(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, int64_t> || std::is_same_v<T, double>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "true" : "false";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return "\"" + v + "\"";
        } else {
          return v.description;
        }
      },
      value);
}

}  // namespace

void AppDelegate::applyStoredShortcut() {
  auto stored = platform().userDefaults->objectForKey(KeyboardShortcuts::kDefaultsKey);
  if (!stored) return;
  const auto* value = std::get_if<int64_t>(&*stored);
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

void AppDelegate::registerShortcut() {
  auto& hotKeys = *platform().hotKeys;
  if (!hotKeyHandlerInstalled) {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    hotKeyHandlerInstalled = hotKeys.installHotKeyPressedHandler([weakSelf](EventHotKeyID id) {
      if (auto self = weakSelf.lock()) self->hotKeyPressed(id);
    }) == kNoErr;
  }
  EventHotKeyID id{KeyboardShortcuts::kSignature, static_cast<uint32_t>(shortcut->storedValue)};
  OSStatus status = hotKeys.registerEventHotKey(shortcut->keyCode, shortcut->modifiers, id, hotKey);
  shortcutUnavailable = status != kNoErr;
  if (shortcutUnavailable) {
    hotKey.reset();
    // Told once per choice; another app may let go of it, but nothing asks again.
    platform().systemLog->log("Strandel: keyboard shortcut " +
                              KeyboardShortcuts::logName(*shortcut) + " is unavailable — " +
                              KeyboardShortcuts::describeStatus(status));
  }
}

void AppDelegate::unregisterShortcut() {
  if (hotKey) (void)platform().hotKeys->unregisterEventHotKey(hotKey);
  hotKey.reset();
  shortcutUnavailable = false;
}

void AppDelegate::hotKeyPressed(EventHotKeyID id) {
  if (id.signature != KeyboardShortcuts::kSignature) return;
  // As a second click on the status item: an open menu closes.
  if (menuIsOpen) {
    menu->cancelTracking();
    return;
  }
  if (statusItem) openMenuFromShortcut();
}

void AppDelegate::applicationWillTerminate() {
  unregisterShortcut();
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
  for (const auto& offered : KeyboardShortcuts::all()) {
    bool chosen = shortcut == &offered;
    std::string title = KeyboardShortcuts::title(offered);
    if (chosen && shortcutUnavailable) {
      title = stringWithFormat(L("shortcut.unavailable"), {title});
    }
    addChoice(title, offered.storedValue, chosen);
  }
  row->setSubmenu(submenu);
  shown.addItem(row);
}

}  // namespace strandel
