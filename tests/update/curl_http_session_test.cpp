#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "adapters/sim/net/curl_http_session.h"
#include "update/tls_test_server.h"

namespace strandel {
namespace {

using sim::CurlHTTPSession;
using test::RefusingPort;
using test::Route;
using test::TestCertificate;
using test::TlsTestServer;

constexpr auto kWait = std::chrono::seconds(20);

// Gathers completions from the session's thread.
class Collector {
 public:
  struct Result {
    std::optional<Bytes> body;
    std::optional<PlatformError> error;
    std::thread::id thread;
    std::string bodyText() const { return body ? std::string(body->begin(), body->end()) : ""; }
  };

  DataTaskCompletion completion() {
    return [this](std::optional<Bytes> body, std::optional<PlatformError> error) {
      std::lock_guard<std::mutex> lock(mutex_);
      results_.push_back(Result{std::move(body), std::move(error), std::this_thread::get_id()});
      changed_.notify_all();
    };
  }
  bool waitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kWait, [&] { return results_.size() >= count; });
  }
  std::vector<Result> results() {
    std::lock_guard<std::mutex> lock(mutex_);
    return results_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Result> results_;
};

URLRequest get(const std::string& url, CachePolicy policy = CachePolicy::useProtocolCachePolicy,
               double timeout = 10) {
  URLRequest request;
  request.url = URL{url};
  request.cachePolicy = policy;
  request.timeoutInterval = timeout;
  return request;
}

class CurlHTTPSessionTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new TlsTestServer(
        TestCertificate::shared(),
        {
            {"/ok", Route::ok(R"({"a":1})")},
            {"/empty", Route::ok("")},
            {"/missing", Route::withStatus(404, "Not Found", "text/html", "<html>gone</html>")},
            {"/error", Route::withStatus(500, "Internal Server Error", "text/plain", "oops")},
            {"/hang", Route::hanging()},
            {"/limit", Route::ok(std::string(1000, 'a'))},
            {"/over-limit", Route::ok(std::string(1001, 'a'))},
            {"/over-limit-streamed",
             [] {
               Route r = Route::ok(std::string(5000, 'b'));
               r.sendContentLength = false;
               return r;
             }()},
            {"/to-https",
             [] {
               Route r = Route::withStatus(302, "Found", "text/plain", "");
               r.extraHeaders.push_back("Location: /ok");
               return r;
             }()},
            {"/to-http",
             [] {
               Route r = Route::withStatus(302, "Found", "text/plain", "");
               r.extraHeaders.push_back("Location: http://127.0.0.1:9/ok");
               return r;
             }()},
        });
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  static CurlHTTPSession::Options trusting(size_t maxBody = 1024 * 1024) {
    CurlHTTPSession::Options options;
    options.trustedCertificateFile = TestCertificate::shared().certFile;
    options.maxBodyBytes = maxBody;
    return options;
  }

  static TlsTestServer* server_;
};
TlsTestServer* CurlHTTPSessionTest::server_ = nullptr;

TEST_F(CurlHTTPSessionTest, DeliversBodiesOfEveryStatusOnceOffTheCallersThread) {
  struct Case {
    std::string path;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"/ok", R"({"a":1})"},
      {"/empty", ""},
      {"/missing", "<html>gone</html>"},
      {"/error", "oops"},
      {"/to-https", R"({"a":1})"},  // redirects within https are followed
  };
  Collector collector;
  {
    CurlHTTPSession session(trusting());
    for (const auto& c : cases) session.dataTask(get(server_->url(c.path)), collector.completion());
    ASSERT_TRUE(collector.waitFor(cases.size()));
  }  // joins the worker: no completion can come later
  auto results = collector.results();
  ASSERT_EQ(results.size(), cases.size());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    bool found = false;
    for (const auto& r : results) {
      if (r.body && r.bodyText() == c.body && !r.error) found = true;
    }
    EXPECT_TRUE(found);
  }
  for (const auto& r : results) EXPECT_NE(r.thread, std::this_thread::get_id());
}

TEST_F(CurlHTTPSessionTest, SendsNoCacheHeadersOnlyWhenCachesMustBeIgnored) {
  Collector collector;
  CurlHTTPSession session(trusting());
  session.dataTask(
      get(server_->url("/ok?ignore"), CachePolicy::reloadIgnoringLocalAndRemoteCacheData),
      collector.completion());
  ASSERT_TRUE(collector.waitFor(1));
  session.dataTask(get(server_->url("/ok?default")), collector.completion());
  ASSERT_TRUE(collector.waitFor(2));

  std::optional<test::ReceivedRequest> ignoring, normal;
  for (const auto& r : server_->requests()) {
    if (r.path == "/ok?ignore") ignoring = r;
    if (r.path == "/ok?default") normal = r;
  }
  ASSERT_TRUE(ignoring && normal);
  EXPECT_EQ(ignoring->method, "GET");
  EXPECT_TRUE(ignoring->hasHeader("Cache-Control: no-cache"));
  EXPECT_TRUE(ignoring->hasHeader("Pragma: no-cache"));
  EXPECT_EQ(normal->method, "GET");
  EXPECT_FALSE(normal->hasHeader("Cache-Control: no-cache"));
  EXPECT_FALSE(normal->hasHeader("Pragma: no-cache"));
}

