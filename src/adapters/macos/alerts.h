#pragma once

#include <memory>

#include "ports/alert.h"

namespace strandel::mac {

std::shared_ptr<Alerts> makeAlerts();

}  // namespace strandel::mac
