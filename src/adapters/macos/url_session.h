#pragma once

#include <memory>

#include "ports/http.h"

namespace strandel::mac {

// NSURLSession's shared session.
std::shared_ptr<HTTPSession> makeHTTPSession();

}  // namespace strandel::mac
