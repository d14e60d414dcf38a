#include "adapters/sim/simulator/update_server.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <thread>

#include "adapters/sim/net/curl_http_session.h"

namespace strandel::sim {
namespace {

// The body, or "failed" for a transport failure.
std::string fetch(const std::string& url, double timeout = 5) {
  std::promise<std::string> done;
  URLRequest request{URL{url}};
  request.timeoutInterval = timeout;
  CurlHTTPSession session;
  session.dataTask(request, [&done](std::optional<Bytes> body, std::optional<PlatformError> error) {
    done.set_value(error ? "failed" : std::string(body->begin(), body->end()));
  });
  return done.get_future().get();
}

using Kind = ServerAnswer::Kind;

UpdateServerSpec online(std::vector<ServerAnswer> answers) {
  return {false, std::move(answers)};
}

TEST(UpdateServerTest, AnswersInTurnAndRepeatsTheLastAnswer) {
  UpdateServer server(online({{Kind::content, 200, R"({"downloadUrl": "{server}/d"})"},
                              {Kind::content, 404, "gone"}}),
                      /*realDelays=*/false);
  ASSERT_EQ(server.startError(), "");
  std::string url = server.address() + "/Harrowlark/strandel/version.json";
  EXPECT_EQ(fetch(url), R"({"downloadUrl": ")" + server.address() + R"(/d"})");
  EXPECT_EQ(fetch(url), "gone");  // an error status is an answer, not a transport failure
  EXPECT_EQ(fetch(server.address() + "/other?x=1"), "gone");
  auto served = server.served();
  ASSERT_EQ(served.size(), 3u);
  EXPECT_EQ(served[0].method, "GET");
  EXPECT_EQ(served[0].target, "/Harrowlark/strandel/version.json");
  EXPECT_EQ(served[1].answer.status, 404);
  EXPECT_EQ(withServerAddress("{server}/a {server}/b {serve}", "http://h:1"),
            "http://h:1/a http://h:1/b {serve}");
}

TEST(UpdateServerTest, DisconnectSilenceAndOfflineAreTransportFailures) {
  UpdateServer server(online({{Kind::disconnect, 0, ""}, {Kind::silence, 0, ""}}), false);
  EXPECT_EQ(fetch(server.address() + "/a"), "failed");
  EXPECT_EQ(fetch(server.address() + "/b", /*timeout=*/0.3), "failed");
  EXPECT_EQ(server.servedCount(), 2u);
  UpdateServer offline(UpdateServerSpec{}, false);
  EXPECT_EQ(fetch(offline.address() + "/a"), "failed");
  EXPECT_EQ(offline.servedCount(), 0u);

  // Stopping the server ends a connection it holds in silence.
  auto silent = std::make_unique<UpdateServer>(online({{Kind::silence, 0, ""}}), false);
  std::string address = silent->address();
  auto pending = std::async(std::launch::async, [address] { return fetch(address, 30); });
  while (silent->servedCount() == 0) std::this_thread::yield();
  silent.reset();
  EXPECT_EQ(pending.get(), "failed");
}

}  // namespace
}  // namespace strandel::sim
