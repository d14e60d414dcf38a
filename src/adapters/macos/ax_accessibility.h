#pragma once

#import <ApplicationServices/ApplicationServices.h>

#include <memory>

#include "ports/accessibility.h"

namespace strandel::mac {

std::shared_ptr<Accessibility> makeAccessibility();

// An AXRef that owns `owned` (a +1 reference, released with the last copy); none for NULL.
AXRef adoptCFObject(CFTypeRef owned);

// The CoreFoundation object an AXRef made here holds; NULL for any other AXRef.
CFTypeRef cfObject(const AXRef& ref);

}  // namespace strandel::mac
