#pragma once

#include <memory>
#include <string>

namespace strandel {

enum class AlertStyle : int { warning = 0, informational = 1, critical = 2 };

inline constexpr long kAlertFirstButtonReturn = 1000;

// A modal alert; the first added button answers 1000, the next 1001.
class Alert {
 public:
  virtual ~Alert() = default;
  virtual void setMessageText(const std::string& text) = 0;
  virtual void setInformativeText(const std::string& text) = 0;
  virtual void setAlertStyle(AlertStyle style) = 0;
  virtual void addButtonWithTitle(const std::string& title) = 0;
  // Returns when the user answers.
  virtual long runModal() = 0;
};

class Alerts {
 public:
  virtual ~Alerts() = default;
  virtual std::unique_ptr<Alert> makeAlert() = 0;
};

}  // namespace strandel
