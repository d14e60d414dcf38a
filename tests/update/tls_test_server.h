#pragma once

// A small HTTPS server on loopback for the update tests, with a self-signed certificate that
// the openssl command line makes at test time. It serves canned answers by path, one
// connection at a time, records what it was asked, and stops when destroyed. Every socket
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

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace strandel::test {

// A self-signed certificate for 127.0.0.1, in a directory of its own that goes away with
// the object; one for the whole test program.
class TestCertificate {
 public:
  static const TestCertificate& shared() {
    static const TestCertificate certificate;
    return certificate;
  }
  ~TestCertificate() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string certFile;
  std::string keyFile;

 private:
  TestCertificate() {
    char pattern[] = "/tmp/strandel-tls-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    certFile = dir_ + "/cert.pem";
    keyFile = dir_ + "/key.pem";
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
        " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        keyFile + "' -out '" + certFile + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !std::filesystem::exists(certFile)) {
      throw std::runtime_error("openssl could not make a certificate");
    }
  }
  std::string dir_;
};

// What the server does for one path.
struct Route {
  int status = 200;
  std::string contentType = "application/json";
  std::string body = {};
  std::vector<std::string> extraHeaders = {};  // "Name: value"
  bool sendContentLength = true;               // without it the body ends when the server closes
  bool hang = false;                           // read the request, then never answer
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
    if (fd >= 0) close(fd);
    throw std::runtime_error("could not bind on loopback");
  }
  port = ntohs(address.sin_port);
  return fd;
}

// A port on loopback that refuses connections: bound, so no one else takes it, but not
// listening.
class RefusingPort {
 public:
  RefusingPort() : fd_(loopbackSocket(port_, false)) {}
  ~RefusingPort() { close(fd_); }
  std::string url() const { return "https://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  uint16_t port_ = 0;
  int fd_;
};

// Without TLS it serves plain HTTP, for redirects that must not be followed.
class TlsTestServer {
 public:
  explicit TlsTestServer(std::map<std::string, Route> routes, bool tls = true)
      : routes_(std::move(routes)) {
    signal(SIGPIPE, SIG_IGN);  // a client that goes away must not end the test program
    const TestCertificate& certificate = TestCertificate::shared();
    context_ = tls ? SSL_CTX_new(TLS_server_method()) : nullptr;
    if ((tls && (!context_ ||
                 SSL_CTX_use_certificate_chain_file(context_, certificate.certFile.c_str()) != 1 ||
                 SSL_CTX_use_PrivateKey_file(context_, certificate.keyFile.c_str(),
                                             SSL_FILETYPE_PEM) != 1)) ||
        pipe2(wake_, O_CLOEXEC) != 0) {
      throw std::runtime_error("test server could not be set up");
    }
    listenFd_ = loopbackSocket(port_, true);
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
  // The head of every request, as it came.
  std::vector<std::string> requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void serve() {
    std::vector<std::pair<SSL*, int>> held;  // hanging connections, closed at the end
    for (;;) {
      pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (poll(fds, 2, 100) < 0 && errno != EINTR) break;
      if (fds[1].revents & POLLIN) break;
      if (!(fds[0].revents & POLLIN)) continue;
      const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) handle(fd, held);
    }
    for (auto [ssl, fd] : held) {
      SSL_free(ssl);
      close(fd);
    }
  }

  void handle(int fd, std::vector<std::pair<SSL*, int>>& held) {
    const timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    SSL* ssl = context_ ? SSL_new(context_) : nullptr;
    const auto readSome = [&](char* data, int n) {
      return ssl ? SSL_read(ssl, data, n) : static_cast<int>(recv(fd, data, n, 0));
    };
    const auto writeSome = [&](const char* data, size_t size) {
      const int n = static_cast<int>(std::min<size_t>(size, 65536));
      return ssl ? SSL_write(ssl, data, n) : static_cast<int>(send(fd, data, n, 0));
    };
    std::string request;
    if (!context_ || (ssl && SSL_set_fd(ssl, fd) == 1 && SSL_accept(ssl) == 1)) {
      char buffer[4096];
      int n = 0;
      while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384 &&
             (n = readSome(buffer, sizeof(buffer))) > 0) {
        request.append(buffer, static_cast<size_t>(n));
      }
    }
    std::string method, path;
    std::istringstream(request) >> method >> path;
    if (!method.empty()) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
      }
      const auto it = routes_.find(path);
      const Route route =
          it != routes_.end() ? it->second : Route{404, "text/plain", "no such route"};
      if (route.hang) {
        held.emplace_back(ssl, fd);
        return;
      }
      std::string response = "HTTP/1.1 " + std::to_string(route.status) +
                             " Canned\r\nContent-Type: " + route.contentType + "\r\n";
      if (route.sendContentLength) {
        response += "Content-Length: " + std::to_string(route.body.size()) + "\r\n";
      }
      for (const auto& header : route.extraHeaders) response += header + "\r\n";
      response += "Connection: close\r\n\r\n" + route.body;
      for (size_t sent = 0; sent < response.size();) {
        const int n = writeSome(response.data() + sent, response.size() - sent);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      if (ssl) SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    close(fd);
  }

  std::map<std::string, Route> routes_;
  SSL_CTX* context_ = nullptr;
  int listenFd_ = -1;
  uint16_t port_ = 0;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace strandel::test
