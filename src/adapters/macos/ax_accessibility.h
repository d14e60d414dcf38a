#pragma once

#import <ApplicationServices/ApplicationServices.h>

#include <memory>

#include "ports/accessibility.h"

namespace strandel::mac {

std::shared_ptr<Accessibility> makeAccessibility();

// The CoreFoundation object an AXRef made here holds; NULL for any other AXRef.
CFTypeRef cfObject(const AXRef& ref);

}  // namespace strandel::mac
