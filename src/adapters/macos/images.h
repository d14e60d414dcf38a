#pragma once

#import <AppKit/AppKit.h>

#include <memory>

#include "ports/image.h"

namespace strandel::mac {

std::shared_ptr<Images> makeImages();

// An image object for the port; none for nil.
ImageRef wrapImage(NSImage* image);
// The NSImage behind an image made here; nil for none.
NSImage* unwrapImage(const ImageRef& image);

}  // namespace strandel::mac
