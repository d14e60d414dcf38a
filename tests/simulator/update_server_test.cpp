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

// Answers in turn, {server} in a body and a status that is no success are in the update_checks
// transcript, no server at all in update_offline; not the last answer repeated, nor a stop
// ending a silence.
TEST(UpdateServerTest, RepeatsTheLastAnswerAndStoppingEndsASilence) {
  UpdateServer server(online({{Kind::disconnect, 0, ""}, {Kind::content, 404, "gone"}}), false);
  EXPECT_EQ(fetch(server.address() + "/a"), "failed");
  EXPECT_EQ(fetch(server.address() + "/b"), "gone");
  EXPECT_EQ(fetch(server.address() + "/c"), "gone");  // the last answer, again
  EXPECT_EQ(server.servedCount(), 3u);

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
