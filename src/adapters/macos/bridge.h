#pragma once

#import <Foundation/Foundation.h>

#include <string>
#include <string_view>

namespace strandel::mac {

// UTF-8 text as an NSString. Bytes that are not UTF-8 are read as Latin-1 rather than
// dropped, so that no text turns into nothing on its way to the screen.
NSString* toNSString(std::string_view text);

// An NSString's text as UTF-8; nil gives the empty string.
std::string toStdString(NSString* text);

}  // namespace strandel::mac
