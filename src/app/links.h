#pragma once

#include "ports/workspace.h"

namespace strandel {

// Addresses the program opens.
class Links {
 public:
  Links() = delete;

  // The donation page.
  static const URL& donate();
};

}  // namespace strandel
