#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/sim/ui/sim_menu.h"
#include "ports/status_bar.h"

namespace strandel::sim {

class SimStatusBarButton final : public StatusBarButton {
 public:
  ImageRef image() const override { return image_; }
  void setImage(ImageRef image) override { image_ = std::move(image); }
  void setToolTip(const std::string& toolTip) override { toolTip_ = toolTip; }
  void addTrackingArea(TrackingArea area) override { trackingAreas_.push_back(std::move(area)); }
  void performClick() override {
    if (onClick) onClick();
  }
  std::optional<Rect> windowFrame() const override {
    return placement ? placement() : std::nullopt;
  }
  // What a click does: the item sets it.
  std::function<void()> onClick;
  // Where the system drew the button's window: the status bar sets it.
  std::function<std::optional<Rect>()> placement;

  const std::string& toolTip() const { return toolTip_; }
  const std::vector<TrackingArea>& trackingAreas() const { return trackingAreas_; }

 private:
  ImageRef image_;
  std::string toolTip_;
  std::vector<TrackingArea> trackingAreas_;
};

class SimStatusItem final : public StatusItem {
 public:
  SimStatusItem(double length, bool hasButton);

  void setAutosaveName(const std::string& name) override { autosaveName_ = name; }
  StatusBarButton* button() override { return button_.get(); }
  void setMenu(MenuRef menu) override { menu_ = std::move(menu); }
  bool isVisible() const override { return true; }  // the simulated person never removes it

  double length() const { return length_; }
  const std::string& autosaveName() const { return autosaveName_; }
  SimStatusBarButton* simButton() const { return button_.get(); }
  std::shared_ptr<SimMenu> menu() const { return std::dynamic_pointer_cast<SimMenu>(menu_); }

  // The pointer enters the button: every tracking area's owner hears of it. Inactive
  // areas (those without the always-active option) stay silent, since another application
  // is always the active one here.
  void hover();
  // A click opens the attached menu, or closes it when it is open; false without one.
  bool click();

 private:
  double length_;
  std::string autosaveName_;
  std::unique_ptr<SimStatusBarButton> button_;
  MenuRef menu_;
};

class SimStatusBar final : public StatusBar {
 public:
  StatusItemRef statusItemWithLength(double length) override;

  const std::vector<std::shared_ptr<SimStatusItem>>& items() const { return items_; }
  // A status bar whose items come without buttons, for the rare system that does that.
  void setItemsHaveButtons(bool haveButtons) { itemsHaveButtons_ = haveButtons; }
  // Where the desktop draws the program's item, in window coordinates; none: not drawn.
  std::function<std::optional<Rect>()> placement;

 private:
  std::vector<std::shared_ptr<SimStatusItem>> items_;
  bool itemsHaveButtons_ = true;
};

}  // namespace strandel::sim
