#pragma once

// A small HTTPS server on loopback for the update tests, with a self-signed certificate that
// the openssl command line makes at test time. It serves canned answers by path, one
// connection at a time, and stops when destroyed. Every socket
// operation has a time limit, so nothing it does can hang a test.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace strandel::test {

// A self-signed certificate for 127.0.0.1 and its key beside it ("key.pem"), made once for
// the whole test program.
inline const std::filesystem::path& certificateFile() {
  static const sim::test::TempDir dir;
  static const std::filesystem::path file = [] {
    const std::string command =
        "cd '" + dir.path().string() +
        "' && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
        " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout key.pem -out cert.pem"
        " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("no certificate made");
    return dir.path() / "cert.pem";
  }();
  return file;
}

// What the server does for one path.
struct Route {
  int status = 200;
  std::string contentType = "application/json";
  std::string body = {};
  std::vector<std::string> extraHeaders = {};  // "Name: value"
  bool sendContentLength = true;               // without it the body ends when the server closes
  bool hang = false;                           // read the request, then never answer
  bool echoNoCache = false;  // answer which of the two no-cache headers the request had
};

// A socket bound to a free port on loopback, listening or not.
inline int loopbackSocket(uint16_t& port, bool listening) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  auto* raw = reinterpret_cast<sockaddr*>(&address);
  if (fd < 0 || bind(fd, raw, sizeof(address)) != 0 || (listening && listen(fd, 128) != 0) ||
      getsockname(fd, raw, &length) != 0) {
    throw std::runtime_error("could not bind on loopback");
  }
  port = ntohs(address.sin_port);
  return fd;
}

// A port on loopback that refuses connections: bound, so no one else takes it, but not
// listening.
class RefusingPort {
 public:
  ~RefusingPort() { close(fd_); }
  std::string url() const { return "https://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  uint16_t port_ = 0;
  int fd_ = loopbackSocket(port_, false);
};

// Without TLS it serves plain HTTP, for redirects that must not be followed.
class TlsTestServer {
 public:
  explicit TlsTestServer(std::map<std::string, Route> routes, bool tls = true)
      : routes_(std::move(routes)), context_(tls ? SSL_CTX_new(TLS_server_method()) : nullptr) {
    signal(SIGPIPE, SIG_IGN);  // a client that goes away must not end the test program
    const std::filesystem::path& certificate = certificateFile();
    const std::string key = (certificate.parent_path() / "key.pem").string();
    if ((tls &&
         (!context_ || SSL_CTX_use_certificate_chain_file(context_, certificate.c_str()) != 1 ||
          SSL_CTX_use_PrivateKey_file(context_, key.c_str(), SSL_FILETYPE_PEM) != 1)) ||
        pipe2(wake_, O_CLOEXEC) != 0) {
      throw std::runtime_error("test server could not be set up");
    }
    thread_ = std::thread([this] { serve(); });
  }
  ~TlsTestServer() {
    (void)!write(wake_[1], "x", 1);
    thread_.join();
    for (int fd : {wake_[0], wake_[1], listenFd_}) close(fd);
    SSL_CTX_free(context_);
  }

  std::string url(const std::string& path) const {
    return (context_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) + path;
  }

 private:
  void serve() {
    std::vector<std::pair<SSL*, int>> held;  // hanging connections, closed at the end
    for (pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
         (poll(fds, 2, 100) >= 0 || errno == EINTR) && !(fds[1].revents & POLLIN);) {
      const int fd =
          fds[0].revents & POLLIN ? accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC) : -1;
      SSL* ssl = fd >= 0 && context_ ? SSL_new(context_) : nullptr;
      if (fd >= 0 && handle(fd, ssl)) {
        held.emplace_back(ssl, fd);
      } else if (fd >= 0) {
        SSL_free(ssl);
        close(fd);
      }
    }
    for (auto [ssl, fd] : held) {
      SSL_free(ssl);
      close(fd);
    }
  }

  // Answers one connection; true when it is to be held open unanswered.
  bool handle(int fd, SSL* ssl) {
    const timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    std::string request;
    if (!context_ || (ssl && SSL_set_fd(ssl, fd) == 1 && SSL_accept(ssl) == 1)) {
      char buffer[4096];
      for (int n = 0; request.find("\r\n\r\n") == std::string::npos && request.size() < 16384 &&
                      (n = ssl ? SSL_read(ssl, buffer, sizeof(buffer))
                               : static_cast<int>(recv(fd, buffer, sizeof(buffer), 0))) > 0;) {
        request.append(buffer, static_cast<size_t>(n));
      }
    }
    std::string method, path;
    std::istringstream(request) >> method >> path;
    if (method.empty()) return false;
    const auto it = routes_.find(path);
    Route route = it != routes_.end() ? it->second : Route{404, "text/plain", "no route"};
    for (const char* header : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
      if (route.echoNoCache &&
          request.find("\r\n" + std::string(header) + "\r\n") != std::string::npos) {
        route.body += std::string(header) + ";";
      }
    }
    if (route.hang) return true;
    std::string response = "HTTP/1.1 " + std::to_string(route.status) +
                           " Canned\r\nContent-Type: " + route.contentType + "\r\n";
    if (route.sendContentLength) {
      response += "Content-Length: " + std::to_string(route.body.size()) + "\r\n";
    }
    for (const auto& header : route.extraHeaders) response += header + "\r\n";
    response += "Connection: close\r\n\r\n" + route.body;
    for (size_t sent = 0, n = 0; sent < response.size(); sent += n) {
      const int size = static_cast<int>(response.size() - sent);
      const int written = ssl ? SSL_write(ssl, response.data() + sent, size)
                              : static_cast<int>(send(fd, response.data() + sent, size, 0));
      if (written <= 0) break;
      n = static_cast<size_t>(written);
    }
    if (ssl) SSL_shutdown(ssl);
    return false;
  }

  std::map<std::string, Route> routes_;
  SSL_CTX* context_ = nullptr;
  uint16_t port_ = 0;
  int listenFd_ = loopbackSocket(port_, true);
  int wake_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace strandel::test
