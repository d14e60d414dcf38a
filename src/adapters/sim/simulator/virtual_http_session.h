#pragma once

#include <functional>
#include <memory>
#include <string>

#include "adapters/sim/simulator/update_server.h"
#include "ports/dispatch.h"
#include "ports/http.h"

namespace strandel::sim {

// Real HTTP transfers seen on virtual time. Each transfer runs to its end on the real
// network at once, while virtual time stands still (on loopback that takes milliseconds);
// its completion is then handed to `background` (a serial queue of the virtual loop, which
// stands for the session's own thread) at the moment the scene says the answer arrives:
// the answer's delay, at once when nothing listens, or with a time-out error when the
// request's time-out passes first (always, for a server that stays silent). Transfers so run one
// after another, so the server sees requests in the order the program made them and the outcome
// never depends on real timing.
class VirtualHTTPSession final : public HTTPSession {
 public:
  struct Outcome {
    URLRequest request;
    bool hasBody = false;
    size_t bodyBytes = 0;
    bool failed = false;
    std::optional<UpdateServer::Served> served;  // what the scene's server answered, if it did
    bool timedOut = false;                       // the time-out passed before the answer came
    double delay = 0;                            // virtual seconds from request to completion
  };
  using Observer = std::function<void(const Outcome&)>;

  // A silent server is given up on after this much real time; the program still sees its
  // own time-out pass on the virtual clock.
  static constexpr double kRealTimeoutCap = 1.0;

  VirtualHTTPSession(std::shared_ptr<HTTPSession> real, MainQueue& mainQueue,
                     std::shared_ptr<DispatchQueue> background,
                     std::shared_ptr<const UpdateServer> server, Observer observer);

  void dataTask(const URLRequest& request, DataTaskCompletion completion) override;

 private:
  std::shared_ptr<HTTPSession> real_;
  MainQueue& mainQueue_;
  std::shared_ptr<DispatchQueue> background_;
  std::shared_ptr<const UpdateServer> server_;
  Observer observer_;
};

// The request time-out as a transfer applies it: 60 s for none, zero, negative or NaN.
double effectiveTimeout(double timeoutInterval);

// "GET <url> -> status 200" and the like, for the transcript.
std::string describeOutcome(const VirtualHTTPSession::Outcome& outcome);

}  // namespace strandel::sim
