#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "adapters/sim/loop/virtual_event_loop.h"
#include "ports/dispatch.h"

namespace strandel::test {

// The virtual loop runs on the test's thread only, but a real URL session posts to the
// main queue from its own thread. This main queue takes those posts into an inbox, and the
// test, on its own thread, waits for them and hands them to the loop in the order posted.
// Everything else goes straight to the loop.
class HandOverDispatch final : public Dispatch {
 public:
  explicit HandOverDispatch(std::shared_ptr<sim::VirtualEventLoop> loop)
      : loop_(std::move(loop)), main_(*this) {}

  MainQueue& mainQueue() override { return main_; }
  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                 QualityOfService qos) override {
    return loop_->makeSerialQueue(label, qos);
  }

  // Waits until `count` blocks have been posted since the last hand-over, or `timeout`
  // passes; then hands every posted block to the loop and runs the main queue. Returns
  // whether `count` arrived in time.
  bool waitAndRun(size_t count, std::chrono::milliseconds timeout) {
    std::vector<Block> blocks;
    bool arrived = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      arrived = posted_.wait_for(lock, timeout, [&] { return inbox_.size() >= count; });
      blocks.swap(inbox_);
    }
    for (Block& block : blocks) loop_->mainQueue().async(std::move(block));
    loop_->runMain();
    return arrived;
  }

  // Blocks posted and not yet handed over.
  size_t waiting() {
    std::lock_guard<std::mutex> lock(mutex_);
    return inbox_.size();
  }

 private:
  class Main final : public MainQueue {
   public:
    explicit Main(HandOverDispatch& owner) : owner_(owner) {}
    void async(Block block) override {
      {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        owner_.inbox_.push_back(std::move(block));
      }
      owner_.posted_.notify_all();
    }
    std::string label() const override { return owner_.loop_->mainQueue().label(); }
    // Delayed blocks are only submitted from the main thread.
    void asyncAfter(double seconds, Block block) override {
      owner_.loop_->mainQueue().asyncAfter(seconds, std::move(block));
    }

   private:
    HandOverDispatch& owner_;
  };

  std::shared_ptr<sim::VirtualEventLoop> loop_;
  Main main_;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<Block> inbox_;
};

}  // namespace strandel::test
