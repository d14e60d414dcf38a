#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ports/geometry.h"
#include "ports/image.h"
#include "ports/menu.h"

namespace strandel {

// Told when the pointer enters a tracked area.
class TrackingOwner {
 public:
  virtual ~TrackingOwner() = default;
  virtual void mouseEntered() = 0;
};

enum TrackingAreaOptions : unsigned {
  kTrackingMouseEnteredAndExited = 0x01,
  kTrackingActiveAlways = 0x80,
  kTrackingInVisibleRect = 0x200,
};

struct TrackingArea {
  Rect rect;
  unsigned options = 0;
  std::weak_ptr<TrackingOwner> owner;
};

class StatusBarButton {
 public:
  virtual ~StatusBarButton() = default;
  virtual ImageRef image() const = 0;
  virtual void setImage(ImageRef image) = 0;
  virtual void setToolTip(const std::string& toolTip) = 0;
  virtual void addTrackingArea(TrackingArea area) = 0;
  // performClick: exactly what a click on the button does (opens the item's menu).
  virtual void performClick() = 0;
  // button.window.frame: where the system put the item, in window coordinates (origin at the
  // bottom left of the first screen, y upwards); none while the button has no window.
  virtual std::optional<Rect> windowFrame() const = 0;
};

class StatusItem {
 public:
  virtual ~StatusItem() = default;
  virtual void setAutosaveName(const std::string& name) = 0;
  // None for an item without a button.
  virtual StatusBarButton* button() = 0;
  virtual void setMenu(MenuRef menu) = 0;
  // isVisible: false once the person has taken the item out of the menu bar.
  virtual bool isVisible() const = 0;
};
using StatusItemRef = std::shared_ptr<StatusItem>;

inline constexpr double kVariableStatusItemLength = -1;

class StatusBar {
 public:
  virtual ~StatusBar() = default;
  virtual StatusItemRef statusItemWithLength(double length) = 0;
};

}  // namespace strandel
