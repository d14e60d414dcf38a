#pragma once

namespace strandel {

// The root of objects that the platform may hold on the program's behalf (a menu row's
// represented object); a dynamic type test tells the program's own objects apart.
class Object {
 public:
  virtual ~Object() = default;
};

}  // namespace strandel
