#pragma once

#include <functional>
#include <memory>
#include <string>

namespace strandel {

using Block = std::function<void()>;

enum class QualityOfService { unspecified, background, utility, userInitiated, userInteractive };

// A queue whose blocks run one at a time, in the order given.
class DispatchQueue {
 public:
  virtual ~DispatchQueue() = default;
  virtual void async(Block block) = 0;
  virtual std::string label() const = 0;
};

// The main queue: its blocks run on the main thread between the event loop's other work.
class MainQueue : public DispatchQueue {
 public:
  // Runs the block on the main thread once `seconds` have passed.
  virtual void asyncAfter(double seconds, Block block) = 0;
};

class Dispatch {
 public:
  virtual ~Dispatch() = default;
  virtual MainQueue& mainQueue() = 0;
  // A new serial queue with the given label and quality of service; it lives as long as
  // someone holds it.
  virtual std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                         QualityOfService qos) = 0;
};

}  // namespace strandel
