#pragma once

#include <memory>

#include "ports/system_log.h"

namespace strandel::mac {

std::shared_ptr<SystemLog> makeSystemLog();

}  // namespace strandel::mac
