#pragma once

#include <optional>
#include <string>

namespace strandel {

enum class LoginItemStatus : int {
  notRegistered = 0,
  enabled = 1,
  requiresApproval = 2,
  notFound = 3
};

struct PlatformError {
  std::string localizedDescription;
};

// The program's own login item.
class LoginItemService {
 public:
  virtual ~LoginItemService() = default;
  virtual LoginItemStatus status() = 0;
  // Each gives an error on failure, nothing on success.
  virtual std::optional<PlatformError> registerService() = 0;
  virtual std::optional<PlatformError> unregisterService() = 0;
  // Shows the system's settings page where the person approves login items.
  virtual void openSystemSettingsLoginItems() = 0;
};

}  // namespace strandel
