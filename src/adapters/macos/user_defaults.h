#pragma once

#include <memory>

#include "ports/user_defaults.h"

namespace strandel::mac {

std::shared_ptr<UserDefaults> makeUserDefaults();

}  // namespace strandel::mac
