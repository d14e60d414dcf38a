#import "adapters/macos/dispatch.h"

#import <Foundation/Foundation.h>
#include <dispatch/dispatch.h>

namespace strandel::mac {

int64_t delayNanoseconds(double seconds) {
  if (!(seconds > 0)) return 0;
  const double nanosecondsPerSecond = static_cast<double>(NSEC_PER_SEC);
  const double longest = static_cast<double>(kLongestDelay) * nanosecondsPerSecond;
  const double nanoseconds = seconds * nanosecondsPerSecond;
  return static_cast<int64_t>(nanoseconds < longest ? nanoseconds : longest);
}

namespace {

dispatch_qos_class_t toQOSClass(QualityOfService qos) {
  switch (qos) {
    case QualityOfService::unspecified:
      return QOS_CLASS_UNSPECIFIED;
    case QualityOfService::background:
      return QOS_CLASS_BACKGROUND;
    case QualityOfService::utility:
      return QOS_CLASS_UTILITY;
    case QualityOfService::userInitiated:
      return QOS_CLASS_USER_INITIATED;
    case QualityOfService::userInteractive:
      return QOS_CLASS_USER_INTERACTIVE;
  }
  return QOS_CLASS_UNSPECIFIED;
}

class MacQueue : public DispatchQueue {
 public:
  explicit MacQueue(dispatch_queue_t queue) : queue_(queue) {}

  void async(Block block) override {
    dispatch_async(queue_, ^{
      block();
    });
  }
  std::string label() const override {
    const char* label = dispatch_queue_get_label(queue_);
    return label == nullptr ? std::string() : std::string(label);
  }

 protected:
  dispatch_queue_t queue_;
};

class MacMainQueue final : public MainQueue {
 public:
  void async(Block block) override {
    dispatch_async(dispatch_get_main_queue(), ^{
      block();
    });
  }
  std::string label() const override { return dispatch_queue_get_label(dispatch_get_main_queue()); }
  void asyncAfter(double seconds, Block block) override {
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, delayNanoseconds(seconds)),
                   dispatch_get_main_queue(), ^{
                     block();
                   });
  }
};

class MacDispatch final : public Dispatch {
 public:
  MainQueue& mainQueue() override { return main_; }

  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                 QualityOfService qos) override {
    dispatch_queue_attr_t attributes =
        dispatch_queue_attr_make_with_qos_class(DISPATCH_QUEUE_SERIAL, toQOSClass(qos), 0);
    return std::make_shared<MacQueue>(dispatch_queue_create(label.c_str(), attributes));
  }

 private:
  MacMainQueue main_;
};

}  // namespace

std::shared_ptr<Dispatch> makeDispatch() {
  return std::make_shared<MacDispatch>();
}

}  // namespace strandel::mac
