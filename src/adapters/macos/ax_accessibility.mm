#import "adapters/macos/ax_accessibility.h"

#import "adapters/macos/bridge.h"

namespace strandel::mac {

namespace {

// Owns one CoreFoundation reference; CFRelease may run on whichever thread drops the last
// copy of the AXRef.
class CFObject final : public AXObject {
 public:
  explicit CFObject(CFTypeRef owned) : ref_(owned) {}
  ~CFObject() override { CFRelease(ref_); }
  CFObject(const CFObject&) = delete;
  CFObject& operator=(const CFObject&) = delete;

  CFTypeRef ref() const { return ref_; }

 private:
  CFTypeRef ref_;
};

// The element behind `ref`, or NULL when it is not an Accessibility element: the AX calls
// must never see another kind of object.
AXUIElementRef elementOf(const AXRef& ref) {
  CFTypeRef object = cfObject(ref);
  if (object == nullptr || CFGetTypeID(object) != AXUIElementGetTypeID()) return nullptr;
  return static_cast<AXUIElementRef>(object);
}

AXValueRef axValueOf(const AXRef& ref) {
  CFTypeRef object = cfObject(ref);
  if (object == nullptr || CFGetTypeID(object) != AXValueGetTypeID()) return nullptr;
  return static_cast<AXValueRef>(object);
}

AXError toPortError(::AXError error) {
  return static_cast<AXError>(static_cast<int32_t>(error));
}

class MacAccessibility final : public Accessibility {
 public:
  bool isProcessTrusted() override { return AXIsProcessTrusted(); }

  bool isProcessTrustedWithOptions(bool prompt) override {
    NSDictionary* options = @{(__bridge NSString*)kAXTrustedCheckOptionPrompt : @(prompt)};
    return AXIsProcessTrustedWithOptions((__bridge CFDictionaryRef)options);
  }

  AXRef createApplication(ProcessID pid) override {
    return adoptCFObject(AXUIElementCreateApplication(pid));
  }

  AXRef createSystemWide() override { return adoptCFObject(AXUIElementCreateSystemWide()); }

  AXError setMessagingTimeout(const AXRef& element, float seconds) override {
    AXUIElementRef target = elementOf(element);
    if (target == nullptr) return AXError::illegalArgument;
    return toPortError(AXUIElementSetMessagingTimeout(target, seconds));
  }

  AXError copyAttributeValue(const AXRef& element, std::string_view attribute,
                             AXRef& value) override {
    value = nullptr;
    AXUIElementRef target = elementOf(element);
    if (target == nullptr) return AXError::illegalArgument;
    CFTypeRef result = nullptr;
    ::AXError error =
        AXUIElementCopyAttributeValue(target, (__bridge CFStringRef)toNSString(attribute), &result);
    // Whatever came back is owned, error or not; the caller decides whether to keep it.
    value = adoptCFObject(result);
    return toPortError(error);
  }

  AXError copyMultipleAttributeValues(const AXRef& element,
                                      const std::vector<std::string>& attributes,
                                      AXRef& values) override {
    values = nullptr;
    AXUIElementRef target = elementOf(element);
    if (target == nullptr) return AXError::illegalArgument;
    NSMutableArray<NSString*>* names = [NSMutableArray arrayWithCapacity:attributes.size()];
    for (const std::string& attribute : attributes) [names addObject:toNSString(attribute)];
    CFArrayRef result = nullptr;
    ::AXError error =
        AXUIElementCopyMultipleAttributeValues(target, (__bridge CFArrayRef)names, 0, &result);
    values = adoptCFObject(result);
    return toPortError(error);
  }

  AXError copyActionNames(const AXRef& element, AXRef& names) override {
    names = nullptr;
    AXUIElementRef target = elementOf(element);
    if (target == nullptr) return AXError::illegalArgument;
    CFArrayRef result = nullptr;
    ::AXError error = AXUIElementCopyActionNames(target, &result);
    names = adoptCFObject(result);
    return toPortError(error);
  }

