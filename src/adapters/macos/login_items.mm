#import "adapters/macos/login_items.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

LoginItemStatus toPort(SMAppServiceStatus status) {
  switch (status) {
    case SMAppServiceStatusNotRegistered:
      return LoginItemStatus::notRegistered;
    case SMAppServiceStatusEnabled:
      return LoginItemStatus::enabled;
    case SMAppServiceStatusRequiresApproval:
      return LoginItemStatus::requiresApproval;
    case SMAppServiceStatusNotFound:
      return LoginItemStatus::notFound;
  }
  // A state newer than this program: not usable as a login item as far as it can tell.
  return LoginItemStatus::notFound;
}

std::optional<PlatformError> outcome(BOOL succeeded, NSError* error) {
  if (succeeded) return std::nullopt;
  return PlatformError{error != nil ? toStdString(error.localizedDescription)
                                    : std::string("unknown error")};
}

class MacLoginItems final : public LoginItemService {
 public:
  LoginItemStatus status() override { return toPort([SMAppService mainAppService].status); }

  std::optional<PlatformError> registerService() override {
    NSError* error = nil;
    BOOL succeeded = [[SMAppService mainAppService] registerAndReturnError:&error];
    return outcome(succeeded, error);
  }

  std::optional<PlatformError> unregisterService() override {
    NSError* error = nil;
    BOOL succeeded = [[SMAppService mainAppService] unregisterAndReturnError:&error];
    return outcome(succeeded, error);
  }

  void openSystemSettingsLoginItems() override { [SMAppService openSystemSettingsLoginItems]; }
};

}  // namespace

std::shared_ptr<LoginItemService> makeLoginItems() {
  return std::make_shared<MacLoginItems>();
}

}  // namespace strandel::mac
