#import "adapters/macos/search_field.h"

#include <memory>
#include <utility>

#import "adapters/macos/bridge.h"

// A field editor that may draw the insertion point although its window is not key: AppKit
// draws none then, and the menu window of an app that is not active is never key.
@interface StrandelFieldEditor : NSTextView
@property(nonatomic) BOOL drawsInsertionPointWhenInactive;
@end

@implementation StrandelFieldEditor
- (BOOL)shouldDrawInsertionPoint {
  return self.drawsInsertionPointWhenInactive || [super shouldDrawInsertionPoint];
}
@end

// Hands its field that one editor.
@interface StrandelSearchFieldCell : NSSearchFieldCell
@property(nonatomic, strong) StrandelFieldEditor* editor;
@end

@implementation StrandelSearchFieldCell
- (NSTextView*)fieldEditorForView:(NSView*)view {
  if (self.editor == nil) {
    self.editor = [[StrandelFieldEditor alloc] initWithFrame:NSZeroRect];
    self.editor.fieldEditor = YES;
  }
  return self.editor;
}
@end

// Knows the program's object that wraps it, so that a row's view gives that object back.
@interface StrandelSearchField : NSSearchField
@property(nonatomic) std::weak_ptr<strandel::SearchField> owner;
@end

@implementation StrandelSearchField
@end

// The field's delegate: passes the text changes and key commands on to the program.
@interface StrandelSearchFieldForwarder : NSObject <NSSearchFieldDelegate>
@property(nonatomic) std::weak_ptr<strandel::SearchField> owner;
@property(nonatomic) std::weak_ptr<strandel::SearchFieldDelegate> delegate;
@end

@implementation StrandelSearchFieldForwarder

- (void)controlTextDidChange:(NSNotification*)notification {
  auto owner = self.owner.lock();
  auto delegate = self.delegate.lock();
  if (owner != nullptr && delegate != nullptr) delegate->controlTextDidChange(*owner);
}

- (BOOL)control:(NSControl*)control
               textView:(NSTextView*)textView
    doCommandBySelector:(SEL)commandSelector {
  auto owner = self.owner.lock();
  auto delegate = self.delegate.lock();
  if (owner == nullptr || delegate == nullptr) return NO;
  return delegate->doCommandBySelector(
      *owner, strandel::mac::toStdString(NSStringFromSelector(commandSelector)));
}

@end

namespace strandel::mac {
namespace {

// Wide enough for the placeholder and a few words; a menu is at least as wide as its
// widest row.
constexpr NSRect kFieldFrame = {{0, 0}, {240, 22}};

class MacSearchField final : public SearchField {
 public:
  MacSearchField()
      : field_([[StrandelSearchField alloc] initWithFrame:kFieldFrame]),
        cell_([[StrandelSearchFieldCell alloc] init]),
        forwarder_([[StrandelSearchFieldForwarder alloc] init]) {
    field_.cell = cell_;
    field_.delegate = forwarder_;
  }
  ~MacSearchField() override { field_.delegate = nil; }
  MacSearchField(const MacSearchField&) = delete;
  MacSearchField& operator=(const MacSearchField&) = delete;

  void adopt(const std::shared_ptr<SearchField>& self) {
    field_.owner = self;
    forwarder_.owner = self;
  }
  NSSearchField* field() const { return field_; }

  std::string stringValue() const override { return toStdString(field_.stringValue); }
  void setStringValue(const std::string& text) override { field_.stringValue = toNSString(text); }
  std::string placeholderString() const override { return toStdString(field_.placeholderString); }
  void setPlaceholderString(const std::string& text) override {
    field_.placeholderString = toNSString(text);
  }
  std::string accessibilityLabel() const override { return toStdString(field_.accessibilityLabel); }
  void setAccessibilityLabel(const std::string& text) override {
    field_.accessibilityLabel = toNSString(text);
  }
  void setDelegate(std::weak_ptr<SearchFieldDelegate> delegate) override {
    forwarder_.delegate = std::move(delegate);
  }
  bool makeFirstResponder() override {
    NSWindow* window = field_.window;
    return window != nil && [window makeFirstResponder:field_];
  }
  bool isFirstResponder() const override {
    NSText* editor = field_.currentEditor;
    return editor != nil && field_.window.firstResponder == editor;
  }
  void setDrawsInsertionPointWhenInactive(bool draws) override {
    [cell_ fieldEditorForView:field_];
    cell_.editor.drawsInsertionPointWhenInactive = draws;
  }

 private:
  StrandelSearchField* field_;
  StrandelSearchFieldCell* cell_;
  StrandelSearchFieldForwarder* forwarder_;
};

}  // namespace

SearchFieldRef makeSearchField() {
  auto field = std::make_shared<MacSearchField>();
  field->adopt(field);
  return field;
}

NSView* unwrapSearchField(const SearchFieldRef& field) {
  auto* mac = dynamic_cast<MacSearchField*>(field.get());
  return mac == nullptr ? nil : mac->field();
}

SearchFieldRef wrapSearchField(NSView* view) {
  if (![view isKindOfClass:[StrandelSearchField class]]) return nullptr;
  return static_cast<StrandelSearchField*>(view).owner.lock();
}

}  // namespace strandel::mac
