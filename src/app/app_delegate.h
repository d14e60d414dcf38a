#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/application.h"
#include "ports/clock.h"
#include "ports/hot_keys.h"
#include "ports/menu.h"
#include "ports/status_bar.h"
#include "ports/timer.h"
#include "scanner/extra_item.h"

namespace strandel {

struct KeyboardShortcut;
struct MenuSearch;

// The one application and menu delegate: all user-interface state lives here, on the main
// thread. Callbacks that outlive their caller hold it weakly.
class AppDelegate final : public ApplicationDelegate,
                          public MenuDelegate,
                          public TrackingOwner,
                          public ActionTarget,
                          public SearchFieldDelegate,
                          public std::enable_shared_from_this<AppDelegate> {
 public:
  using Completion = std::function<void(const ExtraItems&)>;

  // Needs an installed platform (the menu is made here); own it with a shared_ptr, since
  // every callback that outlives a call holds it weakly.
  AppDelegate();

  // Sent by the platform, on the main thread.
  void applicationDidFinishLaunching() override;
  void applicationWillTerminate() override;
  void mouseEntered() override;
  void menuWillOpen(Menu& menu) override;
  void menuDidClose(Menu& menu) override;
  void menuNeedsUpdate(Menu& menu) override;
  void menuDidBeginTracking(Menu& menu) override;
  // The search field at the top of the menu.
  void controlTextDidChange(SearchField& field) override;
  bool doCommandBySelector(SearchField& field, const std::string& selector) override;
  void checkForUpdates();
  void openDonatePage();
  void toggleLaunchAtLogin();
  void pick(MenuItem& item);
  void openAccessibilitySettings();
  // Reads the menu bar as a scan does and puts the report on the general pasteboard.
  void copyMenuBarReport();
  // A row of the keyboard shortcut submenu; its represented object names the choice.
  void chooseShortcut(MenuItem& row);
  // A registered hot key was pressed: the menu opens as a click opens it, or closes.
  void hotKeyPressed(EventHotKeyID id);

  // Row actions arrive by name, as the menu sends them.
  bool respondsTo(const std::string& action) const override;
  void perform(const std::string& action, MenuItem& sender) override;

 private:
  friend struct AppDelegateAccess;  // lets tests read the state and call the inner steps

  // A cached list at most this old (seconds) is shown without scanning again.
  static constexpr double kCacheFreshness = 2.0;

  void refresh(std::optional<Completion> completion);
  void build(Menu& menu, const std::optional<ExtraItems>& items);
  void addHeader(const std::string& text, Menu& menu);
  void addFooterItems(Menu& menu);
  void addQuitItem(Menu& menu);
  void watchForAccessibilityGrant();
  void checkAccessibilityGrant();
  void observeAppLifecycle();
  void showPermissionMenu(Menu& menu);
  MenuItemRef addItemRow(Menu& menu, const ExtraItemRef& item, const std::string& title);
  void addPlaceholder(const std::string& text, Menu& menu);
  void addSearchRow(Menu& menu);
  void addNoMatchRow(Menu& menu);
  // Indexes the rows just built and filters them by the field's query.
  void filterBuiltRows(Menu& menu);
  void focusSearchField(int attemptsLeft);
  void clearSearch();
  void addShortcutItem(Menu& menu);
  void applyStoredShortcut();
  void registerShortcut();
  void unregisterShortcut();

  StatusItemRef statusItem;
  const MenuRef menu;
  std::optional<ExtraItems> cachedItems;
  Date cachedAt = Date::distantPast();
  bool scanning = false;
  std::vector<Completion> pendingCompletions;
  bool menuIsOpen = false;
  std::optional<std::vector<std::string>> shownSignature;
  // The search field and the rows it filters; made with the first list shown.
  std::shared_ptr<MenuSearch> search;
  TimerRef accessibilityWatch;
  // The permission notification is observed once; later watches reuse that observer.
  bool observingAccessibilityChanges = false;
  // The chosen global shortcut (none: None), its registration, and whether the system
  // refused it.
  const KeyboardShortcut* shortcut = nullptr;
  EventHotKeyRef hotKey;
  bool shortcutUnavailable = false;
  bool hotKeyHandlerInstalled = false;
};

// Row actions, by the names the menu sends.
inline constexpr const char* kPickAction = "pick:";
inline constexpr const char* kToggleLaunchAtLoginAction = "toggleLaunchAtLogin";
inline constexpr const char* kCheckForUpdatesAction = "checkForUpdates";
inline constexpr const char* kOpenDonatePageAction = "openDonatePage";
inline constexpr const char* kOpenAccessibilitySettingsAction = "openAccessibilitySettings";
inline constexpr const char* kCopyMenuBarReportAction = "copyMenuBarReport";
inline constexpr const char* kChooseShortcutAction = "chooseShortcut:";

// The entry point: makes the application and the one delegate, then runs the event loop.
int runApplication();

}  // namespace strandel
