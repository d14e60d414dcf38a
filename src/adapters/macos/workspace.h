#pragma once

#include <memory>

#include "ports/workspace.h"

namespace strandel::mac {

std::shared_ptr<Workspace> makeWorkspace();

}  // namespace strandel::mac
