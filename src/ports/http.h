#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ports/login_items.h"
#include "ports/workspace.h"

namespace strandel {

enum class CachePolicy : int {
  useProtocolCachePolicy = 0,
  reloadIgnoringLocalAndRemoteCacheData = 4
};

struct URLRequest {
  URL url;
  std::string method = "GET";
  CachePolicy cachePolicy = CachePolicy::useProtocolCachePolicy;
  double timeoutInterval = 60;
};

using Bytes = std::vector<uint8_t>;
// The body (none when the transfer gave none) or a transport error.
using DataTaskCompletion =
    std::function<void(std::optional<Bytes> body, std::optional<PlatformError> error)>;

class HTTPSession {
 public:
  virtual ~HTTPSession() = default;
  // Starts the transfer and returns; the completion runs exactly once, on a background
  // thread.
  virtual void dataTask(const URLRequest& request, DataTaskCompletion completion) = 0;
};

}  // namespace strandel
