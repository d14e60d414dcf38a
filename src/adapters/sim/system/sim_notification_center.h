#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ports/dispatch.h"
#include "ports/workspace.h"

namespace strandel::sim {

// Delivers each posting to every observer of its name on the main queue, for the life of the
// centre. Posting may come from any thread only through the main queue; the centre itself
// is used on the main thread.
class SimNotificationCenter final : public NotificationCenter {
 public:
  explicit SimNotificationCenter(MainQueue& mainQueue) : mainQueue_(mainQueue) {}

  void addObserver(const std::string& name, NotificationBlock block) override {
    observers_.emplace_back(name, std::move(block));
  }

  void post(const std::string& name) {
    for (const auto& [observed, block] : observers_) {
      if (observed == name) mainQueue_.async(block);
    }
  }

  size_t observerCount(const std::string& name) const {
    size_t count = 0;
    for (const auto& observer : observers_) count += observer.first == name ? 1 : 0;
    return count;
  }

 private:
  MainQueue& mainQueue_;
  std::vector<std::pair<std::string, NotificationBlock>> observers_;
};

}  // namespace strandel::sim