  AXError performAction(const AXRef& element, std::string_view action) override {
    AXUIElementRef target = elementOf(element);
    if (target == nullptr) return AXError::illegalArgument;
    return toPortError(AXUIElementPerformAction(target, (__bridge CFStringRef)toNSString(action)));
  }

  AXError getPid(const AXRef& element, ProcessID& pid) override {
    AXUIElementRef target = elementOf(element);
    if (target == nullptr) return AXError::illegalArgument;
    pid_t result = 0;
    const ::AXError error = AXUIElementGetPid(target, &result);
    if (error == kAXErrorSuccess) pid = result;
    return toPortError(error);
  }

  bool equal(const AXRef& a, const AXRef& b) override {
    CFTypeRef left = cfObject(a);
    CFTypeRef right = cfObject(b);
    // CFEqual must not see NULL.
    if (left == nullptr || right == nullptr) return left == right;
    return CFEqual(left, right);
  }

  size_t hash(const AXRef& value) override {
    CFTypeRef object = cfObject(value);
    return object == nullptr ? 0 : CFHash(object);
  }

  TypeID typeID(const AXRef& value) override {
    CFTypeRef object = cfObject(value);
    return object == nullptr ? 0 : CFGetTypeID(object);
  }
  TypeID elementTypeID() override { return AXUIElementGetTypeID(); }
  TypeID valueTypeID() override { return AXValueGetTypeID(); }
  TypeID stringTypeID() override { return CFStringGetTypeID(); }
  TypeID arrayTypeID() override { return CFArrayGetTypeID(); }
  TypeID numberTypeID() override { return CFNumberGetTypeID(); }
  TypeID booleanTypeID() override { return CFBooleanGetTypeID(); }

  bool valueGetPoint(const AXRef& value, Point& point) override {
    AXValueRef axValue = axValueOf(value);
    CGPoint result = CGPointZero;
    if (axValue == nullptr || !AXValueGetValue(axValue, kAXValueTypeCGPoint, &result)) {
      return false;
    }
    point = Point{result.x, result.y};
    return true;
  }

  bool valueGetSize(const AXRef& value, Size& size) override {
    AXValueRef axValue = axValueOf(value);
    CGSize result = CGSizeZero;
    if (axValue == nullptr || !AXValueGetValue(axValue, kAXValueTypeCGSize, &result)) {
      return false;
    }
    size = Size{result.width, result.height};
    return true;
  }

  std::string stringValue(const AXRef& value) override {
    CFTypeRef object = cfObject(value);
    if (object == nullptr || CFGetTypeID(object) != CFStringGetTypeID()) return {};
    return toStdString((__bridge NSString*)object);
  }

  std::vector<AXRef> arrayValues(const AXRef& value) override {
    CFTypeRef object = cfObject(value);
    if (object == nullptr || CFGetTypeID(object) != CFArrayGetTypeID()) return {};
    CFArrayRef array = static_cast<CFArrayRef>(object);
    const CFIndex count = CFArrayGetCount(array);
    std::vector<AXRef> elements;
    elements.reserve(static_cast<size_t>(count));
    for (CFIndex i = 0; i < count; ++i) {
      CFTypeRef element = CFArrayGetValueAtIndex(array, i);
      elements.push_back(element == nullptr ? nullptr : adoptCFObject(CFRetain(element)));
    }
    return elements;
  }

  bool booleanValue(const AXRef& value) override {
    CFTypeRef object = cfObject(value);
    if (object == nullptr || CFGetTypeID(object) != CFBooleanGetTypeID()) return false;
    return CFBooleanGetValue(static_cast<CFBooleanRef>(object));
  }
};

}  // namespace

AXRef adoptCFObject(CFTypeRef owned) {
  if (owned == nullptr) return nullptr;
  return std::make_shared<const CFObject>(owned);
}

CFTypeRef cfObject(const AXRef& ref) {
  auto* object = dynamic_cast<const CFObject*>(ref.get());
  return object == nullptr ? nullptr : object->ref();
}

std::shared_ptr<Accessibility> makeAccessibility() {
  return std::make_shared<MacAccessibility>();
}

}  // namespace strandel::mac
