#pragma once

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

// A JSON text read strictly (RFC 8259: no comments, no trailing commas, valid UTF-8), and
// the text it was read from, which must outlive it. Hand-written files need precise
// messages, so a member given twice is an error rather than silently the last one.
struct JsonDocument {
  nlohmann::json root;
  std::string_view text;

  // Where the value at a JSON pointer ("" for the root, "/apps/0/pid") starts; the root's
  // place when there is no such value. Found by reading the text again, so that reading
  // keeps no place for each value: only a fault asks, once.
  TextPosition positionOf(std::string_view pointer) const;
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
