#include "adapters/sim/simulator/virtual_http_session.h"

#include "adapters/sim/simulator/transcript.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace strandel::sim {

namespace {

// Filled in on the session's thread, read on the caller's.
struct Transfer {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::optional<Bytes> body;
  std::optional<PlatformError> error;
};

// How long to wait for a real transfer beyond its own time-out before calling it failed.
constexpr double kTransferGrace = 10.0;

}  // namespace

double effectiveTimeout(double timeoutInterval) {
  if (std::isnan(timeoutInterval) || timeoutInterval <= 0) return 60;
  return timeoutInterval;
}

VirtualHTTPSession::VirtualHTTPSession(std::shared_ptr<HTTPSession> real, MainQueue& mainQueue,
                                       std::shared_ptr<DispatchQueue> background,
                                       std::shared_ptr<const UpdateServer> server,
                                       Observer observer)
    : real_(std::move(real)),
      mainQueue_(mainQueue),
      background_(std::move(background)),
      server_(std::move(server)),
      observer_(std::move(observer)) {}

void VirtualHTTPSession::dataTask(const URLRequest& request, DataTaskCompletion completion) {
  Outcome outcome;
  outcome.request = request;
  size_t servedBefore = server_ ? server_->servedCount() : 0;

  URLRequest realRequest = request;
  double virtualTimeout = effectiveTimeout(request.timeoutInterval);
  realRequest.timeoutInterval = std::min(virtualTimeout, kRealTimeoutCap);

  auto transfer = std::make_shared<Transfer>();
  real_->dataTask(realRequest,
                  [transfer](std::optional<Bytes> body, std::optional<PlatformError> error) {
                    std::lock_guard<std::mutex> lock(transfer->mutex);
                    transfer->body = std::move(body);
                    transfer->error = std::move(error);
                    transfer->finished = true;
                    transfer->done.notify_all();
                  });
  std::optional<Bytes> body;
  std::optional<PlatformError> error;
  {
    std::unique_lock<std::mutex> lock(transfer->mutex);
    auto limit = std::chrono::duration<double>(realRequest.timeoutInterval + kTransferGrace);
    if (transfer->done.wait_for(lock, limit, [&] { return transfer->finished; })) {
      body = transfer->body;
      error = transfer->error;
    } else {
      error = PlatformError{"The request did not finish."};
    }
  }

  if (server_) {
    auto served = server_->served();
    if (served.size() > servedBefore) outcome.served = served[servedBefore];
  }
  if (outcome.served) {
    const ServerAnswer& answer = outcome.served->answer;
    outcome.delay = answer.kind == ServerAnswer::Kind::silence ? virtualTimeout : answer.delay;
    // An answer that would come after the request's time-out is never seen.
    if (outcome.delay >= virtualTimeout) {
      outcome.delay = virtualTimeout;
      outcome.timedOut = true;
      body.reset();
      error = PlatformError{"The request timed out."};
    }
  }
  outcome.failed = error.has_value();
  outcome.hasBody = body.has_value();
  outcome.bodyBytes = body ? body->size() : 0;

  auto background = background_;
  auto observer = observer_;
  mainQueue_.asyncAfter(outcome.delay, [=, completion = std::move(completion)] {
    if (observer) observer(outcome);
    background->async([=] { completion(body, error); });
  });
}

std::string describeOutcome(const VirtualHTTPSession::Outcome& outcome) {
  std::string out = outcome.request.method + " " + outcome.request.url.absoluteString + " -> ";
  if (!outcome.failed) {
    // The size of a body is left out: it holds the server's address, whose port varies.
    out += outcome.served ? "status " + std::to_string(outcome.served->answer.status) : "answered";
    if (outcome.bodyBytes == 0) out += ", empty body";
    return out;
  }
  if (!outcome.served) return out + "failed: connection refused";
  if (outcome.timedOut) {
    return out + "failed: no answer within " +
           formatNumber(effectiveTimeout(outcome.request.timeoutInterval)) + " s";
  }
  switch (outcome.served->answer.kind) {
    case ServerAnswer::Kind::silence:
      break;
    case ServerAnswer::Kind::disconnect:
      return out + "failed: the connection closed without an answer";
    case ServerAnswer::Kind::content:
      break;
  }
  return out + "failed";
}

}  // namespace strandel::sim
