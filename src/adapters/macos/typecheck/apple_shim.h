// Apple API that GNUstep's headers lack, declared as Apple's public reference gives it, so
// that scripts/check-macos-adapters can type-check the macOS adapters on Linux. Included
// only by that check (clang -include), never by the macOS build.
//
// Where GNUstep already declares something, it is not repeated here: a clash would show a
// difference between the two that the adapters should not rely on.
#pragma once
#pragma clang system_header

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <stdint.h>
#include <sys/types.h>

// ---------------------------------------------------------------------------------------
// CoreFoundation (CFBase.h, CFArray.h, CFNumber.h, CFString.h): the parts the adapters use.

typedef unsigned char Boolean;
typedef unsigned char UInt8;
typedef unsigned int UInt32;
typedef const void* CFTypeRef;
typedef unsigned long CFTypeID;
typedef long CFIndex;

typedef const struct __attribute__((objc_bridge(NSString))) __CFString* CFStringRef;
typedef const struct __attribute__((objc_bridge(NSArray))) __CFArray* CFArrayRef;
typedef const struct __attribute__((objc_bridge(NSDictionary))) __CFDictionary* CFDictionaryRef;
typedef const struct __attribute__((objc_bridge(NSNumber))) __CFBoolean* CFBooleanRef;
typedef const struct __attribute__((objc_bridge(NSNumber))) __CFNumber* CFNumberRef;

extern "C" {
CFTypeID CFGetTypeID(CFTypeRef cf);
Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
typedef unsigned long CFHashCode;
CFHashCode CFHash(CFTypeRef cf);
CFTypeRef CFRetain(CFTypeRef cf);
void CFRelease(CFTypeRef cf);

CFTypeID CFStringGetTypeID(void);
CFTypeID CFArrayGetTypeID(void);
CFIndex CFArrayGetCount(CFArrayRef theArray);
const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);

CFTypeID CFBooleanGetTypeID(void);
Boolean CFBooleanGetValue(CFBooleanRef boolean);
CFTypeID CFNumberGetTypeID(void);
Boolean CFNumberIsFloatType(CFNumberRef number);
}

// Foundation's bridging of an object into a +1 CoreFoundation reference (NSObject.h).
extern "C" CFTypeRef CFBridgingRetain(id X);
extern "C" id CFBridgingRelease(CFTypeRef X);

// ---------------------------------------------------------------------------------------
// CoreGraphics geometry. On Apple NSPoint is CGPoint (and so on); the same types here.

typedef NSPoint CGPoint;
typedef NSSize CGSize;
typedef NSRect CGRect;

extern "C" {
extern const CGPoint CGPointZero;
extern const CGSize CGSizeZero;
extern const CGRect CGRectZero;
CGPoint CGPointMake(CGFloat x, CGFloat y);
CGSize CGSizeMake(CGFloat width, CGFloat height);
}

// ---------------------------------------------------------------------------------------
// Accessibility (HIServices: AXError.h, AXUIElement.h, AXValue.h).

enum AXError : int32_t {
  kAXErrorSuccess = 0,
  kAXErrorFailure = -25200,
  kAXErrorIllegalArgument = -25201,
  kAXErrorInvalidUIElement = -25202,
  kAXErrorInvalidUIElementObserver = -25203,
  kAXErrorCannotComplete = -25204,
  kAXErrorAttributeUnsupported = -25205,
  kAXErrorActionUnsupported = -25206,
  kAXErrorNotificationUnsupported = -25207,
  kAXErrorNotImplemented = -25208,
  kAXErrorNotificationAlreadyRegistered = -25209,
  kAXErrorNotificationNotRegistered = -25210,
  kAXErrorAPIDisabled = -25211,
  kAXErrorNoValue = -25212,
  kAXErrorParameterizedAttributeUnsupported = -25213,
  kAXErrorNotEnoughPrecision = -25214,
};

