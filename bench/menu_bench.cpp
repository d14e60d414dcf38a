// The status menu's cost: a full build for many extras, an unchanged rebuild, the work of
// one opening when the cache is warm, and an opening by the global shortcut beside one by
// a click on the status item.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/desktop/sim_accessibility.h"
#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/loop/virtual_event_loop.h"
#include "adapters/sim/system/sim_application.h"
#include "adapters/sim/system/sim_hot_keys.h"
#include "adapters/sim/ui/sim_menu.h"
#include "adapters/sim/ui/sim_status_bar.h"
#include "adapters/sim/ui/type_select.h"
#include "app/app_delegate.h"
#include "app/keyboard_shortcut.h"
#include "ports/platform.h"
#include "support/app_delegate_access.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;

class EnabledLoginItem final : public LoginItemService {
 public:
  LoginItemStatus status() override { return LoginItemStatus::enabled; }
  std::optional<PlatformError> registerService() override { return std::nullopt; }
  std::optional<PlatformError> unregisterService() override { return std::nullopt; }
  void openSystemSettingsLoginItems() override {}
};

class EnglishBundle final : public Bundle {
 public:
  std::optional<InfoValue> infoDictionaryValue(const std::string&) override { return {}; }
  std::string localizedString(const std::string& key, const std::string&) override {
    static const std::map<std::string, std::string> table = {
        {"list.occludedHeader", "HIDDEN (%lld)"},  {"list.visibleHeader", "VISIBLE (%lld)"},
        {"menu.launchAtLogin", "Launch at Login"}, {"menu.checkForUpdates", "Check for Updates…"},
        {"menu.donate", "Support Strandel…"},      {"menu.quit", "Quit Strandel"}};
    auto found = table.find(key);
    return found == table.end() ? key : found->second;
  }
};

// A platform with what building the menu touches, and a delegate with `count` extras
// cached: one in three hidden, ten extras per application icon.
struct MenuFixture {
  explicit MenuFixture(int count) {
    auto desktop = std::make_shared<sim::Desktop>();
    desktop->setAccessibilityGranted(true);
    platform.accessibility = std::make_shared<sim::SimAccessibility>(desktop, loop);
    platform.dispatch = loop;
    platform.clock = loop;
    platform.timers = loop;
    platform.menus = std::make_shared<sim::SimMenus>();
    platform.loginItems = std::make_shared<EnabledLoginItem>();
    platform.bundle = std::make_shared<EnglishBundle>();
    platform.application = std::make_shared<sim::SimApplication>(
        loop->mainQueue(), sim::SimApplication::Loop{[] {}, [] {}});
    scope = std::make_unique<ScopedPlatform>(platform);

    delegate = std::make_shared<AppDelegate>();
    ImageRef icon;
    for (int i = 0; i < count; ++i) {
      if (i % 10 == 0) icon = std::make_shared<sim::SimImage>("◆", "colour", Size{32, 32});
      items.push_back(std::make_shared<const ExtraItem>(
          "Extra " + std::to_string(i), icon, nullptr, Rect{{i * 24.0 - 200, 0}, {22, 24}},
          i % 3 == 0, "App " + std::to_string(i / 10)));
    }
    A::cachedItems(*delegate) = items;
    A::cachedAt(*delegate) = loop->now();
  }

  std::shared_ptr<sim::VirtualEventLoop> loop = std::make_shared<sim::VirtualEventLoop>();
  Platform platform;
  std::unique_ptr<ScopedPlatform> scope;
  std::shared_ptr<AppDelegate> delegate;
  ExtraItems items;
};

