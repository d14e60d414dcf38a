#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "adapters/sim/simulator/scene.h"

namespace strandel::sim {

// A small HTTP server on the loopback interface that answers what the scene says: the n-th
// request gets the n-th answer, the last one repeats. "{server}" in a body becomes the
// server's own address, so a manifest can point its download at it. An offline server
// holds a port on which nothing listens, so connections are refused.
//
// Each connection is served on a thread of its own; stopping (or destroying) the server
// ends silent answers and joins every thread.
class UpdateServer {
 public:
  struct Served {
    std::string method;
    std::string target;  // the request's path and query
    ServerAnswer answer;
  };

  // `realDelays`: wait each answer's delay before answering (the interactive mode); in
  // scripts the delay is virtual and the answer comes at once.
  UpdateServer(UpdateServerSpec definition, bool realDelays);
  ~UpdateServer();
  UpdateServer(const UpdateServer&) = delete;
  UpdateServer& operator=(const UpdateServer&) = delete;

  // "http://127.0.0.1:<port>"; empty when no port could be had.
  const std::string& address() const { return address_; }
  bool offline() const { return spec_.offline; }
  // Requests answered (or being answered) so far, in the order they arrived.
  std::vector<Served> served() const;
  size_t servedCount() const;
  // Any failure to start, for the program's message.
  const std::string& startError() const { return startError_; }

  void stop();

 private:
  void acceptLoop();
  void serve(int connection);
  enum class Wait { readable, timedOut, stopped };
  // Waits at most `seconds` (forever when negative) for `fd` to be readable.
  Wait waitReadable(int fd, double seconds);

  UpdateServerSpec spec_;
  bool realDelays_;
  int listener_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::string address_;
  std::string startError_;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::vector<Served> served_;
};

// The body with "{server}" replaced by `address`.
std::string withServerAddress(const std::string& body, const std::string& address);

}  // namespace strandel::sim
