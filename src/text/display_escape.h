#pragma once

#include <string>
#include <string_view>

// Text that came from input (a scene, a script, a server, another application) printed so
// that it can neither drive a terminal nor reorder what is shown around it. One rule for
// every output: the C0 controls, DEL, the C1 controls, the bidirectional formatting
// controls and the two Unicode line separators become visible escapes; every other valid
// character passes unchanged, so clean text prints exactly as it is.
namespace strandel {

// Whether `c` is one of the characters above.
bool needsDisplayEscape(char32_t c);

// The escape that stands for `c`: "\n" for a line feed, "\xNN" for the other controls
// below U+0080, "\uNNNN" above ("\u202E").
std::string displayEscapeOf(char32_t c);

// `text` with every such character escaped, and every byte that is not part of valid
// UTF-8 written as "\xNN". The result is valid UTF-8 without any of those characters, so
// escaping it again changes nothing.
std::string displayEscape(std::string_view text);

}  // namespace strandel