typedef const struct __attribute__((objc_bridge(id))) __AXUIElement* AXUIElementRef;
typedef const struct __attribute__((objc_bridge(id))) __AXValue* AXValueRef;

enum AXValueType : UInt32 {
  kAXValueTypeCGPoint = 1,
  kAXValueTypeCGSize = 2,
  kAXValueTypeCGRect = 3,
  kAXValueTypeCFRange = 4,
  kAXValueTypeAXError = 5,
  kAXValueTypeIllegal = 0,
};

// The legacy names are plain integers, which C++ does not turn into an AXValueType.
static const UInt32 kAXValueCGPointType = kAXValueTypeCGPoint;
static const UInt32 kAXValueCGSizeType = kAXValueTypeCGSize;

extern "C" {
Boolean AXIsProcessTrusted(void);
Boolean AXIsProcessTrustedWithOptions(CFDictionaryRef options);
extern CFStringRef kAXTrustedCheckOptionPrompt;

CFTypeID AXUIElementGetTypeID(void);
AXUIElementRef AXUIElementCreateApplication(pid_t pid);
AXUIElementRef AXUIElementCreateSystemWide(void);
AXError AXUIElementGetPid(AXUIElementRef element, pid_t* pid);
AXError AXUIElementSetMessagingTimeout(AXUIElementRef element, float timeoutInSeconds);
AXError AXUIElementCopyAttributeValue(AXUIElementRef element, CFStringRef attribute,
                                      CFTypeRef* value);
typedef UInt32 AXCopyMultipleAttributeOptions;
enum : UInt32 { kAXCopyMultipleAttributeOptionStopOnError = 0x1 };
AXError AXUIElementCopyMultipleAttributeValues(AXUIElementRef element, CFArrayRef attributes,
                                               AXCopyMultipleAttributeOptions options,
                                               CFArrayRef* values);
AXError AXUIElementCopyActionNames(AXUIElementRef element, CFArrayRef* names);
AXError AXUIElementPerformAction(AXUIElementRef element, CFStringRef action);

CFTypeID AXValueGetTypeID(void);
AXValueRef AXValueCreate(AXValueType theType, const void* valuePtr);
Boolean AXValueGetValue(AXValueRef value, AXValueType theType, void* valuePtr);
}

// ---------------------------------------------------------------------------------------
// Grand Central Dispatch, with dispatch objects as Objective-C objects (ARC manages them),
// as on Apple.

@protocol OS_dispatch_object <NSObject>
@end
@protocol OS_dispatch_queue <OS_dispatch_object>
@end
@protocol OS_dispatch_queue_main <OS_dispatch_queue>
@end
@protocol OS_dispatch_queue_global <OS_dispatch_queue>
@end
@protocol OS_dispatch_queue_attr <OS_dispatch_object>
@end

typedef NSObject<OS_dispatch_queue>* dispatch_queue_t;
typedef NSObject<OS_dispatch_queue_main>* dispatch_queue_main_t;
typedef NSObject<OS_dispatch_queue_global>* dispatch_queue_global_t;
typedef NSObject<OS_dispatch_queue_attr>* dispatch_queue_attr_t;
typedef void (^dispatch_block_t)(void);
typedef uint64_t dispatch_time_t;

enum qos_class_t : unsigned int {
  QOS_CLASS_USER_INTERACTIVE = 0x21,
  QOS_CLASS_USER_INITIATED = 0x19,
  QOS_CLASS_DEFAULT = 0x15,
  QOS_CLASS_UTILITY = 0x11,
  QOS_CLASS_BACKGROUND = 0x09,
  QOS_CLASS_UNSPECIFIED = 0x00,
};
typedef qos_class_t dispatch_qos_class_t;

#define DISPATCH_TIME_NOW (0ull)
#define DISPATCH_TIME_FOREVER (~0ull)
#define NSEC_PER_SEC 1000000000ull
#define DISPATCH_QUEUE_SERIAL NULL