TEST_F(CurlHTTPSessionTest, TransportFailuresAreErrorsWithoutBody) {
  RefusingPort refusing;
  struct Case {
    std::string name;
    std::string url;
    CurlHTTPSession::Options options;
    double timeout;
    std::string inDescription = "";
  };
  const std::string refusedURL = "https://127.0.0.1:" + std::to_string(refusing.port()) + "/";
  const std::vector<Case> cases = {
      {"refused connection", refusedURL, trusting(), 10},
      {"no answer within the time-out", server_->url("/hang"), trusting(), 0.3},
      {"certificate not trusted", server_->url("/ok"), CurlHTTPSession::Options{}, 10},
      {"body over the limit, length announced", server_->url("/over-limit"), trusting(1000), 10,
       "larger than 1000 bytes"},
      {"body over the limit, streamed", server_->url("/over-limit-streamed"), trusting(1000), 10,
       "larger than 1000 bytes"},
      {"redirect to plain http", server_->url("/to-http"), trusting(), 10},
      {"a file address", "file:///etc/hostname", trusting(), 10},
      {"not a URL at all", "::::", trusting(), 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Collector collector;
    {
      CurlHTTPSession session(c.options);
      session.dataTask(get(c.url, CachePolicy::useProtocolCachePolicy, c.timeout),
                       collector.completion());
      ASSERT_TRUE(collector.waitFor(1));
    }
    auto results = collector.results();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].body);
    ASSERT_TRUE(results[0].error);
    EXPECT_FALSE(results[0].error->localizedDescription.empty());
    EXPECT_NE(results[0].error->localizedDescription.find(c.inDescription), std::string::npos);
  }
}

TEST_F(CurlHTTPSessionTest, ABodyAtTheLimitIsDelivered) {
  Collector collector;
  CurlHTTPSession session(trusting(1000));
  session.dataTask(get(server_->url("/limit")), collector.completion());
  ASSERT_TRUE(collector.waitFor(1));
  auto results = collector.results();
  ASSERT_FALSE(results[0].error);
  EXPECT_EQ(results[0].bodyText(), std::string(1000, 'a'));
}

TEST_F(CurlHTTPSessionTest, DestroyingTheSessionCancelsWhatIsRunning) {
  Collector collector;
  {
    CurlHTTPSession session(trusting());
    for (int i = 0; i < 3; ++i) {
      session.dataTask(get(server_->url("/hang"), CachePolicy::useProtocolCachePolicy, 600),
                       collector.completion());
    }
  }
  auto results = collector.results();
  ASSERT_EQ(results.size(), 3u);  // each exactly once, before the destructor returned
  for (const auto& r : results) {
    EXPECT_FALSE(r.body);
    EXPECT_TRUE(r.error);
  }
}

TEST_F(CurlHTTPSessionTest, CompletionsMayStartTransfersAndThrow) {
  std::mutex mutex;
  std::condition_variable done;
  std::vector<std::string> bodies;
  CurlHTTPSession session(trusting());
  session.dataTask(get(server_->url("/ok")), [&](std::optional<Bytes> body, auto) {
    session.dataTask(get(server_->url("/missing")), [&](std::optional<Bytes> inner, auto) {
      std::lock_guard<std::mutex> lock(mutex);
      bodies.emplace_back(inner ? std::string(inner->begin(), inner->end()) : "");
      done.notify_all();
    });
    {
      std::lock_guard<std::mutex> lock(mutex);
      bodies.emplace_back(body ? std::string(body->begin(), body->end()) : "");
    }
    throw std::runtime_error("a careless completion");
  });
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(done.wait_for(lock, kWait, [&] { return bodies.size() == 2; }));
  EXPECT_EQ(bodies, (std::vector<std::string>{R"({"a":1})", "<html>gone</html>"}));
}

TEST_F(CurlHTTPSessionTest, RunsManyTransfersAtOnce) {
  constexpr size_t kCount = 24;
  Collector collector;
  {
    CurlHTTPSession session(trusting());
    // A hanging transfer does not hold up the others.
    session.dataTask(get(server_->url("/hang"), CachePolicy::useProtocolCachePolicy, 600),
                     collector.completion());
    for (size_t i = 0; i < kCount; ++i) {
      session.dataTask(get(server_->url(i % 2 ? "/ok" : "/missing")), collector.completion());
    }
    ASSERT_TRUE(collector.waitFor(kCount));
    size_t delivered = 0;
    for (const auto& r : collector.results()) delivered += r.body ? 1 : 0;
    EXPECT_EQ(delivered, kCount);
  }
  EXPECT_EQ(collector.results().size(), kCount + 1);
}

}  // namespace
}  // namespace strandel
