#include "adapters/sim/simulator/scene_reading.h"

namespace strandel::sim::scene_reading {

std::string typeName(const json& v) {
  switch (v.type()) {
    case json::value_t::null:
      return "null";
    case json::value_t::boolean:
      return "a boolean";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
      return "an integer";
    case json::value_t::number_float:
      return "a number";
    case json::value_t::string:
      return "a string";
    case json::value_t::array:
      return "an array";
    case json::value_t::object:
      return "an object";
    default:
      return "an unknown value";
  }
}

std::string inQuotes(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

size_t codePoints(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

Rect readRect(const Node& node, bool sizeMustBePositive, bool sizeMayBeNegative) {
  const auto& items = node.array();
  if (items.size() != 4) {
    node.fail("expected [x, y, width, height], found an array of " + std::to_string(items.size()));
  }
  double n[4];
  for (size_t i = 0; i < 4; ++i) n[i] = node.element(i).number();
  for (size_t i = 2; i < 4; ++i) {
    const char* which = i == 2 ? "width" : "height";
    if (sizeMustBePositive && n[i] <= 0) {
      node.element(i).fail(std::string("the ") + which + " must be greater than 0");
    }
    if (!sizeMayBeNegative && n[i] < 0) {
      node.element(i).fail(std::string("the ") + which + " cannot be negative");
    }
  }
  return Rect{Point{n[0], n[1]}, Size{n[2], n[3]}};
}

}  // namespace strandel::sim::scene_reading
