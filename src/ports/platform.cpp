#include "ports/platform.h"

#include <cassert>

namespace strandel {

namespace {
Platform* installed = nullptr;
}

Platform& platform() {
  assert(installed != nullptr && "no platform installed");
  return *installed;
}

void installPlatform(Platform* platform) {
  installed = platform;
}

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(installed) {
  installed = &platform;
}

ScopedPlatform::~ScopedPlatform() {
  installed = previous_;
}

}  // namespace strandel
