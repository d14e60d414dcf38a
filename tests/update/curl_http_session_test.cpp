#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "adapters/sim/net/curl_http_session.h"
#include "update/tls_test_server.h"

namespace strandel {
namespace {

using sim::CurlHTTPSession;
using test::Route;

// Gathers completions, which come from the session's own thread: the body as text, or
// "error".
class Collector {
 public:
  DataTaskCompletion completion() {
    return [this](std::optional<Bytes> body, std::optional<PlatformError> error) {
      std::lock_guard<std::mutex> lock(mutex_);
      const bool failed = !body && error && !error->localizedDescription.empty();
      results_.push_back(
          std::string(std::this_thread::get_id() == caller_ ? "on the caller: " : "") +
          (body && !error ? std::string(body->begin(), body->end())
           : failed       ? "error"
                          : "neither body nor error"));
      changed_.notify_all();
    };
  }
  std::vector<std::string> waitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    EXPECT_TRUE(changed_.wait_for(lock, std::chrono::seconds(20),
                                  [&] { return results_.size() >= count; }));
    return results_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> results_;
  const std::thread::id caller_ = std::this_thread::get_id();
};

URLRequest get(const std::string& url, double timeout = 10,
               CachePolicy policy = CachePolicy::useProtocolCachePolicy) {
  return URLRequest{URL{url}, "GET", policy, timeout};
}

CurlHTTPSession::Options trusting() {
  CurlHTTPSession::Options options;
  options.trustedCertificateFile = test::TestCertificate::shared().certFile;
  options.maxBodyBytes = 1000;
  return options;
}

class CurlHTTPSessionTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    plain_ = new test::TlsTestServer({{"/ok", Route{.body = "plain"}}}, /*tls=*/false);
    server_ = new test::TlsTestServer({
        {"/ok", Route{.body = "fine"}},
        {"/error", Route{500, "text/plain", "oops"}},
        {"/hang", Route{.hang = true}},
        {"/limit", Route{.body = std::string(1000, 'a')}},
        {"/over-limit", Route{.body = std::string(1001, 'a')}},
        {"/limit-streamed", Route{.body = std::string(1000, 'b'), .sendContentLength = false}},
        {"/over-limit-streamed", Route{.body = std::string(1001, 'b'), .sendContentLength = false}},
        {"/to-https", Route{302, "text/plain", "", {"Location: /ok"}}},
        {"/to-http", Route{302, "text/plain", "", {"Location: " + plain_->url("/ok")}}},
    });
  }
  static void TearDownTestSuite() {
    delete server_;
    delete plain_;
  }
  static test::TlsTestServer *server_, *plain_;
};
test::TlsTestServer *CurlHTTPSessionTest::server_ = nullptr, *CurlHTTPSessionTest::plain_ = nullptr;

// HTTP error statuses are answers; transport failures are errors without a body.
TEST_F(CurlHTTPSessionTest, DeliversBodiesOfEveryStatusAndFailsEverythingElse) {
  test::RefusingPort refusing;
  struct Case {
    std::string name;
    std::string url;
    std::string result;
    double timeout = 10;
    bool trusted = true;
  };
  const std::vector<Case> cases = {
      {"a server error", server_->url("/error"), "oops"},
      {"a body at the limit", server_->url("/limit"), std::string(1000, 'a')},
      {"a streamed body at the limit", server_->url("/limit-streamed"), std::string(1000, 'b')},
      {"a redirect within https", server_->url("/to-https"), "fine"},
      {"a refused connection", refusing.url(), "error"},
      {"no answer within the time-out", server_->url("/hang"), "error", 0.3},
      {"a certificate not trusted", server_->url("/ok"), "error", 10, false},
      {"a body over the limit, length announced", server_->url("/over-limit"), "error"},
      {"a body over the limit, streamed", server_->url("/over-limit-streamed"), "error"},
      {"a redirect to plain http", server_->url("/to-http"), "error"},
      {"a file address", "file:///etc/hostname", "error"},
      {"not a URL at all", "::::", "error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Collector collector;
    CurlHTTPSession session(c.trusted ? trusting() : CurlHTTPSession::Options{});
    session.dataTask(get(c.url, c.timeout), collector.completion());
    EXPECT_EQ(collector.waitFor(1), std::vector<std::string>{c.result});
  }
}

TEST_F(CurlHTTPSessionTest, SendsNoCacheHeadersOnlyWhenCachesMustBeIgnored) {
  Collector collector;
  CurlHTTPSession session(trusting());
  session.dataTask(
      get(server_->url("/ok?ignore"), 10, CachePolicy::reloadIgnoringLocalAndRemoteCacheData),
      collector.completion());
  session.dataTask(get(server_->url("/ok?default")), collector.completion());
  collector.waitFor(2);
  size_t seen = 0;
  for (const std::string& request : server_->requests()) {
    const bool ignoring = request.starts_with("GET /ok?ignore ");
    if (!ignoring && !request.starts_with("GET /ok?default ")) continue;
    SCOPED_TRACE(request);
    ++seen;
    EXPECT_EQ(request.find("\r\nCache-Control: no-cache\r\n") != std::string::npos, ignoring);
    EXPECT_EQ(request.find("\r\nPragma: no-cache\r\n") != std::string::npos, ignoring);
  }
  EXPECT_EQ(seen, 2u);
}

TEST_F(CurlHTTPSessionTest, HangingTransfersHoldUpNothingAndEndWithTheSession) {
  constexpr size_t kCount = 24;
  Collector collector;
  {
    CurlHTTPSession session(trusting());
    for (int i = 0; i < 3; ++i) {
      session.dataTask(get(server_->url("/hang"), 600), collector.completion());
    }
    for (size_t i = 0; i < kCount; ++i) {
      session.dataTask(get(server_->url("/ok")), collector.completion());
    }
    EXPECT_EQ(collector.waitFor(kCount), std::vector<std::string>(kCount, "fine"));
  }
  std::vector<std::string> expected(kCount, "fine");
  expected.insert(expected.end(), 3, "error");
  EXPECT_EQ(collector.waitFor(0), expected);
}

}  // namespace
}  // namespace strandel
