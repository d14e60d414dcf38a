#include "adapters/sim/net/curl_http_session.h"

#include <curl/curl.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace strandel::sim {

namespace {

constexpr long kDefaultTimeoutMs = 60'000;
constexpr long kLongestTimeoutMs = 24L * 60 * 60 * 1000;
constexpr long kMaxRedirects = 5;
// How long the worker waits at most between checks while transfers run; wake-ups cut it short.
constexpr int kIdlePollMs = 1000;

long timeoutMilliseconds(double seconds) {
  if (!std::isfinite(seconds) || !(seconds > 0)) return kDefaultTimeoutMs;
  double ms = std::ceil(seconds * 1000.0);
  return static_cast<long>(std::min(ms, static_cast<double>(kLongestTimeoutMs)));
}

void callSafely(const DataTaskCompletion& completion, std::optional<Bytes> body,
                std::optional<PlatformError> error) {
  if (!completion) return;
  try {
    completion(std::move(body), std::move(error));
  } catch (...) {
    // A throwing completion must not take the session's thread down with it.
  }
}

}  // namespace

struct CurlHTTPSession::State {
  struct Pending {
    URLRequest request;
    DataTaskCompletion completion;
  };

  struct Transfer {
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    DataTaskCompletion completion;
    Bytes body;
    size_t maxBodyBytes = 0;
    bool tooLarge = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    ~Transfer() {
      if (easy) curl_easy_cleanup(easy);
      if (headers) curl_slist_free_all(headers);
    }
  };

  explicit State(Options opts) : options(std::move(opts)), multi(curl_multi_init()) {}
  ~State() {
    if (multi) curl_multi_cleanup(multi);
  }

  const Options options;
  CURLM* const multi;

  std::mutex mutex;  // guards `pending` and `stopping`
  std::deque<Pending> pending;
  bool stopping = false;
  std::condition_variable changed;  // waited on while no transfer is in flight

  // Worker thread only.
  std::vector<std::unique_ptr<Transfer>> active;

  static size_t onData(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    size_t length = size * count;
    if (length > transfer->maxBodyBytes - transfer->body.size()) {
      transfer->tooLarge = true;
      return 0;  // anything but `length` ends the transfer
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(data);
    transfer->body.insert(transfer->body.end(), bytes, bytes + length);
    return length;
  }

  void start(Pending job) {
    auto transfer = std::make_unique<Transfer>();
    transfer->completion = std::move(job.completion);
    transfer->maxBodyBytes = options.maxBodyBytes;
    transfer->easy = curl_easy_init();
    if (!transfer->easy || !multi) {
      callSafely(transfer->completion, std::nullopt,
                 PlatformError{"The request could not be started."});
      return;
    }
    CURL* easy = transfer->easy;
    const URLRequest& request = job.request;
    curl_easy_setopt(easy, CURLOPT_URL, request.url.absoluteString.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    long timeout = timeoutMilliseconds(request.timeoutInterval);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Strandel");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &State::onData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(options.maxBodyBytes));
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorBuffer);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
    if (options.trustedCertificateFile) {
      curl_easy_setopt(easy, CURLOPT_CAINFO, options.trustedCertificateFile->c_str());
      curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    }
    if (request.method == "GET") {
      curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (request.method == "HEAD") {
      curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
      curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }
    if (request.cachePolicy == CachePolicy::reloadIgnoringLocalAndRemoteCacheData) {
      transfer->headers = curl_slist_append(transfer->headers, "Cache-Control: no-cache");
      if (transfer->headers) {
        curl_slist* both = curl_slist_append(transfer->headers, "Pragma: no-cache");
        if (both) transfer->headers = both;
      }
      curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headers);
    }
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
      callSafely(transfer->completion, std::nullopt,
                 PlatformError{"The request could not be started."});
      return;
    }
    active.push_back(std::move(transfer));
  }

