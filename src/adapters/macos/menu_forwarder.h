#pragma once

#import <AppKit/AppKit.h>

#include <memory>

#include "ports/menu.h"

// A menu's delegate: passes the menu's messages, and the start of its tracking
// (NSMenuDidBeginTrackingNotification), on to the program's delegate.
@interface StrandelMenuDelegate : NSObject <NSMenuDelegate>
- (instancetype)initWithMenu:(strandel::Menu*)menu;
- (void)setDelegate:(std::weak_ptr<strandel::MenuDelegate>)delegate;
- (std::shared_ptr<strandel::MenuDelegate>)delegate;
// Observes the NSMenu's tracking until detached.
- (void)observeTrackingOf:(NSMenu*)menu;
- (void)detach;
@end
