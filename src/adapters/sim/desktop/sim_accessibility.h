#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "adapters/sim/desktop/ax_objects.h"
#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/loop/time_source.h"
#include "ports/accessibility.h"

namespace strandel::sim {

// The program's Accessibility interface on the simulated Mac. Requests are answered by the
// Desktop; this side adds what the system adds: the permission check, the time an
// application takes to answer, one message at a time per application, and messaging
// time-outs (the element's own, else the system-wide element's, else the system's default
// of 6 seconds). Waiting happens through the TimeSource, so under the virtual event loop a
// slow application costs virtual time only.
class SimAccessibility final : public Accessibility {
 public:
  static constexpr double kDefaultMessagingTimeout = 6.0;

  // One request the program made, for tests and the transcript.
  struct Request {
    enum class Kind {
      createApplication,
      setMessagingTimeout,
      copyAttributeValue,
      copyMultipleAttributeValues,  // name: the attributes, comma-separated
      copyActionNames,
      performAction,
    };
    Kind kind = Kind::copyAttributeValue;
    ElementKind target = ElementKind::application;
    ProcessID pid = 0;
    ExtraID extra = 0;
    std::string name;   // attribute or action
    float timeout = 0;  // setMessagingTimeout only
    AXError result = AXError::success;
  };
  using RequestObserver = std::function<void(const Request&)>;

  SimAccessibility(std::shared_ptr<Desktop> desktop, std::shared_ptr<TimeSource> time);

  bool isProcessTrusted() override;
  bool isProcessTrustedWithOptions(bool prompt) override;
  AXRef createApplication(ProcessID pid) override;
  AXRef createSystemWide() override;
  AXError setMessagingTimeout(const AXRef& element, float seconds) override;
  AXError copyAttributeValue(const AXRef& element, std::string_view attribute,
                             AXRef& value) override;
  AXError copyMultipleAttributeValues(const AXRef& element,
                                      const std::vector<std::string>& attributes,
                                      AXRef& values) override;
  AXError copyActionNames(const AXRef& element, AXRef& names) override;
  AXError performAction(const AXRef& element, std::string_view action) override;
  // Both answered in the program's own process: not requests to an application.
  AXError getPid(const AXRef& element, ProcessID& pid) override;
  bool equal(const AXRef& a, const AXRef& b) override;
  size_t hash(const AXRef& value) override;

  TypeID typeID(const AXRef& value) override;
  TypeID elementTypeID() override { return kElementTypeID; }
  TypeID valueTypeID() override { return kValueTypeID; }
  TypeID stringTypeID() override { return kStringTypeID; }
  TypeID arrayTypeID() override { return kArrayTypeID; }
  TypeID numberTypeID() override { return kNumberTypeID; }
  TypeID booleanTypeID() override { return kBooleanTypeID; }

  bool valueGetPoint(const AXRef& value, Point& point) override;
  bool valueGetSize(const AXRef& value, Size& size) override;
  std::string stringValue(const AXRef& value) override;
  std::vector<AXRef> arrayValues(const AXRef& value) override;
  bool booleanValue(const AXRef& value) override;

  // Keeping every request is for tests; it is off unless asked for, so a long-running
  // simulator does not grow. The observer sees each request either way, on the thread
  // that made it.
  void setRecordingRequests(bool on);
  std::vector<Request> requests() const;
  void clearRequests();
  void setRequestObserver(RequestObserver observer);

  Desktop& desktop() { return *desktop_; }

 private:
  // Waits as the application would, then asks `answer`; fails with cannotComplete when the
  // element's timeout runs out first.
  AXError exchange(const SimElement& element, const std::function<AXError()>& answer);
  double timeoutFor(const SimElement& element) const;
  // Records the request and answers it; a request the system would refuse outright (no
  // element, an empty name) fails with illegalArgument without reaching the application.
  AXError ask(Request request, const SimElement* target, bool argumentsValid,
              const std::function<AXError(const ElementAddress&)>& answer);
  void record(Request request);

  std::shared_ptr<Desktop> desktop_;
  std::shared_ptr<TimeSource> time_;
  mutable std::mutex mutex_;
  bool recording_ = false;
  std::vector<Request> requests_;
  RequestObserver observer_;
  // When each running process (pid, generation) has answered every message sent to it.
  std::map<std::pair<ProcessID, uint64_t>, double> busyUntil_;
  const std::shared_ptr<const SimElement> systemWide_;
};

}  // namespace strandel::sim
