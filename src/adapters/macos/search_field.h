#pragma once

#import <AppKit/AppKit.h>

#include "ports/menu.h"

namespace strandel::mac {

// An NSSearchField for a menu row's view, with a field editor that can draw its caret in a
// window that is not key.
SearchFieldRef makeSearchField();

// The NSSearchField behind a field made here; nil for any other.
NSView* unwrapSearchField(const SearchFieldRef& field);

// The field made here that is this view; none for any other view.
SearchFieldRef wrapSearchField(NSView* view);

}  // namespace strandel::mac
