#include "adapters/sim/simulator/update_server.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <thread>

#include "adapters/sim/net/curl_http_session.h"

namespace strandel::sim {
namespace {

struct Fetched {
  std::optional<std::string> body;
  bool failed = false;
};

Fetched fetch(HTTPSession& session, const std::string& url, double timeout = 5) {
  std::promise<Fetched> done;
  URLRequest request{URL{url}};
  request.timeoutInterval = timeout;
  session.dataTask(request, [&done](std::optional<Bytes> body, std::optional<PlatformError> error) {
    Fetched fetched;
    if (body) fetched.body = std::string(body->begin(), body->end());
    fetched.failed = error.has_value();
    done.set_value(fetched);
  });
  return done.get_future().get();
}

ServerAnswer content(int status, std::string body) {
  ServerAnswer answer;
  answer.status = status;
  answer.body = std::move(body);
  return answer;
}

TEST(UpdateServerTest, AnswersInTurnAndRepeatsTheLastAnswer) {
  UpdateServerSpec spec;
  spec.offline = false;
  spec.answers = {content(200, R"({"downloadUrl": "{server}/d"})"), content(404, "gone")};
  UpdateServer server(spec, /*realDelays=*/false);
  ASSERT_EQ(server.startError(), "");
  CurlHTTPSession session;

  std::string url = server.address() + "/Harrowlark/strandel/version.json";
  Fetched first = fetch(session, url);
  ASSERT_TRUE(first.body);
  EXPECT_EQ(*first.body, R"({"downloadUrl": ")" + server.address() + R"(/d"})");
  // An error status is an answer with a body, not a transport failure.
  Fetched second = fetch(session, url);
  EXPECT_FALSE(second.failed);
  EXPECT_EQ(second.body, "gone");
  Fetched third = fetch(session, server.address() + "/other?x=1");
  EXPECT_EQ(third.body, "gone");

  auto served = server.served();
  ASSERT_EQ(served.size(), 3u);
  EXPECT_EQ(served[0].method, "GET");
  EXPECT_EQ(served[0].target, "/Harrowlark/strandel/version.json");
  EXPECT_EQ(served[1].answer.status, 404);
  EXPECT_EQ(served[2].target, "/other?x=1");
}

TEST(UpdateServerTest, DisconnectSilenceAndOfflineAreTransportFailures) {
  UpdateServerSpec spec;
  spec.offline = false;
  ServerAnswer disconnect, silence;
  disconnect.kind = ServerAnswer::Kind::disconnect;
  silence.kind = ServerAnswer::Kind::silence;
  spec.answers = {disconnect, silence};
  UpdateServer server(spec, false);
  CurlHTTPSession session;
  EXPECT_TRUE(fetch(session, server.address() + "/a").failed);
  EXPECT_TRUE(fetch(session, server.address() + "/b", /*timeout=*/0.3).failed);
  EXPECT_EQ(server.servedCount(), 2u);

  UpdateServer offline(UpdateServerSpec{}, false);
  ASSERT_FALSE(offline.address().empty());
  EXPECT_TRUE(fetch(session, offline.address() + "/a").failed);
  EXPECT_EQ(offline.servedCount(), 0u);
}

TEST(UpdateServerTest, StoppingEndsASilentAnswer) {
  UpdateServerSpec spec;
  spec.offline = false;
  ServerAnswer silence;
  silence.kind = ServerAnswer::Kind::silence;
  spec.answers = {silence};
  auto server = std::make_unique<UpdateServer>(spec, false);
  CurlHTTPSession session;
  std::promise<bool> done;
  URLRequest request{URL{server->address() + "/a"}};
  request.timeoutInterval = 30;
  session.dataTask(request, [&done](std::optional<Bytes>, std::optional<PlatformError> error) {
    done.set_value(error.has_value());
  });
  while (server->servedCount() == 0) std::this_thread::yield();
  server.reset();  // closes the held connection; the client sees it end
  EXPECT_TRUE(done.get_future().get());
}

TEST(UpdateServerTest, ThePlaceholderIsReplacedEverywhere) {
  EXPECT_EQ(withServerAddress("{server}/a {server}/b {serve}", "http://h:1"),
            "http://h:1/a http://h:1/b {serve}");
  EXPECT_EQ(withServerAddress("", "x"), "");
}

}  // namespace
}  // namespace strandel::sim
