#import "adapters/macos/url_session.h"

#import <Foundation/Foundation.h>
#include <dispatch/dispatch.h>

#import "adapters/macos/bridge.h"
#import "adapters/macos/urls.h"

namespace strandel::mac {

namespace {

NSURLRequestCachePolicy toNSCachePolicy(CachePolicy policy) {
  switch (policy) {
    case CachePolicy::useProtocolCachePolicy:
      return NSURLRequestUseProtocolCachePolicy;
    case CachePolicy::reloadIgnoringLocalAndRemoteCacheData:
      return NSURLRequestReloadIgnoringLocalAndRemoteCacheData;
  }
  return NSURLRequestUseProtocolCachePolicy;
}

std::optional<Bytes> toBytes(NSData* data) {
  if (data == nil) return std::nullopt;
  const auto* begin = static_cast<const uint8_t*>(data.bytes);
  // An empty body may have no storage at all.
  if (begin == nullptr || data.length == 0) return Bytes{};
  return Bytes(begin, begin + data.length);
}

class MacHTTPSession final : public HTTPSession {
 public:
  void dataTask(const URLRequest& request, DataTaskCompletion completion) override {
    NSURL* url = toNSURL(request.url);
    if (url == nil) {
      // Still answered once and off the main thread, like a transfer that failed.
      dispatch_async(dispatch_get_global_queue(QOS_CLASS_UTILITY, 0), ^{
        completion(std::nullopt, PlatformError{"not a valid URL"});
      });
      return;
    }
    NSMutableURLRequest* nsRequest =
        [NSMutableURLRequest requestWithURL:url
                                cachePolicy:toNSCachePolicy(request.cachePolicy)
                            timeoutInterval:request.timeoutInterval];
    nsRequest.HTTPMethod = toNSString(request.method);
    NSURLSessionDataTask* task = [[NSURLSession sharedSession]
        dataTaskWithRequest:nsRequest
          completionHandler:^(NSData* data, NSURLResponse*, NSError* error) {
            std::optional<PlatformError> failure;
            if (error != nil) failure = PlatformError{toStdString(error.localizedDescription)};
            completion(toBytes(data), failure);
          }];
    [task resume];
  }
};

}  // namespace

std::shared_ptr<HTTPSession> makeHTTPSession() {
  return std::make_shared<MacHTTPSession>();
}

}  // namespace strandel::mac
