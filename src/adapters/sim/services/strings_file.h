#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace strandel::sim {

// Parses a string table in the platform's `.strings` format:
//
//   /* comment */  "key" = "value";   // comment
//   "key";                           (the value is the key)
//
// Strings are quoted (escapes \" \\ \n \t \r \a \b \f \v, \UXXXX and \uXXXX with one to four
// hex digits, surrogate pairs joined, octal \ooo) or bare words of letters, digits and _$+/:.-;
// the file may be wrapped in { }. The bytes are UTF-8 (an optional byte-order mark is
// skipped) or UTF-16 with a byte-order mark. A later entry for the same key wins.
//
// Gives nothing for a file that does not follow the format or the encoding anywhere: a broken
// table is ignored whole rather than read in part.
std::optional<std::map<std::string, std::string>> parseStringsFile(std::string_view bytes);

}  // namespace strandel::sim
