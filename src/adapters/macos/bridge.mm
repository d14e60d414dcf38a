#import "adapters/macos/bridge.h"

namespace strandel::mac {

NSString* toNSString(std::string_view text) {
  NSString* result = [[NSString alloc] initWithBytes:text.data()
                                              length:text.size()
                                            encoding:NSUTF8StringEncoding];
  if (result == nil) {
    result = [[NSString alloc] initWithBytes:text.data()
                                      length:text.size()
                                    encoding:NSISOLatin1StringEncoding];
  }
  return result != nil ? result : @"";
}

std::string toStdString(NSString* text) {
  if (text == nil) return {};
  // Not UTF8String: it gives NULL for strings holding unpaired surrogates.
  NSData* data = [text dataUsingEncoding:NSUTF8StringEncoding allowLossyConversion:YES];
  if (data == nil || data.length == 0) return {};
  return std::string(static_cast<const char*>(data.bytes), data.length);
}

}  // namespace strandel::mac