void BM_BuildFull(benchmark::State& state) {
  MenuFixture fixture(static_cast<int>(state.range(0)));
  auto& menu = *A::menu(*fixture.delegate);
  for (auto _ : state) {
    A::shownSignature(*fixture.delegate).reset();  // forces the full rebuild
    A::build(*fixture.delegate, menu, fixture.items);
    benchmark::DoNotOptimize(menu.numberOfItems());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildFull)->Arg(300)->Arg(30);

void BM_BuildUnchanged(benchmark::State& state) {
  MenuFixture fixture(static_cast<int>(state.range(0)));
  auto& menu = *A::menu(*fixture.delegate);
  A::build(*fixture.delegate, menu, fixture.items);
  for (auto _ : state) {
    A::build(*fixture.delegate, menu, fixture.items);  // same signatures: rows stay
    benchmark::DoNotOptimize(menu.numberOfItems());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildUnchanged)->Arg(300);

void BM_MenuNeedsUpdateWarmCache(benchmark::State& state) {
  MenuFixture fixture(static_cast<int>(state.range(0)));
  auto& menu = *A::menu(*fixture.delegate);
  for (auto _ : state) {
    fixture.delegate->menuNeedsUpdate(menu);  // the cache is fresh: no scan
    fixture.delegate->menuDidClose(menu);
  }
  if (A::scanning(*fixture.delegate)) state.SkipWithError("a warm cache started a scan");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MenuNeedsUpdateWarmCache)->Arg(300);

// The status item with the delegate's menu, as start-up attaches it, and ⌃⇧⌘Space
// registered for the delegate.
struct StatusItemFixture : MenuFixture {
  explicit StatusItemFixture(int count) : MenuFixture(count) {
    platform.hotKeys = hotKeys;
    auto menu = A::menu(*delegate);
    menu->setDelegate(delegate);
    item = std::dynamic_pointer_cast<sim::SimStatusItem>(
        statusBar.statusItemWithLength(kVariableStatusItemLength));
    item->setMenu(menu);
    A::statusItem(*delegate) = item;
    std::weak_ptr<AppDelegate> weak = delegate;
    hotKeys->installHotKeyPressedHandler([weak](EventHotKeyID id) {
      if (auto d = weak.lock()) d->hotKeyPressed(id);
    });
    EventHotKeyRef ref;
    hotKeys->registerEventHotKey(kVKSpace, shortcut.modifiers, {KeyboardShortcuts::kSignature, 2},
                                 ref);
  }
  std::shared_ptr<sim::SimHotKeys> hotKeys =
      std::make_shared<sim::SimHotKeys>(std::set<sim::HotKeyCombo>{}, sim::SimHotKeys::Report{});
  const sim::HotKeyCombo shortcut{kVKSpace, kControlKey | kShiftKey | kCmdKey};
  sim::SimStatusBar statusBar;
  std::shared_ptr<sim::SimStatusItem> item;
};

// Opening and closing again, with a warm cache, by a click on the status item (0) or by the
// global shortcut (1): the shortcut should cost no more than the click.
void BM_OpenAndClose(benchmark::State& state) {
  StatusItemFixture fixture(300);
  const bool byShortcut = state.range(0) == 1;
  auto menu = std::dynamic_pointer_cast<sim::SimMenu>(A::menu(*fixture.delegate));
  for (auto _ : state) {
    for (int i = 0; i < 2; ++i) {
      if (byShortcut) {
        fixture.hotKeys->press(fixture.shortcut);
      } else {
        fixture.item->click();
      }
    }
  }
  if (menu->isOpen() || A::scanning(*fixture.delegate)) state.SkipWithError("not closed again");
  state.SetLabel(byShortcut ? "shortcut" : "click");
}
BENCHMARK(BM_OpenAndClose)->Arg(0)->Arg(1);

// Text pasted into the open menu, a character at a time as the terminal delivers it: linear
// in its length, even while one long title goes on matching it all.
void BM_PasteIntoTypeSelect(benchmark::State& state) {
  const size_t length = static_cast<size_t>(state.range(0));
  std::vector<std::optional<std::string>> titles(30, std::string("Tidewater, up to date"));
  titles[3] = std::nullopt;  // a header
  titles.back() = std::string(length, 'a');
  for (auto _ : state) {
    sim::TypeSelect typing(titles);
    for (size_t i = 0; i < length; ++i) benchmark::DoNotOptimize(typing.type("a"));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PasteIntoTypeSelect)->RangeMultiplier(2)->Range(4000, 16000)->Complexity();

// One keystroke in the search field, as the delegate handles it: the query read again, every
// row tested and shown or hidden, the headers counted. state.range(0) rows, a query of
// state.range(1) characters whose last one changes with each keystroke; the cost should grow
// linearly with both.
void BM_MenuSearch(benchmark::State& state) {
  MenuFixture fixture(static_cast<int>(state.range(0)));
  auto& menu = *A::menu(*fixture.delegate);
  A::build(*fixture.delegate, menu, fixture.items);
  SearchFieldRef field = menu.itemAtIndex(0)->view();
  if (!field) state.SkipWithError("no search field");
  const std::string typed = std::string("extra 1234567890").substr(0, state.range(1));
  const std::string queries[] = {typed, typed.substr(0, typed.size() - 1) + "9"};
  size_t keystroke = 0;
  for (auto _ : state) {
    if (!field) break;
    field->setStringValue(queries[keystroke++ % 2]);
    fixture.delegate->controlTextDidChange(*field);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetLabel("per keystroke");
}
BENCHMARK(BM_MenuSearch)->Args({300, 1})->Args({300, 8})->Args({600, 8})->Args({300, 16});

}  // namespace
}  // namespace strandel
