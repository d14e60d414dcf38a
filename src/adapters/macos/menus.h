#pragma once

#import <AppKit/AppKit.h>

#include <memory>

#include "ports/menu.h"

namespace strandel::mac {

std::shared_ptr<Menus> makeMenus();

// The NSMenu behind a menu made here; nil for any other.
NSMenu* unwrapMenu(const MenuRef& menu);

}  // namespace strandel::mac
