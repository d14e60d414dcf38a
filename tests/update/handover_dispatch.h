#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "adapters/sim/loop/virtual_event_loop.h"
#include "ports/dispatch.h"

namespace strandel::test {

// The virtual loop runs on the test's thread only, but a real URL session posts to the
// main queue from its own thread. This main queue takes those posts into an inbox, and the
// test, on its own thread, waits for them and hands them to the loop in the order posted.
// Everything else goes straight to the loop.
class HandOverDispatch final : public Dispatch, private MainQueue {
 public:
  explicit HandOverDispatch(std::shared_ptr<sim::VirtualEventLoop> loop) : loop_(std::move(loop)) {}

  MainQueue& mainQueue() override { return *this; }
  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                 QualityOfService qos) override {
    return loop_->makeSerialQueue(label, qos);
  }

  // Waits until `count` blocks have been posted since the last hand-over, or `timeout`
  // passes; then hands every posted block to the loop and runs the main queue. Returns
  // whether `count` arrived in time.
  bool waitAndRun(size_t count, std::chrono::milliseconds timeout) {
    std::vector<Block> blocks;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      posted_.wait_for(lock, timeout, [&] { return inbox_.size() >= count; });
      blocks.swap(inbox_);
    }
    for (Block& block : blocks) loop_->mainQueue().async(std::move(block));
    loop_->runMain();
    return blocks.size() >= count;
  }

  // Blocks posted and not yet handed over.
  size_t waiting() {
    std::lock_guard<std::mutex> lock(mutex_);
    return inbox_.size();
  }

 private:
  void async(Block block) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      inbox_.push_back(std::move(block));
    }
    posted_.notify_all();
  }
  // Delayed blocks are only submitted from the main thread.
  void asyncAfter(double seconds, Block block) override {
    loop_->mainQueue().asyncAfter(seconds, std::move(block));
  }
  std::string label() const override { return loop_->mainQueue().label(); }

  std::shared_ptr<sim::VirtualEventLoop> loop_;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<Block> inbox_;
};

}  // namespace strandel::test