extern "C" {
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);
void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block);
dispatch_queue_main_t dispatch_get_main_queue(void);
dispatch_queue_global_t dispatch_get_global_queue(intptr_t identifier, uintptr_t flags);
dispatch_queue_t dispatch_queue_create(const char* label, dispatch_queue_attr_t attr);
dispatch_queue_attr_t dispatch_queue_attr_make_with_qos_class(dispatch_queue_attr_t attr,
                                                              dispatch_qos_class_t qos_class,
                                                              int relative_priority);
const char* dispatch_queue_get_label(dispatch_queue_t queue);
}

// ---------------------------------------------------------------------------------------
// ServiceManagement (macOS 13).

typedef NS_ENUM(NSInteger, SMAppServiceStatus) {
  SMAppServiceStatusNotRegistered,
  SMAppServiceStatusEnabled,
  SMAppServiceStatusRequiresApproval,
  SMAppServiceStatusNotFound,
};

@interface SMAppService : NSObject
@property(class, readonly) SMAppService* mainAppService;
@property(readonly) SMAppServiceStatus status;
- (BOOL)registerAndReturnError:(NSError**)error;
- (BOOL)unregisterAndReturnError:(NSError**)error;
+ (void)openSystemSettingsLoginItems;
@end

// ---------------------------------------------------------------------------------------
// Foundation: NSURLSession (GNUstep builds it only with libdispatch).

@interface NSURLSessionTask : NSObject
- (void)resume;
@end

@interface NSURLSessionDataTask : NSURLSessionTask
@end

@interface NSURLSession : NSObject
@property(class, readonly, strong) NSURLSession* sharedSession;
- (NSURLSessionDataTask*)dataTaskWithRequest:(NSURLRequest*)request
                           completionHandler:(void (^)(NSData* data, NSURLResponse* response,
                                                       NSError* error))completionHandler;
@end

// Foundation: the system's version (macOS 10.10).

typedef struct {
  NSInteger majorVersion;
  NSInteger minorVersion;
  NSInteger patchVersion;
} NSOperatingSystemVersion;

@interface NSProcessInfo (AppleShim)
@property(readonly) NSOperatingSystemVersion operatingSystemVersion;
@end

// ---------------------------------------------------------------------------------------
// AppKit.

// The modifier names of macOS 10.12; GNUstep has only the older ones (same values).
static const NSEventModifierFlags NSEventModifierFlagShift = 1 << 17;
static const NSEventModifierFlags NSEventModifierFlagControl = 1 << 18;
static const NSEventModifierFlags NSEventModifierFlagOption = 1 << 19;
static const NSEventModifierFlags NSEventModifierFlagCommand = 1 << 20;

typedef NSString* NSPasteboardType;

@interface NSPasteboard (AppleShim)
- (NSInteger)clearContents;
@end

// The style names of macOS 10.12; GNUstep has only the older ones.
static const NSAlertStyle NSAlertStyleWarning = 0;
static const NSAlertStyle NSAlertStyleInformational = 1;
static const NSAlertStyle NSAlertStyleCritical = 2;

@interface NSApplication (AppleShim)
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy;
- (void)activate __attribute__((availability(macos, introduced = 14.0)));
@end

typedef NSString* NSStatusItemAutosaveName;

@interface NSStatusItem (AppleShim)
@property(copy) NSStatusItemAutosaveName autosaveName;
@property(getter=isVisible) BOOL visible;
@property(readonly, strong) NSStatusBarButton* button;
@end

@interface NSView (AppleShim)
- (void)addTrackingArea:(NSTrackingArea*)trackingArea;
@end

@interface NSMenu (AppleShim)
- (void)removeAllItems;
@property(readonly, strong) NSMenuItem* highlightedItem;  // macOS 10.5
- (BOOL)popUpMenuPositioningItem:(NSMenuItem*)item
                      atLocation:(NSPoint)location
                          inView:(NSView*)view;
