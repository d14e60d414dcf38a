#include "scanner/agent_hosting.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "ports/platform.h"
#include "scanner/app_rows.h"
#include "scanner/ax_read.h"
#include "scanner/displays.h"
#include "scanner/extras_bar.h"

namespace strandel::agent {

namespace {

using Context = MenuBarScanner::Context;

bool isElement(Accessibility& ax, const AXRef& value) {
  return value && ax.typeID(value) == ax.elementTypeID();
}

std::vector<AXRef> elementsOf(Accessibility& ax, const AXRef& array) {
  std::vector<AXRef> out;
  if (!array || ax.typeID(array) != ax.arrayTypeID()) return out;
  for (AXRef& value : ax.arrayValues(array)) {
    if (isElement(ax, value)) out.push_back(std::move(value));
  }
  return out;
}

std::optional<Slot> readSlot(Accessibility& ax, BoundedReads& reads, const AXRef& slot) {
  static const auto& kAttributes =  // never destroyed: exit() may come while a lane reads
      *new std::vector<std::string>{"AXPosition", "AXSize", "AXChildren"};
  const std::vector<AXRef> answers = reads.copyMultiple(slot, kAttributes);
  if (answers.empty()) return std::nullopt;
  const std::vector<AXRef> children = elementsOf(ax, answers[2]);
  if (children.empty()) return std::nullopt;

  Slot out;
  out.child = children.front();
  if (ax.getPid(out.child, out.owner) != AXError::success) out.owner = 0;
  out.frame = frameOf(answers[0], answers[1]);
  return out;
}

bool isFinite(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

// Overflowed slots are stacked on one frame or not laid out at all; a slot placed outside
// every screen is not shown either.
void markOverflow(std::vector<Slot>& slots, const Context& context) {
  std::vector<size_t> placed;
  for (size_t i = 0; i < slots.size(); ++i) {
    Slot& slot = slots[i];
    slot.overflowed = !slot.frame || !isFinite(*slot.frame) || !(width(*slot.frame) > 0) ||
                      !displays::holding(*slot.frame, context);
    if (!slot.overflowed) placed.push_back(i);
  }
  const auto key = [&](size_t i) {
    const Rect& r = *slots[i].frame;
    return std::make_tuple(r.origin.x, r.origin.y, r.size.width, r.size.height);
  };
  std::sort(placed.begin(), placed.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
  for (size_t k = 1; k < placed.size(); ++k) {
    if (key(placed[k - 1]) == key(placed[k])) {
      slots[placed[k - 1]].overflowed = true;
      slots[placed[k]].overflowed = true;
    }
  }
}

// The extra as its slot shows it: hidden unless its slot is laid out on a screen, clear of
// the screen's edges and notch.
struct Placement {
  Rect frame;
  bool occluded = true;
};

Placement placementOf(const Slot& slot, const Context& context) {
  if (slot.overflowed) return Placement{slot.frame.value_or(Rect{}), true};
  return Placement{*slot.frame, displays::isOccluded(*slot.frame, context)};
}

// Of the slots showing one item (one per screen), the first that shows it; else the first.
Placement bestOf(const std::vector<size_t>& candidates, const std::vector<Slot>& slots,
                 const Context& context) {
  std::optional<Placement> first;
  for (size_t i : candidates) {
    const Placement placement = placementOf(slots[i], context);
    if (!placement.occluded) return placement;
    if (!first) first = placement;
  }
  return first.value_or(Placement{});
}

// One app's slots by their child's hash, so that matching its children costs linear time.
class SlotIndex {
 public:
  SlotIndex(Accessibility& ax, const std::vector<Slot>& slots, const std::vector<size_t>& own)
      : ax_(ax), slots_(slots), claimed_(slots.size()) {
    byHash_.reserve(own.size());
    for (size_t i : own) byHash_.emplace(ax.hash(slots[i].child), i);
  }

  // Claims and returns every slot whose child is `element`, in the slots' order.
  std::vector<size_t> claim(const AXRef& element) {
    std::vector<size_t> found;
    const auto [from, to] = byHash_.equal_range(ax_.hash(element));
    for (auto it = from; it != to; ++it) {
      if (!claimed_[it->second] && ax_.equal(slots_[it->second].child, element)) {
        claimed_[it->second] = true;
        found.push_back(it->second);
      }
    }
    std::sort(found.begin(), found.end());
    return found;
  }
  bool claimed(size_t i) const { return claimed_[i]; }

 private:
  Accessibility& ax_;
  const std::vector<Slot>& slots_;
  std::vector<bool> claimed_;
  std::unordered_multimap<size_t, size_t> byHash_;
};

ExtraItemRef itemFor(const AXRef& element, const std::optional<std::string>& description,
                     const Context::App& app, const Placement& placement) {
  return std::make_shared<const ExtraItem>(
      MenuBarScanner::labelFromDescription(description, app.name), app.icon, element,
      placement.frame, placement.occluded, app.name.value_or(""));
}

}  // namespace

bool looksLikePlaceholders(const ExtraItems& items) {
  std::vector<std::tuple<double, double, double, double>> frames;
  for (const ExtraItemRef& item : items) {
    const Rect& r = item->frame;
    if (maxX(r) <= -200) return true;
    if (minX(r) != -1) frames.emplace_back(r.origin.x, r.origin.y, r.size.width, r.size.height);
  }
  std::sort(frames.begin(), frames.end());
  return std::adjacent_find(frames.begin(), frames.end()) != frames.end();
}

std::vector<Slot> readSlots(ProcessID agent, const Context& context) {
  Accessibility& ax = *platform().accessibility;
  BoundedReads reads(MenuBarScanner::kScanTimeout);
  std::vector<Slot> slots;
  const AXRef appElement = ax.createApplication(agent);
  for (const AXRef& window : elementsOf(ax, reads.copy(appElement, "AXWindows"))) {
    for (const AXRef& slot : elementsOf(ax, reads.copy(window, "AXChildren"))) {
      if (std::optional<Slot> read = readSlot(ax, reads, slot)) slots.push_back(std::move(*read));
    }
  }
  markOverflow(slots, context);
  return slots;
}

AppRows readApp(const Context& context, const Context::App& app, const std::vector<Slot>& slots,
                const std::vector<size_t>& own) {
  Accessibility& ax = *platform().accessibility;
  AppRows rows{app.pid, {}, {}, app.name, app.icon, {}};
  if (app.pid == context.agent) return rows;  // its own extras cannot be pressed
  BoundedReads reads(MenuBarScanner::kScanTimeout);
  SlotIndex index(ax, slots, own);
  for (const AXRef& child : readExtrasBarChildren(app.pid, reads)) {
    if (!isElement(ax, child)) continue;
    const AXRef description = reads.copy(child, "AXDescription");
    if (reads.gaveUp()) return rows;
    // No slot: the item is not drawn anywhere.
    rows.items.push_back(
        itemFor(child, textOf(description), app, bestOf(index.claim(child), slots, context)));
  }
  // A slot whose child the app did not list in its own bar is the only element of that extra.
  for (size_t i : own) {
    if (index.claimed(i)) continue;
    const std::vector<size_t> shown = index.claim(slots[i].child);
    const AXRef description = reads.copy(slots[i].child, "AXDescription");
    if (reads.gaveUp()) return rows;
    rows.slotOnly.emplace_back(
        i, itemFor(slots[i].child, textOf(description), app, bestOf(shown, slots, context)));
  }
  return rows;
}

}  // namespace strandel::agent
