#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ports/alert.h"

namespace strandel::sim {

// What an alert showed.
struct AlertRecord {
  std::string messageText;
  std::string informativeText;
  AlertStyle style = AlertStyle::warning;
  std::vector<std::string> buttons;
};

// Answers a shown alert with the index of the chosen button (0 for the first); runs for as
// long as the user takes.
using AlertPresenter = std::function<size_t(const AlertRecord&)>;

class SimAlert final : public Alert {
 public:
  explicit SimAlert(AlertPresenter presenter) : presenter_(std::move(presenter)) {}

  void setMessageText(const std::string& text) override { record_.messageText = text; }
  void setInformativeText(const std::string& text) override { record_.informativeText = text; }
  void setAlertStyle(AlertStyle style) override { record_.style = style; }
  void addButtonWithTitle(const std::string& title) override { record_.buttons.push_back(title); }
  long runModal() override;

 private:
  AlertPresenter presenter_;
  AlertRecord record_;
};

class SimAlerts final : public Alerts {
 public:
  explicit SimAlerts(AlertPresenter presenter) : presenter_(std::move(presenter)) {}
  std::unique_ptr<Alert> makeAlert() override { return std::make_unique<SimAlert>(presenter_); }

 private:
  AlertPresenter presenter_;
};

}  // namespace strandel::sim
