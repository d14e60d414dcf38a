#pragma once

// A small HTTPS server on loopback for the update tests, with a self-signed certificate that
// the openssl command line makes at test time. It serves canned answers by path, one
// connection at a time, records what it was asked, and stops when destroyed or, at the
// latest, after kLifetime. Every socket operation has a time limit, so nothing it does can
// hang a test.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace strandel::test {

// A self-signed certificate for 127.0.0.1 and localhost, in a directory of its own that
// goes away with the object.
class TestCertificate {
 public:
  TestCertificate() {
    char pattern[] = "/tmp/strandel-tls-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    certFile = dir_ + "/cert.pem";
    keyFile = dir_ + "/key.pem";
    std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
        " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost"
        " -keyout '" +
        keyFile + "' -out '" + certFile + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !std::filesystem::exists(certFile)) {
      throw std::runtime_error("openssl could not make a certificate");
    }
  }
  ~TestCertificate() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TestCertificate(const TestCertificate&) = delete;
  TestCertificate& operator=(const TestCertificate&) = delete;

  // One for the whole test program.
  static const TestCertificate& shared() {
    static const TestCertificate certificate;
    return certificate;
  }

  std::string certFile;
  std::string keyFile;

 private:
  std::string dir_;
};

// What the server does for one path.
struct Route {
  enum class Kind {
    respond,  // answer with the status line, headers and body
    hang,     // read the request, then never answer (the connection stays open)
  };
  Kind kind = Kind::respond;
  int status = 200;
  std::string reason = "OK";
  std::string contentType = "application/json";
  std::string body;
  std::vector<std::string> extraHeaders;  // "Name: value"
  bool sendContentLength = true;          // without it the body ends when the server closes

  static Route ok(std::string body) {
    Route r;
    r.body = std::move(body);
    return r;
  }
  static Route withStatus(int status, std::string reason, std::string contentType,
                          std::string body) {
    Route r;
    r.status = status;
    r.reason = std::move(reason);
    r.contentType = std::move(contentType);
    r.body = std::move(body);
    return r;
  }
  static Route hanging() {
    Route r;
    r.kind = Kind::hang;
    return r;
  }
};

struct ReceivedRequest {
  std::string method;
  std::string path;
  std::vector<std::string> headerLines;

  bool hasHeader(const std::string& line) const {
    auto lower = [](std::string s) {
      for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return s;
    };
    for (const auto& h : headerLines) {
      if (lower(h) == lower(line)) return true;
    }
    return false;
  }
};

namespace tls_detail {

inline int listeningSocket(uint16_t& port, bool listening) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof(address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      (listening && listen(fd, 128) != 0) ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    throw std::runtime_error("bind/listen failed");
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace tls_detail

// A port on loopback that refuses connections: bound, so no one else takes it, but not
// listening.
class RefusingPort {
 public:
  RefusingPort() : fd_(tls_detail::listeningSocket(port_, false)) {}
  ~RefusingPort() { close(fd_); }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  uint16_t port() const { return port_; }

 private:
  uint16_t port_ = 0;
  int fd_;
};

// A port on loopback that accepts connections into its backlog and never says a word, not
// even the TLS handshake.
class SilentPort {
 public:
  SilentPort() : fd_(tls_detail::listeningSocket(port_, true)) {}
  ~SilentPort() { close(fd_); }
  SilentPort(const SilentPort&) = delete;
  SilentPort& operator=(const SilentPort&) = delete;
  uint16_t port() const { return port_; }

 private:
  uint16_t port_ = 0;
  int fd_;
};

class TlsTestServer {
 public:
  static constexpr std::chrono::seconds kLifetime{120};
  static constexpr int kSocketTimeoutSeconds = 5;

  TlsTestServer(const TestCertificate& certificate, std::map<std::string, Route> routes)
      : routes_(std::move(routes)) {
    signal(SIGPIPE, SIG_IGN);  // a client that goes away must not end the test program
    context_ = SSL_CTX_new(TLS_server_method());
    if (!context_ || SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION) != 1 ||
        SSL_CTX_use_certificate_chain_file(context_, certificate.certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context_, certificate.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
      if (context_) SSL_CTX_free(context_);
      throw std::runtime_error("TLS context could not be set up");
    }
    listenFd_ = tls_detail::listeningSocket(port_, true);
    if (pipe2(wake_, O_CLOEXEC) != 0) {
      close(listenFd_);
      SSL_CTX_free(context_);
      throw std::runtime_error("pipe failed");
    }
    thread_ = std::thread([this] { serve(); });
  }

  ~TlsTestServer() {
    char byte = 1;
    (void)!write(wake_[1], &byte, 1);
    thread_.join();
    close(wake_[0]);
    close(wake_[1]);
    close(listenFd_);
    SSL_CTX_free(context_);
  }
  TlsTestServer(const TlsTestServer&) = delete;
  TlsTestServer& operator=(const TlsTestServer&) = delete;

  uint16_t port() const { return port_; }
  std::string url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<ReceivedRequest> requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  struct Held {
    SSL* ssl;
    int fd;
  };

  void serve() {
    auto deadline = std::chrono::steady_clock::now() + kLifetime;
    std::vector<Held> held;
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) break;
      pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      int ready = poll(fds, 2, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0 || (fds[1].revents & POLLIN)) break;
      if (!(fds[0].revents & POLLIN)) continue;
      int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      handle(fd, held);
    }
    for (Held& h : held) {
      SSL_free(h.ssl);
      close(h.fd);
    }
  }

