#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ports/http.h"

namespace strandel::sim {

// The URL session on Linux, over libcurl. One worker thread runs every transfer at once
// (curl's multi interface) and calls each completion on that thread, exactly once.
//
// - HTTP error statuses are answers, not transport errors: their body is delivered.
// - A request that must ignore caches sends "Cache-Control: no-cache" and "Pragma: no-cache".
// - The request's time-out bounds the whole transfer; none, zero, negative or NaN mean 60 s.
// - Only http and https are fetched; redirects (at most 5) may lead to https only.
// - A body larger than `maxBodyBytes` is not read further: the transfer ends with an error
//   and no body.
// - Destroying the session cancels what is still running, calling those completions with
//   an error, and joins the worker.
class CurlHTTPSession final : public HTTPSession {
 public:
  struct Options {
    // Trust only this CA or self-signed certificate (a PEM file) instead of the system's
    // store. For tests against a local server.
    std::optional<std::string> trustedCertificateFile;
    size_t maxBodyBytes = 1024 * 1024;
  };

  CurlHTTPSession();
  explicit CurlHTTPSession(Options options);
  ~CurlHTTPSession() override;
  CurlHTTPSession(const CurlHTTPSession&) = delete;
  CurlHTTPSession& operator=(const CurlHTTPSession&) = delete;

  void dataTask(const URLRequest& request, DataTaskCompletion completion) override;

 private:
  // Shared with the worker, which keeps it alive should the session be destroyed from a
  // completion.
  struct State;

  std::shared_ptr<State> state_;
  std::thread worker_;
};

}  // namespace strandel::sim
