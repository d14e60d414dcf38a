#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/geometry.h"

namespace strandel {

// An owned reference to any value the Accessibility interface hands out (an element, an
// Accessibility value, a string, a number, an array). Copies share one reference count that
// any thread may change; the last copy releases the value.
class AXObject {
 public:
  virtual ~AXObject() = default;
};
using AXRef = std::shared_ptr<const AXObject>;

// The platform's error codes; only success is ever acted on. Other codes may come back too.
enum class AXError : int32_t {
  success = 0,
  failure = -25200,
  illegalArgument = -25201,
  invalidUIElement = -25202,
  invalidUIElementObserver = -25203,
  cannotComplete = -25204,
  attributeUnsupported = -25205,
  actionUnsupported = -25206,
  notificationUnsupported = -25207,
  notImplemented = -25208,
  notificationAlreadyRegistered = -25209,
  notificationNotRegistered = -25210,
  apiDisabled = -25211,
  noValue = -25212,
  parameterizedAttributeUnsupported = -25213,
  notEnoughPrecision = -25214,
};

using TypeID = unsigned long;
using ProcessID = int32_t;

// One operation per Accessibility call the program makes, plus the CoreFoundation type
// and value accessors that reading the results needs.
class Accessibility {
 public:
  virtual ~Accessibility() = default;

  // AXIsProcessTrusted
  virtual bool isProcessTrusted() = 0;
  // AXIsProcessTrustedWithOptions with kAXTrustedCheckOptionPrompt = prompt
  virtual bool isProcessTrustedWithOptions(bool prompt) = 0;
  // AXUIElementCreateApplication
  virtual AXRef createApplication(ProcessID pid) = 0;
  // AXUIElementCreateSystemWide: its messaging time-out is the one of every element that
  // has none of its own.
  virtual AXRef createSystemWide() = 0;
  // AXUIElementSetMessagingTimeout: for the one element it is set on; 0 restores the default.
  virtual AXError setMessagingTimeout(const AXRef& element, float seconds) = 0;
  // AXUIElementCopyAttributeValue: on success `value` holds an owned value (possibly none).
  virtual AXError copyAttributeValue(const AXRef& element, std::string_view attribute,
                                     AXRef& value) = 0;
  // AXUIElementCopyMultipleAttributeValues without options: one request for several
  // attributes. On success `values` holds an owned array with one entry per attribute, in
  // order; an attribute that could not be read has an Accessibility value of type
  // kAXValueAXErrorType in its place.
  virtual AXError copyMultipleAttributeValues(const AXRef& element,
                                              const std::vector<std::string>& attributes,
                                              AXRef& values) = 0;
  // AXUIElementCopyActionNames: on success `names` holds an owned array of strings.
  virtual AXError copyActionNames(const AXRef& element, AXRef& names) = 0;
  // AXUIElementPerformAction
  virtual AXError performAction(const AXRef& element, std::string_view action) = 0;
  // AXUIElementGetPid: the process the element belongs to. Answered by the caller's own
  // process, without asking the application.
  virtual AXError getPid(const AXRef& element, ProcessID& pid) = 0;
  // CFEqual: two references to the same element (or equal values).
  virtual bool equal(const AXRef& a, const AXRef& b) = 0;
  // CFHash: values that are equal hash alike.
  virtual size_t hash(const AXRef& value) = 0;

  // CFGetTypeID and the type ids it is compared with.
  virtual TypeID typeID(const AXRef& value) = 0;
  virtual TypeID elementTypeID() = 0;  // AXUIElementGetTypeID
  virtual TypeID valueTypeID() = 0;    // AXValueGetTypeID
  virtual TypeID stringTypeID() = 0;   // CFStringGetTypeID
  virtual TypeID arrayTypeID() = 0;    // CFArrayGetTypeID
  virtual TypeID numberTypeID() = 0;   // CFNumberGetTypeID
  virtual TypeID booleanTypeID() = 0;  // CFBooleanGetTypeID

  // AXValueGetValue with kAXValueCGPointType (1) and kAXValueCGSizeType (2): false when the
  // value does not hold that type.
  virtual bool valueGetPoint(const AXRef& value, Point& point) = 0;
  virtual bool valueGetSize(const AXRef& value, Size& size) = 0;

  // A string value's text as UTF-8; an array value's elements, each its own reference.
  // Only called after the type test has passed.
  virtual std::string stringValue(const AXRef& value) = 0;
  virtual std::vector<AXRef> arrayValues(const AXRef& value) = 0;
  // CFBooleanGetValue; false for a value that is not a boolean.
  virtual bool booleanValue(const AXRef& value) = 0;
};

}  // namespace strandel
