#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace strandel::sim {

// A place in a text file: 1-based line and column (columns count characters, not bytes).
struct TextPosition {
  int line = 1;
  int column = 1;
  bool operator==(const TextPosition&) const = default;
};

// A JSON text read strictly (RFC 8259: no comments, no trailing commas, valid UTF-8), with
// the place where every value starts, keyed by its JSON pointer ("" for the root,
// "/apps/0/pid"). Hand-written files need precise messages, so a member given twice is an
// error rather than silently the last one.
struct JsonDocument {
  nlohmann::json root;
  std::map<std::string, TextPosition> positions;

  // Where the value at `pointer` starts; the root's position when it is unknown.
  TextPosition positionOf(const std::string& pointer) const;
};

class JsonSyntaxError : public std::runtime_error {
 public:
  JsonSyntaxError(TextPosition at, const std::string& what)
      : std::runtime_error(what), position(at) {}
  TextPosition position;
};

// Nesting deeper than this is refused instead of recursing further.
inline constexpr int kMaxJsonDepth = 128;

// Throws JsonSyntaxError with the place and a description of the first fault.
JsonDocument readJson(std::string_view text);

// A JSON pointer token for a member name ("~" and "/" escaped).
std::string jsonPointerToken(std::string_view name);

}  // namespace strandel::sim