  void handle(int fd, std::vector<Held>& held) {
    timeval timeout{kSocketTimeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    SSL* ssl = SSL_new(context_);
    if (!ssl || SSL_set_fd(ssl, fd) != 1 || SSL_accept(ssl) != 1) {
      if (ssl) SSL_free(ssl);
      close(fd);
      ERR_clear_error();
      return;
    }
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
      int n = SSL_read(ssl, buffer, sizeof(buffer));
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    ReceivedRequest received = parse(request);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(received);
    }
    auto it = routes_.find(received.path);
    Route route = it != routes_.end()
                      ? it->second
                      : Route::withStatus(404, "Not Found", "text/plain", "no such route");
    if (route.kind == Route::Kind::hang) {
      held.push_back(Held{ssl, fd});
      return;
    }
    std::string response = "HTTP/1.1 " + std::to_string(route.status) + " " + route.reason +
                           "\r\nContent-Type: " + route.contentType + "\r\n";
    if (route.sendContentLength) {
      response += "Content-Length: " + std::to_string(route.body.size()) + "\r\n";
    }
    for (const auto& header : route.extraHeaders) response += header + "\r\n";
    response += "Connection: close\r\n\r\n";
    response += route.body;
    size_t sent = 0;
    while (sent < response.size()) {
      int chunk = static_cast<int>(std::min<size_t>(response.size() - sent, 1 << 16));
      int n = SSL_write(ssl, response.data() + sent, chunk);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    SSL_shutdown(ssl);
    SSL_free(ssl);
    close(fd);
    ERR_clear_error();
  }

  static ReceivedRequest parse(const std::string& text) {
    ReceivedRequest r;
    size_t end = text.find("\r\n");
    std::string line = text.substr(0, end);
    size_t space = line.find(' ');
    size_t second = line.find(' ', space == std::string::npos ? space : space + 1);
    if (space != std::string::npos) {
      r.method = line.substr(0, space);
      r.path = line.substr(space + 1,
                           second == std::string::npos ? std::string::npos : second - space - 1);
    }
    while (end != std::string::npos) {
      size_t start = end + 2;
      end = text.find("\r\n", start);
      std::string header = text.substr(start, end == std::string::npos ? end : end - start);
      if (header.empty()) break;
      r.headerLines.push_back(header);
    }
    return r;
  }

  std::map<std::string, Route> routes_;
  SSL_CTX* context_ = nullptr;
  int listenFd_ = -1;
  uint16_t port_ = 0;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<ReceivedRequest> requests_;
};

}  // namespace strandel::test
