#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ports/workspace.h"

namespace strandel::sim {

// URL(string:): accepts exactly the URI references of RFC 3986, absolute ("scheme:...") or
// relative, as the platform does. Rejected: the empty string, spaces, control characters,
// characters outside ASCII, "%" not followed by two hex digits, characters not allowed where
// they stand (a second "#", "[" outside a host, a bad port, a first path segment with ":"
// after a scheme-less start). The text is kept unchanged.
class PosixURLs : public URLs {
 public:
  std::optional<URL> urlWithString(const std::string& text) override;
};

bool isValidURIReference(std::string_view text);

}  // namespace strandel::sim
