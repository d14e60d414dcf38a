#import "adapters/macos/menu_forwarder.h"

#include <utility>

@implementation StrandelMenuDelegate {
  strandel::Menu* _menu;
  std::weak_ptr<strandel::MenuDelegate> _delegate;
}

- (instancetype)initWithMenu:(strandel::Menu*)menu {
  if ((self = [super init])) _menu = menu;
  return self;
}

- (void)setDelegate:(std::weak_ptr<strandel::MenuDelegate>)delegate {
  _delegate = std::move(delegate);
}

- (std::shared_ptr<strandel::MenuDelegate>)delegate {
  return _delegate.lock();
}

- (void)observeTrackingOf:(NSMenu*)menu {
  [[NSNotificationCenter defaultCenter] addObserver:self
                                           selector:@selector(menuDidBeginTracking:)
                                               name:NSMenuDidBeginTrackingNotification
                                             object:menu];
}

- (void)detach {
  _menu = nullptr;
  [[NSNotificationCenter defaultCenter] removeObserver:self];
}

- (void)menuNeedsUpdate:(NSMenu*)menu {
  auto delegate = _delegate.lock();
  if (delegate != nullptr && _menu != nullptr) delegate->menuNeedsUpdate(*_menu);
}

- (void)menuWillOpen:(NSMenu*)menu {
  auto delegate = _delegate.lock();
  if (delegate != nullptr && _menu != nullptr) delegate->menuWillOpen(*_menu);
}

- (void)menuDidClose:(NSMenu*)menu {
  auto delegate = _delegate.lock();
  if (delegate != nullptr && _menu != nullptr) delegate->menuDidClose(*_menu);
}

- (void)menuDidBeginTracking:(NSNotification*)notification {
  auto delegate = _delegate.lock();
  if (delegate != nullptr && _menu != nullptr) delegate->menuDidBeginTracking(*_menu);
}

@end
