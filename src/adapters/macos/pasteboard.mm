#import "adapters/macos/pasteboard.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

class MacPasteboard final : public Pasteboard {
 public:
  long clearContents() override { return [[NSPasteboard generalPasteboard] clearContents]; }

  bool setString(const std::string& text, const std::string& type) override {
    NSPasteboardType pasteboardType =
        type == kPasteboardTypeString ? NSPasteboardTypeString : toNSString(type);
    return [[NSPasteboard generalPasteboard] setString:toNSString(text) forType:pasteboardType];
  }
};

class MacProcessInfo final : public ProcessInfo {
 public:
  OperatingSystemVersion operatingSystemVersion() override {
    NSOperatingSystemVersion v = [NSProcessInfo processInfo].operatingSystemVersion;
    return OperatingSystemVersion{v.majorVersion, v.minorVersion, v.patchVersion};
  }
  std::string operatingSystemVersionString() override {
    return toStdString([NSProcessInfo processInfo].operatingSystemVersionString);
  }
};

}  // namespace

std::shared_ptr<Pasteboard> makeGeneralPasteboard() {
  return std::make_shared<MacPasteboard>();
}

std::shared_ptr<ProcessInfo> makeProcessInfo() {
  return std::make_shared<MacProcessInfo>();
}

}  // namespace strandel::mac
