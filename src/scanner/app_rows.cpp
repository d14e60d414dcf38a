#include "scanner/app_rows.h"

#include <algorithm>
#include <cmath>

#include "ports/platform.h"
#include "scanner/control_center_hosting.h"
#include "scanner/displays.h"
#include "scanner/extras_bar.h"

namespace strandel::rows {

namespace {

// Left to right by minimum x only. A NaN coordinate (never reported by the platform) sorts
// after every number so that the ordering stays a strict weak one.
bool leftOf(const ExtraItemRef& a, const ExtraItemRef& b) {
  const double ax = minX(a->frame);
  const double bx = minX(b->frame);
  const bool aNaN = std::isnan(ax);
  const bool bNaN = std::isnan(bx);
  if (aNaN || bNaN) return !aNaN && bNaN;
  return ax < bx;
}

AppRows readOwnBar(const MenuBarScanner::Context& context,
                   const MenuBarScanner::Context::App& app) {
  AppRows rows{app.pid, {}, {}, app.name, app.icon, {}};
  const bool controlCenter = app.bundleIdentifier == controlCenter::kBundleIdentifier;
  BoundedReads reads(MenuBarScanner::kScanTimeout);
  for (const AXRef& child : readExtrasBarChildren(app.pid, reads)) {
    ExtraRead read = readExtra(child, reads);
    if (reads.gaveUp()) break;
    if (!read.frame || !(width(*read.frame) > 0)) continue;
    const bool occluded = displays::isOccluded(*read.frame, context);
    if (controlCenter) {
      rows.hosted.push_back({child, *read.frame, occluded, std::move(read.description)});
      continue;
    }
    rows.items.push_back(std::make_shared<const ExtraItem>(
        MenuBarScanner::labelFromDescription(read.description, app.name), app.icon, child,
        *read.frame, occluded, app.name.value_or("")));
  }
  return rows;
}

}  // namespace

AgentSlots ownedSlots(std::vector<agent::Slot> slots) {
  AgentSlots out;
  for (size_t i = 0; i < slots.size(); ++i) out.byOwner[slots[i].owner].push_back(i);
  out.all = std::make_shared<const std::vector<agent::Slot>>(std::move(slots));
  return out;
}

AppRows read(const MenuBarScanner::Context& context, const MenuBarScanner::Context::App& app,
             const AgentSlots* slots) {
  if (!slots) return readOwnBar(context, app);
  const auto own = slots->byOwner.find(app.pid);
  static const auto& kNone = *new std::vector<size_t>();  // never destroyed, as lanes may run on
  return agent::readApp(context, app, *slots->all,
                        own == slots->byOwner.end() ? kNone : own->second);
}

ExtraItems join(const std::vector<const AppRows*>& apps, const std::optional<Rect>& ownItem) {
  ExtraItems result;
  std::vector<bool> hosted;
  std::vector<std::pair<size_t, ExtraItemRef>> slotOnly;
  std::vector<Rect> hostingFrames;
  std::vector<Rect> ownFrames;
  for (const AppRows* app : apps) {
    for (const auto& item : app->items) ownFrames.push_back(item->frame);
    for (const auto& child : app->hosted) hostingFrames.push_back(child.frame);
    slotOnly.insert(slotOnly.end(), app->slotOnly.begin(), app->slotOnly.end());
  }
  const std::vector<bool> lying = controlCenter::lyingOnOwn(hostingFrames, ownFrames);
  size_t h = 0;
  for (const AppRows* app : apps) {
    result.insert(result.end(), app->items.begin(), app->items.end());
    for (const AppRows::Hosted& child : app->hosted) {
      if (lying[h++] || (ownItem && controlCenter::liesOn(child.frame, *ownItem))) continue;
      result.push_back(std::make_shared<const ExtraItem>(
          MenuBarScanner::labelFromDescription(child.description, app->name), app->icon,
          child.element, child.frame, child.occluded, app->name.value_or("")));
    }
  }
  std::stable_sort(slotOnly.begin(), slotOnly.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [index, item] : slotOnly) result.push_back(std::move(item));
  std::stable_sort(result.begin(), result.end(), leftOf);
  return result;
}

std::unordered_map<ProcessID, ExtraItems> byApp(const ExtraItems& items) {
  std::unordered_map<ProcessID, ExtraItems> out;
  Accessibility& ax = *platform().accessibility;
  for (const auto& item : items) {
    ProcessID pid = 0;
    if (ax.getPid(item->element, pid) == AXError::success) out[pid].push_back(item);
  }
  return out;
}

}  // namespace strandel::rows