@end

@interface NSImage (AppleShim)
+ (instancetype)imageWithSystemSymbolName:(NSString*)name
                 accessibilityDescription:(NSString*)description;
- (BOOL)isTemplate;
- (void)setTemplate:(BOOL)isTemplate;
@property(copy) NSString* accessibilityDescription;
@end

@interface NSFont (AppleShim)
+ (NSFont*)systemFontOfSize:(CGFloat)fontSize weight:(NSFontWeight)weight;
@end

@interface NSScreen (AppleShim)
@property(readonly) NSRect auxiliaryTopLeftArea;
@property(readonly) NSRect auxiliaryTopRightArea;
@end

// ---------------------------------------------------------------------------------------
// Carbon Event Manager (HIToolbox: CarbonEvents.h, Events.h): the hot-key calls.

typedef int32_t OSStatus;
typedef UInt32 OSType;
typedef UInt32 EventParamName;
typedef UInt32 EventParamType;
typedef unsigned long ByteCount;
typedef UInt32 EventKind;
typedef UInt32 EventClass;
typedef struct OpaqueEventRef* EventRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;
typedef struct OpaqueEventHotKeyRef* EventHotKeyRef;
typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                        void* inUserData);
typedef EventHandlerProcPtr EventHandlerUPP;

struct EventTypeSpec {
  OSType eventClass;
  UInt32 eventKind;
};
struct EventHotKeyID {
  OSType signature;
  UInt32 id;
};

enum : OSStatus {
  noErr = 0,
  eventNotHandledErr = -9874,
  eventHotKeyExistsErr = -9878,
  eventHotKeyInvalidErr = -9879,
};
enum : UInt32 { kEventHotKeyExclusive = 1 << 0 };
enum : UInt32 {
  kEventClassKeyboard = 0x6B657962,  // 'keyb'
  kEventHotKeyPressed = 5,
  kEventParamDirectObject = 0x2D2D2D2D,  // '----'
  typeEventHotKeyID = 0x686B6964,        // 'hkid'
};

extern "C" {
EventTargetRef GetApplicationEventTarget(void);
EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine);
OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, UInt32 inNumTypes,
                             const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef);
OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize,
                           ByteCount* outActualSize, void* outData);
OSStatus RegisterEventHotKey(UInt32 inHotKeyCode, UInt32 inHotKeyModifiers,
                             EventHotKeyID inHotKeyID, EventTargetRef inTarget, UInt32 inOptions,
                             EventHotKeyRef* outRef);
OSStatus UnregisterEventHotKey(EventHotKeyRef inHotKey);
OSStatus CopySymbolicHotKeys(CFArrayRef* outHotKeyArray);
extern const CFStringRef kHISymbolicHotKeyCode;
extern const CFStringRef kHISymbolicHotKeyModifiers;
extern const CFStringRef kHISymbolicHotKeyEnabled;
}

@interface NSMenuItem (AppleShimHidden)
@property BOOL allowsKeyEquivalentWhenHidden;
@end

@interface NSMenu (AppleShimTracking)
- (void)cancelTracking;
@end

// ---------------------------------------------------------------------------------------
// A search field as a menu row's view: NSMenuItem's view and hidden (macOS 10.5),
// NSSearchFieldDelegate (10.11), NSTextField's placeholderString (10.10) and the
// NSAccessibility protocol's accessibilityLabel (10.10).

@interface NSMenuItem (AppleShimView)
@property(strong) NSView* view;
@property(getter=isHidden) BOOL hidden;
@end

@protocol NSSearchFieldDelegate <NSTextFieldDelegate>
@end

@interface NSTextField (AppleShimPlaceholder)
@property(copy) NSString* placeholderString;
@end

@interface NSView (AppleShimAccessibility)
@property(copy) NSString* accessibilityLabel;
@end
