#pragma once

#import <Foundation/Foundation.h>

#include <memory>

#include "ports/workspace.h"

namespace strandel::mac {

std::shared_ptr<URLs> makeURLs();

// The NSURL for an address the port accepted; nil if the text no longer parses.
NSURL* toNSURL(const URL& url);

}  // namespace strandel::mac
