#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/app_delegate.h"

namespace strandel {

// The tests' view into AppDelegate: its stored state, by reference, and its private steps.
// Only tests include this; the program's own code never does.
struct AppDelegateAccess {
  using Completion = AppDelegate::Completion;

  static StatusItemRef& statusItem(AppDelegate& d) { return d.statusItem; }
  static const MenuRef& menu(AppDelegate& d) { return d.menu; }
  static std::optional<ExtraItems>& cachedItems(AppDelegate& d) { return d.cachedItems; }
  static Date& cachedAt(AppDelegate& d) { return d.cachedAt; }
  static bool& scanning(AppDelegate& d) { return d.scanning; }
  static std::vector<Completion>& pendingCompletions(AppDelegate& d) {
    return d.pendingCompletions;
  }
  static bool& menuIsOpen(AppDelegate& d) { return d.menuIsOpen; }
  static std::optional<std::vector<std::string>>& shownSignature(AppDelegate& d) {
    return d.shownSignature;
  }
  static TimerRef& accessibilityWatch(AppDelegate& d) { return d.accessibilityWatch; }

  static void refresh(AppDelegate& d, std::optional<Completion> completion = std::nullopt) {
    d.refresh(std::move(completion));
  }
  static void build(AppDelegate& d, Menu& menu, const std::optional<ExtraItems>& items) {
    d.build(menu, items);
  }
};

}  // namespace strandel
