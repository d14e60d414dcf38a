#include "adapters/sim/simulator/update_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>

namespace strandel::sim {

namespace {

constexpr size_t kMaxRequestHead = 16 * 1024;
constexpr double kRequestReadTimeout = 5.0;

std::string reasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 304:
      return "Not Modified";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

void sendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the client went away; nothing to tell anyone
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

std::string withServerAddress(const std::string& body, const std::string& address) {
  static const std::string kPlaceholder = "{server}";
  std::string out;
  size_t from = 0;
  for (;;) {
    size_t at = body.find(kPlaceholder, from);
    if (at == std::string::npos) break;
    out.append(body, from, at - from);
    out += address;
    from = at + kPlaceholder.size();
  }
  out.append(body, from, std::string::npos);
  return out;
}

UpdateServer::UpdateServer(UpdateServerSpec definition, bool realDelays)
    : spec_(std::move(definition)), realDelays_(realDelays) {
  if (::pipe2(stopPipe_, O_CLOEXEC) != 0) {
    startError_ = std::string("cannot make a pipe: ") + std::strerror(errno);
    return;
  }
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) {
    startError_ = std::string("cannot make a socket: ") + std::strerror(errno);
    return;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t length = sizeof addr;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
    startError_ = std::string("cannot bind a loopback port: ") + std::strerror(errno);
    return;
  }
  address_ = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
  // Offline: the port stays bound without listening, so connecting to it is refused.
  if (spec_.offline) return;
  if (::listen(listener_, 16) != 0) {
    startError_ = std::string("cannot listen: ") + std::strerror(errno);
    return;
  }
  acceptor_ = std::thread([this] { acceptLoop(); });
}

UpdateServer::~UpdateServer() {
  stop();
  for (int fd : {listener_, stopPipe_[0], stopPipe_[1]}) {
    if (fd >= 0) ::close(fd);
  }
}

void UpdateServer::stop() {
  if (stopping_.exchange(true)) return;
  if (stopPipe_[1] >= 0) {
    char byte = 1;
    while (::write(stopPipe_[1], &byte, 1) < 0 && errno == EINTR) {
    }
  }
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& worker : workers) worker.join();
}

std::vector<UpdateServer::Served> UpdateServer::served() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return served_;
}

size_t UpdateServer::servedCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return served_.size();
}

UpdateServer::Wait UpdateServer::waitReadable(int fd, double seconds) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
  int timeout = seconds < 0 ? -1 : static_cast<int>(std::ceil(seconds * 1000));
  for (;;) {
    int n = ::poll(fds, 2, timeout);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || fds[1].revents != 0 || stopping_) return Wait::stopped;
    return n == 0 ? Wait::timedOut : Wait::readable;
  }
}

void UpdateServer::acceptLoop() {
  for (;;) {
    if (waitReadable(listener_, -1) != Wait::readable) return;
    int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    workers_.emplace_back([this, connection] {
      serve(connection);
      ::close(connection);
    });
  }
}

void UpdateServer::serve(int connection) {
  std::string head;
  char buffer[2048];
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (head.size() > kMaxRequestHead) return;  // not a request we answer
    // Any readable outcome (data, end of file, error) is looked at by recv.
    if (waitReadable(connection, kRequestReadTimeout) != Wait::readable) return;
    ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    head.append(buffer, static_cast<size_t>(got));
  }

  Served record;
  size_t lineEnd = head.find("\r\n");
  std::string requestLine = head.substr(0, lineEnd);
  size_t space = requestLine.find(' ');
  record.method = requestLine.substr(0, space);
  if (space != std::string::npos) {
    size_t second = requestLine.find(' ', space + 1);
    record.target = requestLine.substr(
        space + 1, second == std::string::npos ? std::string::npos : second - space - 1);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t index = std::min(served_.size(), spec_.answers.size() - 1);
    record.answer = spec_.answers[index];
    served_.push_back(record);
  }
  const ServerAnswer& answer = record.answer;

  if (realDelays_ && answer.delay > 0 && answer.kind != ServerAnswer::Kind::silence) {
    // Wait out the delay unless the server stops; whatever the client does meanwhile is
    // found out when answering.
    if (waitReadable(connection, answer.delay) == Wait::stopped) return;
  }
  switch (answer.kind) {
    case ServerAnswer::Kind::disconnect:
      return;
    case ServerAnswer::Kind::silence:
      // Hold the connection until the client gives up or the server stops.
      while (waitReadable(connection, -1) == Wait::readable) {
        ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0 && !(got < 0 && errno == EINTR)) return;
      }
      return;
    case ServerAnswer::Kind::content:
      break;
  }
  std::string body = withServerAddress(answer.body, address_);
  std::string response = "HTTP/1.1 " + std::to_string(answer.status) + " " +
                         reasonPhrase(answer.status) + "\r\nContent-Type: " + answer.contentType +
                         "\r\nContent-Length: " + std::to_string(body.size()) +
                         "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
  if (record.method != "HEAD") response += body;
  sendAll(connection, response);
  ::shutdown(connection, SHUT_WR);
}

}  // namespace strandel::sim
