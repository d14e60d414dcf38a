// The macOS adapters against the real frameworks, for what runs without the user's
// permission or a menu bar: text and Accessibility values crossing into the ports, rows
// sending their actions by name, menu delegates, images, addresses and queues.

#import <AppKit/AppKit.h>
#import <ApplicationServices/ApplicationServices.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <future>
#include <limits>
#include <string>
#include <vector>

#import "adapters/macos/ax_accessibility.h"
#import "adapters/macos/bridge.h"
#import "adapters/macos/dispatch.h"
#import "adapters/macos/images.h"
#import "adapters/macos/menus.h"
#import "adapters/macos/urls.h"

namespace strandel::mac {
namespace {

TEST(MacBridgeTest, TextKeepsEveryCharacterBothWays) {
  const std::vector<std::string> texts = {"", "Clock", "가려진 항목 (%lld)", "emoji 😀",
                                          std::string("nul\0inside", 10)};
  for (const auto& text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(toStdString(toNSString(text)), text);
  }
  // Bytes that are not UTF-8 still show, read as Latin-1.
  EXPECT_EQ(toStdString(toNSString("caf\xE9")), "caf\xC3\xA9");
  EXPECT_EQ(toStdString(nil), "");
}

TEST(MacAccessibilityTest, TellsValueKindsApartAndReadsEach) {
  auto ax = makeAccessibility();
  CGPoint point = CGPointMake(120.5, -3);
  CGSize size = CGSizeMake(-20, 22);
  AXRef pointValue = adoptCFObject(AXValueCreate(kAXValueTypeCGPoint, &point));
  AXRef sizeValue = adoptCFObject(AXValueCreate(kAXValueTypeCGSize, &size));
  AXRef text = adoptCFObject(CFBridgingRetain(@"Wi‑Fi"));
  AXRef number = adoptCFObject(CFBridgingRetain(@42));

  EXPECT_EQ(ax->typeID(pointValue), ax->valueTypeID());
  EXPECT_EQ(ax->typeID(text), ax->stringTypeID());
  EXPECT_NE(ax->typeID(number), ax->valueTypeID());
  EXPECT_EQ(ax->typeID(nullptr), 0u);

  Point p;
  Size s;
  EXPECT_TRUE(ax->valueGetPoint(pointValue, p));
  EXPECT_EQ(p, (Point{120.5, -3}));
  EXPECT_TRUE(ax->valueGetSize(sizeValue, s));
  EXPECT_EQ(s, (Size{-20, 22}));
  // A value of the other kind, or no Accessibility value at all, gives nothing.
  EXPECT_FALSE(ax->valueGetSize(pointValue, s));
  EXPECT_FALSE(ax->valueGetPoint(sizeValue, p));
  EXPECT_FALSE(ax->valueGetPoint(number, p));
  EXPECT_FALSE(ax->valueGetPoint(nullptr, p));

  EXPECT_EQ(ax->stringValue(text), "Wi‑Fi");
  EXPECT_EQ(ax->stringValue(number), "");

  // "AXEnabled" comes back as a CFBoolean; a number is not one.
  AXRef no = adoptCFObject(CFBridgingRetain(@(NO)));
  AXRef yes = adoptCFObject(CFBridgingRetain(@(YES)));
  EXPECT_EQ(ax->typeID(yes), ax->booleanTypeID());
  EXPECT_NE(ax->typeID(number), ax->booleanTypeID());
  EXPECT_TRUE(ax->booleanValue(yes));
  EXPECT_FALSE(ax->booleanValue(no));
  EXPECT_FALSE(ax->booleanValue(number));
}

TEST(MacAccessibilityTest, ArrayElementsOutliveTheirArray) {
  auto ax = makeAccessibility();
  AXRef array = adoptCFObject(CFBridgingRetain(@[ @"Clock", @"Battery" ]));
  EXPECT_EQ(ax->typeID(array), ax->arrayTypeID());
  std::vector<AXRef> elements = ax->arrayValues(array);
  array.reset();
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(ax->stringValue(elements[0]), "Clock");
  EXPECT_EQ(ax->stringValue(elements[1]), "Battery");
  EXPECT_TRUE(ax->arrayValues(elements[0]).empty());
}

TEST(MacAccessibilityTest, OnlyElementsReachTheAccessibilityCalls) {
  auto ax = makeAccessibility();
  AXRef text = adoptCFObject(CFBridgingRetain(@"not an element"));
  AXRef value = text;
  EXPECT_EQ(ax->copyAttributeValue(text, "AXChildren", value), AXError::illegalArgument);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(ax->performAction(nullptr, "AXPress"), AXError::illegalArgument);
  EXPECT_EQ(ax->setMessagingTimeout(text, 0.25f), AXError::illegalArgument);

  ProcessID pid = -1;
  EXPECT_EQ(ax->getPid(text, pid), AXError::illegalArgument);
  EXPECT_EQ(pid, -1);

  AXRef application = ax->createApplication(getpid());
  EXPECT_EQ(ax->typeID(application), ax->elementTypeID());
  EXPECT_EQ(ax->getPid(application, pid), AXError::success);
  EXPECT_EQ(pid, getpid());
  // Two elements made for one process are the same element; nothing equals a missing one.
  EXPECT_TRUE(ax->equal(application, ax->createApplication(getpid())));
  EXPECT_FALSE(ax->equal(application, text));
  EXPECT_FALSE(ax->equal(application, nullptr));
}

struct Payload final : Object {};

class RecordingTarget final : public ActionTarget {
 public:
  struct Call {
    std::string action;
    std::shared_ptr<const Object> object;
    std::string title;
  };
  bool respondsTo(const std::string& action) const override {
    return action == "pick:" || action == "toggle";
  }
  void perform(const std::string& action, MenuItem& sender) override {
    calls.push_back({action, sender.representedObject(), sender.title()});
  }
  std::vector<Call> calls;
};

TEST(MacMenusTest, RowsSendTheirActionByNameWithTheRowAsSender) {
  auto menus = makeMenus();
  MenuRef menu = menus->makeMenu();
  auto target = std::make_shared<RecordingTarget>();
  auto payload = std::make_shared<const Payload>();

  MenuItemRef pick = menu->addItemWithTitle("Clock", "pick:", "");
  pick->setTarget(target);
  pick->setRepresentedObject(payload);
  MenuItemRef toggle = menus->makeItem("Launch at Login", "toggle", "");
  toggle->setTarget(target);
  menu->addItem(toggle);
  ASSERT_EQ(menu->numberOfItems(), 2);

  NSMenu* nsMenu = unwrapMenu(menu);
  NSApplication* app = [NSApplication sharedApplication];
  for (NSInteger i = 0; i < 2; ++i) {
    NSMenuItem* row = [nsMenu itemAtIndex:i];
    EXPECT_TRUE([row.target respondsToSelector:row.action]);
    EXPECT_FALSE([row.target respondsToSelector:NSSelectorFromString(@"other:")]);
    // A message the target does not handle is not swallowed: it raises as unrecognised.
    EXPECT_NE([row.target methodSignatureForSelector:row.action], nil);
    EXPECT_EQ([row.target methodSignatureForSelector:NSSelectorFromString(@"other:")], nil);
    EXPECT_TRUE([app sendAction:row.action to:row.target from:row]);
  }
  ASSERT_EQ(target->calls.size(), 2u);
  EXPECT_EQ(target->calls[0].action, "pick:");
  EXPECT_EQ(target->calls[0].object, payload);
  EXPECT_EQ(target->calls[0].title, "Clock");
  EXPECT_EQ(target->calls[1].action, "toggle");
  EXPECT_EQ(target->calls[1].object, nullptr);
  EXPECT_EQ(pick->target(), target);

  // Rows hold their target weakly: once it is gone, choosing a row does nothing.
  std::weak_ptr<RecordingTarget> gone = target;
  target.reset();
  EXPECT_EQ(pick->target(), nullptr);
  NSMenuItem* row = [nsMenu itemAtIndex:0];
  EXPECT_FALSE([row.target respondsToSelector:row.action]);
  EXPECT_EQ([row.target methodSignatureForSelector:row.action], nil);
  EXPECT_EQ([app targetForAction:row.action to:row.target from:row], nil);
  EXPECT_TRUE(gone.expired());
}

TEST(MacMenusTest, RowsGiveBackWhatTheyWereGiven) {
  auto menus = makeMenus();
  MenuItemRef row = menus->makeItem("Quit", "terminate:", "q");
  EXPECT_EQ(row->title(), "Quit");
  EXPECT_EQ(row->action(), "terminate:");
  EXPECT_EQ(row->keyEquivalent(), "q");
  EXPECT_FALSE(row->isSeparator());
  EXPECT_EQ(menus->makeItem("Notice", std::nullopt, "")->action(), std::nullopt);
  EXPECT_TRUE(menus->separatorItem()->isSeparator());

  for (ControlState state : {ControlState::on, ControlState::mixed, ControlState::off}) {
    row->setState(state);
    EXPECT_EQ(row->state(), state);
  }
  AttributedString header{"HIDDEN (2)", Font{11, FontWeight::semibold}, Color::secondaryLabel};
  row->setAttributedTitle(header);
  EXPECT_EQ(row->attributedTitle(), header);

  auto payload = std::make_shared<const Payload>();
  row->setRepresentedObject(payload);
  EXPECT_EQ(row->representedObject(), payload);
  row->setRepresentedObject(nullptr);
  EXPECT_EQ(row->representedObject(), nullptr);

  EXPECT_EQ(row->keyEquivalentModifierMask(), ModifierFlags::command);
  EXPECT_FALSE(row->isAlternate());
  row->setKeyEquivalentModifierMask(ModifierFlags::option);
  row->setAlternate(true);
  EXPECT_EQ(row->keyEquivalentModifierMask(), ModifierFlags::option);
  EXPECT_TRUE(row->isAlternate());
  MenuRef menu = menus->makeMenu();
  menu->addItem(row);
  NSMenuItem* item = [unwrapMenu(menu) itemAtIndex:0];
  EXPECT_EQ([item keyEquivalentModifierMask], NSEventModifierFlagOption);
  EXPECT_TRUE([item isAlternate]);
}

TEST(MacMenusTest, OutOfRangeAndMisplacedRowsAreRefusedWithoutAnException) {
  auto menus = makeMenus();
  MenuRef first = menus->makeMenu();
  MenuRef second = menus->makeMenu();
  MenuItemRef row = first->addItemWithTitle("Clock", "pick:", "");
  EXPECT_EQ(first->itemAtIndex(-1), nullptr);
  EXPECT_EQ(first->itemAtIndex(1), nullptr);
  ASSERT_NE(first->itemAtIndex(0), nullptr);
  EXPECT_EQ(first->itemAtIndex(0)->title(), "Clock");

  second->addItem(row);  // already in the first menu
  EXPECT_EQ(second->numberOfItems(), 0);
  EXPECT_EQ(first->numberOfItems(), 1);
  first->removeAllItems();
  EXPECT_EQ(first->numberOfItems(), 0);
}

class RecordingMenuDelegate final : public MenuDelegate {
 public:
  void menuNeedsUpdate(Menu& menu) override { seen.push_back({"needsUpdate", &menu}); }
  void menuWillOpen(Menu& menu) override { seen.push_back({"willOpen", &menu}); }
  void menuDidClose(Menu& menu) override { seen.push_back({"didClose", &menu}); }
  void menuDidBeginTracking(Menu& menu) override { seen.push_back({"beganTracking", &menu}); }
  std::vector<std::pair<std::string, Menu*>> seen;
};

TEST(MacMenusTest, MenuMessagesReachTheDelegateWithTheSameMenu) {
  auto menus = makeMenus();
  MenuRef menu = menus->makeMenu();
  auto delegate = std::make_shared<RecordingMenuDelegate>();
  menu->setDelegate(delegate);
  EXPECT_EQ(menu->delegate(), delegate);

  NSMenu* nsMenu = unwrapMenu(menu);
  id<NSMenuDelegate> forwarder = nsMenu.delegate;
  [forwarder menuNeedsUpdate:nsMenu];
  [forwarder menuWillOpen:nsMenu];
  [forwarder menuDidClose:nsMenu];
  using Seen = std::vector<std::pair<std::string, Menu*>>;
  EXPECT_EQ(
      delegate->seen,
      (Seen{{"needsUpdate", menu.get()}, {"willOpen", menu.get()}, {"didClose", menu.get()}}));

  delegate.reset();
  [forwarder menuWillOpen:nsMenu];  // a delegate that is gone is not called
  EXPECT_EQ(menu->delegate(), nullptr);
}

TEST(MacImagesTest, CopiesResizeWithoutTouchingTheOriginal) {
  auto images = makeImages();
  EXPECT_EQ(images->systemSymbol("no.such.symbol.anywhere", "x"), nullptr);
  ImageRef symbol = images->systemSymbol("ellipsis.circle", "Strandel");
  ASSERT_NE(symbol, nullptr);
  EXPECT_EQ(symbol->accessibilityDescription(), "Strandel");
  const Size original = symbol->size();

  ImageRef copy = symbol->copy();
  ASSERT_NE(copy, nullptr);
  copy->setSize({18, 18});
  EXPECT_EQ(copy->size(), (Size{18, 18}));
  EXPECT_EQ(symbol->size(), original);

  symbol->setTemplate(true);
  EXPECT_TRUE(symbol->isTemplate());
  symbol->setTemplate(false);
  EXPECT_FALSE(symbol->isTemplate());
  EXPECT_EQ(unwrapImage(nullptr), nil);
}

TEST(MacURLsTest, AcceptsAddressesAndRefusesTextWithNul) {
  auto urls = makeURLs();
  const std::string pane =
      "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
  auto url = urls->urlWithString(pane);
  ASSERT_TRUE(url.has_value());
  EXPECT_EQ(url->absoluteString, pane);
  EXPECT_NE(toNSURL(*url), nil);
  EXPECT_EQ(urls->urlWithString(std::string("https://a.example/\0b", 20)), std::nullopt);
}

TEST(MacDispatchTest, DelaysBecomeNanosecondsThatDispatchTimeCanCount) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  const int64_t longest = kLongestDelay * 1'000'000'000;
  struct Case {
    double seconds;
    int64_t nanoseconds;
  } cases[] = {
      {0.12, 120'000'000}, {3.0, 3'000'000'000}, {0.0, 0}, {-1.0, 0}, {nan, 0},
      {1e300, longest},    {infinity, longest},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(delayNanoseconds(c.seconds), c.nanoseconds) << c.seconds;
  }
  // Even the longest delay leaves a deadline, never "forever".
  EXPECT_NE(dispatch_time(DISPATCH_TIME_NOW, delayNanoseconds(infinity)), DISPATCH_TIME_FOREVER);
}

TEST(MacDispatchTest, SerialQueueRunsBlocksInOrderUnderItsLabel) {
  auto dispatch = makeDispatch();
  auto queue =
      dispatch->makeSerialQueue("com.quillet.strandel.ax", QualityOfService::userInitiated);
  EXPECT_EQ(queue->label(), "com.quillet.strandel.ax");
  // Written only on the queue, read after the last block has signalled.
  auto order = std::make_shared<std::vector<int>>();
  std::promise<void> done;
  for (int i = 0; i < 50; ++i) {
    queue->async([order, i] { order->push_back(i); });
  }
  queue->async([&done] { done.set_value(); });
  done.get_future().wait();
  ASSERT_EQ(order->size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ((*order)[static_cast<size_t>(i)], i);
}

}  // namespace
}  // namespace strandel::mac