  std::unique_ptr<Transfer> takeActive(CURL* easy) {
    auto it = std::find_if(active.begin(), active.end(),
                           [easy](const auto& transfer) { return transfer->easy == easy; });
    if (it == active.end()) return nullptr;
    std::unique_ptr<Transfer> transfer = std::move(*it);
    active.erase(it);
    curl_multi_remove_handle(multi, easy);
    return transfer;
  }

  void finishDone() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      CURLcode result = message->data.result;
      std::unique_ptr<Transfer> transfer = takeActive(message->easy_handle);
      if (!transfer) continue;
      if (result == CURLE_OK) {
        callSafely(transfer->completion, std::move(transfer->body), std::nullopt);
      } else if (transfer->tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
        callSafely(transfer->completion, std::nullopt,
                   PlatformError{"The response is larger than " +
                                 std::to_string(options.maxBodyBytes) + " bytes."});
      } else {
        std::string description = transfer->errorBuffer[0] != '\0'
                                      ? std::string(transfer->errorBuffer)
                                      : std::string(curl_easy_strerror(result));
        callSafely(transfer->completion, std::nullopt, PlatformError{description});
      }
    }
  }

  void cancelAll(std::deque<Pending>& notStarted) {
    const PlatformError cancelled{"The request was cancelled."};
    while (!active.empty()) {
      std::unique_ptr<Transfer> transfer = takeActive(active.back()->easy);
      if (transfer) callSafely(transfer->completion, std::nullopt, cancelled);
    }
    for (Pending& job : notStarted) callSafely(job.completion, std::nullopt, cancelled);
    notStarted.clear();
  }

  static void run(const std::shared_ptr<State>& self) {
    for (;;) {
      std::deque<Pending> incoming;
      bool stop = false;
      {
        std::lock_guard<std::mutex> lock(self->mutex);
        incoming.swap(self->pending);
        stop = self->stopping;
      }
      if (stop) {
        self->cancelAll(incoming);
        // Tasks handed in by the completions just called.
        std::lock_guard<std::mutex> lock(self->mutex);
        incoming.swap(self->pending);
        if (incoming.empty()) return;
        continue;
      }
      for (Pending& job : incoming) self->start(std::move(job));
      if (!self->multi) {
        std::unique_lock<std::mutex> lock(self->mutex);
        self->changed.wait(lock, [&] { return self->stopping || !self->pending.empty(); });
        continue;
      }
      int running = 0;
      curl_multi_perform(self->multi, &running);
      self->finishDone();
      if (running == 0) {
        // Nothing in flight: sleep until a task or the end arrives, not on a poll timer.
        std::unique_lock<std::mutex> lock(self->mutex);
        self->changed.wait(lock, [&] { return self->stopping || !self->pending.empty(); });
        continue;
      }
      curl_multi_poll(self->multi, nullptr, 0, kIdlePollMs, nullptr);
    }
  }
};

CurlHTTPSession::CurlHTTPSession() : CurlHTTPSession(Options{}) {}

CurlHTTPSession::CurlHTTPSession(Options options) {
  static std::once_flag globalInit;
  std::call_once(globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  state_ = std::make_shared<State>(std::move(options));
  worker_ = std::thread([state = state_] { State::run(state); });
}

CurlHTTPSession::~CurlHTTPSession() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopping = true;
  }
  state_->changed.notify_all();
  if (state_->multi) curl_multi_wakeup(state_->multi);
  if (worker_.get_id() == std::this_thread::get_id()) {
    // Destroyed from one of its own completions: the worker finishes on its own and keeps
    // the state alive until then.
    worker_.detach();
  } else {
    worker_.join();
  }
}

void CurlHTTPSession::dataTask(const URLRequest& request, DataTaskCompletion completion) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->pending.push_back(State::Pending{request, std::move(completion)});
  }
  state_->changed.notify_all();
  if (state_->multi) curl_multi_wakeup(state_->multi);
}

}  // namespace strandel::sim
