#pragma once

#include <memory>

#include "ports/application.h"

namespace strandel::mac {

std::shared_ptr<Application> makeApplication();

}  // namespace strandel::mac
