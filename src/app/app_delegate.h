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
#include "scanner/displays.h"
#include "scanner/extra_item.h"

namespace strandel {

struct KeyboardShortcut;
class ScanRun;
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
  // A registered hot key was pressed: the menu opens as a click opens it. Answers
  // kEventNotHandledErr for a key that is not the program's own.
  OSStatus hotKeyPressed(EventHotKeyID id);

  // Row actions arrive by name, as the menu sends them.
  bool respondsTo(const std::string& action) const override;
  void perform(const std::string& action, MenuItem& sender) override;

 private:
  friend struct AppDelegateAccess;  // lets tests read the state and call the inner steps

  // A cached list at most this old (seconds) is shown without scanning again.
  static constexpr double kCacheFreshness = 2.0;
  // Fresh rows replace the open menu's at most this often (seconds), so that rows do not
  // jump under the pointer with every app that answers.
  static constexpr double kRowsBatchInterval = 0.05;

  void refresh(std::optional<Completion> completion);
  // An app of the scan in flight has answered, or the scan has ended: the open menu takes
  // the fresh rows, at most once per kRowsBatchInterval.
  void freshRowsArrived();
  void showFreshRows();
  void build(Menu& menu, const std::optional<ExtraItems>& items);
  void addHeader(const std::string& text, Menu& menu);
  void addFooterItems(Menu& menu);
  void addQuitItem(Menu& menu);
  void watchForAccessibilityGrant();
  void checkAccessibilityGrant();
  void observeAppLifecycle();
  void showPermissionMenu(Menu& menu);
  void addItemRow(Menu& menu, const ExtraItemRef& item);
  // Fills an extra's row, new or kept, with what it shows and what choosing it presses.
  void showExtra(MenuItem& row, const ExtraItemRef& item);
  void addPlaceholder(const std::string& text, Menu& menu);
  void addSearchRow(Menu& menu);
  void addNoMatchRow(Menu& menu);
  // Indexes the rows just built and filters them by the field's query.
  void filterBuiltRows(Menu& menu);
  void focusSearchField(int attemptsLeft);
  void clearSearch();
  void addShortcutItem(Menu& menu);
  void addShortcutCloser(Menu& menu);
  void applyStoredShortcut();
  void registerShortcut();
  void unregisterShortcut();
  void pauseShortcutForMenu();
  void resumeShortcutAfterMenu();
  std::vector<SymbolicHotKey> systemHotKeys() const;
  const KeyboardShortcut* takeFirstFreeShortcut();
  // The program's own item: where it is drawn (Accessibility coordinates) and whether a
  // person can see it.
  std::optional<Rect> ownItemFrame() const;
  displays::OwnItemPlace ownItemPlace() const;
  // As a click on the item, or under the menu bar when the item cannot be seen.
  void openMenuFromShortcut();
  // Once, at launch, when the item cannot be seen and no shortcut is chosen: says so and
  // offers the first free shortcut.
  void scheduleHiddenIconNotice();
  void noticeHiddenIcon();

  StatusItemRef statusItem;
  const MenuRef menu;
  std::optional<ExtraItems> cachedItems;
  Date cachedAt = Date::distantPast();
  bool scanning = false;
  std::vector<Completion> pendingCompletions;
  // The scan in flight, while `scanning`; when the open menu last took fresh rows.
  std::shared_ptr<ScanRun> scanRun;
  Date rowsShownAt = Date::distantPast();
  bool rowsBatchPending = false;
  bool menuIsOpen = false;
  std::optional<std::vector<std::string>> shownSignature;
  // The search field and the rows it filters; made with the first list shown.
  std::shared_ptr<MenuSearch> search;
  TimerRef accessibilityWatch;
  // The permission notification is observed once; later watches reuse that observer.
  bool observingAccessibilityChanges = false;
  // The chosen global shortcut (none: None), its registration, and why it has none.
  enum class ShortcutRefusal { none, anotherApp, system, refused };
  const KeyboardShortcut* shortcut = nullptr;
  EventHotKeyRef hotKey;
  ShortcutRefusal shortcutRefusal = ShortcutRefusal::none;
  bool hotKeyHandlerInstalled = false;
  // Let go while the menu is open, to be registered again once it has closed.
  bool hotKeyPausedForMenu = false;
};

// Row actions, by the names the menu sends.
inline constexpr const char* kPickAction = "pick:";
inline constexpr const char* kToggleLaunchAtLoginAction = "toggleLaunchAtLogin";
inline constexpr const char* kCheckForUpdatesAction = "checkForUpdates";
inline constexpr const char* kOpenDonatePageAction = "openDonatePage";
inline constexpr const char* kOpenAccessibilitySettingsAction = "openAccessibilitySettings";
inline constexpr const char* kCopyMenuBarReportAction = "copyMenuBarReport";
inline constexpr const char* kChooseShortcutAction = "chooseShortcut:";
// The hidden row that answers the shortcut while the menu is open: choosing any row closes
// the menu, so the action itself has nothing left to do.
inline constexpr const char* kCloseMenuAction = "closeMenu:";

// The entry point: makes the application and the one delegate, then runs the event loop.
int runApplication();

}  // namespace strandel
