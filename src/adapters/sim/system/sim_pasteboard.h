#pragma once

#include <functional>
#include <string>

#include "ports/pasteboard.h"
#include "ports/process_info.h"

namespace strandel::sim {

// The simulated Mac's general pasteboard: one text at a time, and an observer told of every
// write (the transcript, the interactive view).
class SimPasteboard final : public Pasteboard {
 public:
  using Observer = std::function<void(const std::string& text, const std::string& type)>;
  explicit SimPasteboard(Observer observer = {}) : observer_(std::move(observer)) {}

  long clearContents() override;
  bool setString(const std::string& text, const std::string& type) override;

  const std::string& text() const { return text_; }
  const std::string& type() const { return type_; }
  long changeCount() const { return changeCount_; }

 private:
  Observer observer_;
  std::string text_;
  std::string type_;
  long changeCount_ = 0;
};

// The system's version as a scene gives it; `onAsked` hears of every question, from
// whichever thread asks.
class SimProcessInfo final : public ProcessInfo {
 public:
  SimProcessInfo(OperatingSystemVersion version, std::string description,
                 std::function<void()> onAsked = {})
      : version_(version), description_(std::move(description)), onAsked_(std::move(onAsked)) {}

  OperatingSystemVersion operatingSystemVersion() override {
    if (onAsked_) onAsked_();
    return version_;
  }
  std::string operatingSystemVersionString() override { return description_; }

 private:
  OperatingSystemVersion version_;
  std::string description_;
  std::function<void()> onAsked_;
};

}  // namespace strandel::sim
