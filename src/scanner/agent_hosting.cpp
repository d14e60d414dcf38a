#include "scanner/agent_hosting.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "ports/platform.h"
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

std::optional<Slot> readSlot(Accessibility& ax, const AXRef& slot) {
  AXRef values;
  if (ax.copyMultipleAttributeValues(slot, {"AXPosition", "AXSize", "AXChildren"}, values) !=
      AXError::success) {
    return std::nullopt;
  }
  const std::vector<AXRef> answers = values ? ax.arrayValues(values) : std::vector<AXRef>{};
  if (answers.size() != 3) return std::nullopt;
  const std::vector<AXRef> children = elementsOf(ax, answers[2]);
  if (children.empty()) return std::nullopt;

  Slot out;
  out.child = children.front();
  if (ax.getPid(out.child, out.owner) != AXError::success) out.owner = 0;
  Point origin{};
  Size extent{};
  const TypeID valueType = ax.valueTypeID();
  if (answers[0] && answers[1] && ax.typeID(answers[0]) == valueType &&
      ax.typeID(answers[1]) == valueType && ax.valueGetPoint(answers[0], origin) &&
      ax.valueGetSize(answers[1], extent)) {
    out.frame = Rect{origin, extent};
  }
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

// Slots by owning process, so that matching an app's children looks only at its own slots.
class SlotIndex {
 public:
  explicit SlotIndex(const std::vector<Slot>& slots) : slots_(slots), claimed_(slots.size()) {
    for (size_t i = 0; i < slots.size(); ++i) byOwner_[slots[i].owner].push_back(i);
  }

  // Claims and returns every slot whose child is `element`.
  std::vector<size_t> claim(Accessibility& ax, ProcessID owner, const AXRef& element) {
    std::vector<size_t> found;
    const auto bucket = byOwner_.find(owner);
    if (bucket == byOwner_.end()) return found;
    for (size_t i : bucket->second) {
      if (!claimed_[i] && ax.equal(slots_[i].child, element)) {
        claimed_[i] = true;
        found.push_back(i);
      }
    }
    return found;
  }
  bool claimed(size_t i) const { return claimed_[i]; }

 private:
  const std::vector<Slot>& slots_;
  std::vector<bool> claimed_;
  std::unordered_map<ProcessID, std::vector<size_t>> byOwner_;
};

ExtraItemRef itemFor(const AXRef& element, const Context::App& app, const Placement& placement) {
  std::string label = MenuBarScanner::label(element, app.name);
  return std::make_shared<const ExtraItem>(std::move(label), app.icon, element, placement.frame,
                                           placement.occluded, app.name.value_or(""));
}

}  // namespace

std::vector<Slot> readSlots(ProcessID agent, const Context& context) {
  Accessibility& ax = *platform().accessibility;
  std::vector<Slot> slots;
  const AXRef appElement = ax.createApplication(agent);
  if (!appElement) return slots;
  ax.setMessagingTimeout(appElement, MenuBarScanner::kScanTimeout);
  for (const AXRef& window : elementsOf(ax, axCopy(appElement, "AXWindows"))) {
    for (const AXRef& slot : elementsOf(ax, axCopy(window, "AXChildren"))) {
      if (std::optional<Slot> read = readSlot(ax, slot)) slots.push_back(std::move(*read));
    }
  }
  markOverflow(slots, context);
  return slots;
}

ExtraItems scan(const Context& context) {
  Accessibility& ax = *platform().accessibility;
  const ProcessID agentPid = context.agent.value_or(0);
  const std::vector<Slot> slots = readSlots(agentPid, context);
  SlotIndex index(slots);
  ExtraItems result;
  std::unordered_map<ProcessID, const Context::App*> listed;
  for (const Context::App& app : context.apps) {
    if (app.pid == agentPid) continue;  // its own extras cannot be pressed
    listed.emplace(app.pid, &app);
    for (const AXRef& child : readExtrasBarChildren(app.pid)) {
      if (!isElement(ax, child)) continue;
      // No slot: the item is not drawn anywhere.
      result.push_back(
          itemFor(child, app, bestOf(index.claim(ax, app.pid, child), slots, context)));
    }
  }
  // A slot whose child no app listed in its own bar is the only element of that extra.
  for (size_t i = 0; i < slots.size(); ++i) {
    if (index.claimed(i)) continue;
    const auto owner = listed.find(slots[i].owner);
    if (owner == listed.end()) continue;  // the agent's, this program's or an unknown process's
    const std::vector<size_t> shown = index.claim(ax, slots[i].owner, slots[i].child);
    result.push_back(itemFor(slots[i].child, *owner->second, bestOf(shown, slots, context)));
  }
  return result;
}

}  // namespace strandel::agent
