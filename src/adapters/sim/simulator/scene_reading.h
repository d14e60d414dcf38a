#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "adapters/sim/simulator/json_reader.h"
#include "ports/geometry.h"

// The pieces that read a scene's JSON: a value with its place in the document, and the
// complaints that name that place. For the scene readers only.
namespace strandel::sim::scene_reading {

using nlohmann::json;

// A fault in a scene that parsed as JSON: where (a JSON pointer) and what.
struct FormatError {
  std::string pointer;
  std::string what;
};

constexpr int64_t kMaxPid = std::numeric_limits<int32_t>::max();

std::string typeName(const json& v);
std::string inQuotes(std::string_view text);
size_t codePoints(std::string_view text);

template <typename List>
std::string namesOf(const List& list) {
  std::string out;
  for (const auto& entry : list) {
    if (!out.empty()) out += ", ";
    out += std::string(entry.name);
  }
  return out;
}

// A value of the document and the way to it, so that every complaint can say where. The way
// is a reference to the parent and this value's name or index in it, and the pointer is
// spelled only when asked for: copying it into every value would cost the square of the
// file's size. A node must not outlive its parent, as none of the readers' locals do.
struct Node {
  const json& value;
  const Node* parent = nullptr;
  const std::string* key = nullptr;  // the document's own, when a member
  size_t index = 0;                  // when an element

  Node member(std::string_view name) const {
    const auto found = value.find(std::string(name));
    if (found == value.end()) fail("missing member " + inQuotes(name));
    return Node{*found, this, &found.key(), 0};
  }
  Node element(size_t at) const { return Node{value.at(at), this, nullptr, at}; }

  // The JSON pointer of the value ("" for the root, "/apps/0/pid").
  std::string pointer() const {
    std::vector<const Node*> way;
    for (const Node* node = this; node->parent; node = node->parent) way.push_back(node);
    std::string out;
    for (auto step = way.rbegin(); step != way.rend(); ++step) {
      out +=
          "/" + ((*step)->key ? jsonPointerToken(*(*step)->key) : std::to_string((*step)->index));
    }
    return out;
  }
  bool has(std::string_view name) const {
    return value.is_object() && value.contains(std::string(name));
  }

  [[noreturn]] void fail(const std::string& what) const { throw FormatError{pointer(), what}; }
  [[noreturn]] void expected(const std::string& what) const {
    fail("expected " + what + ", found " + typeName(value));
  }

  // An object whose members are all among `known`, and that has every one of `required`.
  void object(std::initializer_list<std::string_view> known,
              std::initializer_list<std::string_view> required = {}) const {
    if (!value.is_object()) expected("an object");
    for (const auto& [name, unused] : value.items()) {
      if (std::find(known.begin(), known.end(), name) != known.end()) continue;
      std::string list;
      for (auto k : known) list += (list.empty() ? "" : ", ") + std::string(k);
      member(name).fail("unknown member " + inQuotes(name) + " (known: " + list + ")");
    }
    for (auto name : required) {
      if (!has(name)) fail("missing member " + inQuotes(name));
    }
  }

  const json::array_t& array() const {
    if (!value.is_array()) expected("an array");
    return value.get_ref<const json::array_t&>();
  }

  std::string string() const {
    if (!value.is_string()) expected("a string");
    return value.get<std::string>();
  }

  bool boolean() const {
    if (!value.is_boolean()) expected("true or false");
    return value.get<bool>();
  }

  double number() const {
    if (!value.is_number()) expected("a number");
    double d = value.get<double>();
    if (!std::isfinite(d)) fail("the number is out of range");
    return d;
  }

  double atLeast(double minimum, const char* meaning) const {
    double d = number();
    if (d < minimum) fail(std::string(meaning) + " cannot be negative");
    return d;
  }

  int64_t integer(int64_t minimum, int64_t maximum) const {
    if (value.is_number_float()) {
      double d = value.get<double>();
      if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9e15) {
        return checkRange(static_cast<int64_t>(d), minimum, maximum);
      }
      expected("an integer");
    }
    if (value.is_number_unsigned() &&
        value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
      fail("the integer must be from " + std::to_string(minimum) + " to " +
           std::to_string(maximum));
    }
    if (!value.is_number_integer()) expected("an integer");
    return checkRange(value.get<int64_t>(), minimum, maximum);
  }

  int64_t checkRange(int64_t i, int64_t minimum, int64_t maximum) const {
    if (i < minimum || i > maximum) {
      fail("the integer must be from " + std::to_string(minimum) + " to " +
           std::to_string(maximum));
    }
    return i;
  }
};

// [x, y, width, height].
Rect readRect(const Node& node, bool sizeMustBePositive, bool sizeMayBeNegative);

}  // namespace strandel::sim::scene_reading
