#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace strandel {

using FormatArgument = std::variant<std::string, int64_t>;

// printf-style formatting of a localised text ("%@" for text, "%lld" and kin for integers,
// positional "%1$@" included). Whatever the text holds, it never reads past the arguments
// given: a directive without a matching argument of its kind is written out as it stands.
// "%@" takes either kind (a number shows in decimal); "%s" takes text only.
std::string stringWithFormat(std::string_view format, std::initializer_list<FormatArgument> args);

}  // namespace strandel
