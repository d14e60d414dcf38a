#include "adapters/sim/services/settings_json.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include <nlohmann/json.hpp>

namespace strandel::sim {

namespace {

using json = nlohmann::json;

// Checks that the text is one JSON object within the depth bound, without building it; the
// parser itself keeps its own stack, so no input can exhaust the thread's.
class SettingsShape : public nlohmann::json_sax<json> {
 public:
  bool notAnObject = false;
  bool tooDeep = false;

  bool null() override { return scalar(); }
  bool boolean(bool) override { return scalar(); }
  bool number_integer(number_integer_t) override { return scalar(); }
  bool number_unsigned(number_unsigned_t) override { return scalar(); }
  bool number_float(number_float_t, const string_t&) override { return scalar(); }
  bool string(string_t&) override { return scalar(); }
  bool binary(binary_t&) override { return scalar(); }
  bool start_object(std::size_t) override { return open(true); }
  bool key(string_t&) override { return true; }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(false); }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool scalar() {
    if (depth_ == 0) notAnObject = true;
    return !notAnObject;
  }
  bool open(bool object) {
    if (depth_ == 0 && !object) notAnObject = true;
    if (++depth_ > kMaxSettingsDepth) tooDeep = true;
    return !notAnObject && !tooDeep;
  }
  bool close() {
    --depth_;
    return true;
  }
  size_t depth_ = 0;
};

// The text with each number out of a double's range written as 0, padded to its length: what
// the shape is checked on, as the parser refuses a number too large for a double, which is a
// value like any other and keeps its text.
std::string withLargeNumbersAsZero(std::string_view text) {
  std::string out(text);
  for (size_t at = 0; at < out.size();) {
    const char c = out[at];
    if (c == '"') {
      for (++at; at < out.size() && out[at] != '"'; ++at) {
        if (out[at] == '\\') ++at;
      }
      ++at;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      const size_t end = std::min(out.find_first_not_of("0123456789+-.eE", at), out.size());
      double ignored = 0;
      if (std::from_chars(out.data() + at, out.data() + end, ignored).ec ==
          std::errc::result_out_of_range) {
        out.replace(at, end - at, "0" + std::string(end - at - 1, ' '));
      }
      at = end;
    } else {
      ++at;
    }
  }
  return out;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The steps below walk text that the parser has accepted already.
size_t skipSpace(std::string_view text, size_t at) {
  while (at < text.size() && isSpace(text[at])) ++at;
  return at;
}

// From the opening quote to just after the closing one.
size_t endOfString(std::string_view text, size_t at) {
  for (++at; text[at] != '"'; ++at) {
    if (text[at] == '\\') ++at;
  }
  return at + 1;
}

// The comma or bracket that ends the value starting at `at`.
size_t endOfValue(std::string_view text, size_t at) {
  size_t depth = 0;
  while (true) {
    char c = text[at];
    if (c == '"') {
      at = endOfString(text, at);
      continue;
    }
    if (c == '[' || c == '{') {
      ++depth;
    } else if (c == ']' || c == '}') {
      if (depth == 0) return at;
      --depth;
    } else if (c == ',' && depth == 0) {
      return at;
    }
    ++at;
  }
}

std::string withoutSpace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    if (text[at] == '"') {
      size_t end = endOfString(text, at);
      out.append(text.substr(at, end - at));
      at = end;
    } else {
      if (!isSpace(text[at])) out.push_back(text[at]);
      ++at;
    }
  }
  return out;
}

// What a value means to the program. An integer that no 64-bit integer holds, and a number
// that no double holds, is kept as its text, never turned into a floating-point number.
DefaultsValue meaning(const std::string& text) {
  json value = json::parse(text, nullptr, false);
  switch (value.type()) {
    case json::value_t::number_integer:
      return value.get<int64_t>();
    case json::value_t::number_unsigned:
      if (value.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return static_cast<int64_t>(value.get<uint64_t>());
      }
      return OtherDefaultsValue{text};
    case json::value_t::number_float:
      if (text.find_first_of(".eE") == std::string::npos) return OtherDefaultsValue{text};
      return value.get<double>();
    case json::value_t::boolean:
      return value.get<bool>();
    case json::value_t::string:
      return value.get<std::string>();
    default:
      return OtherDefaultsValue{text};
  }
}

std::string keyText(const std::string& key) {
  return json(key).dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::variant<StoredSettings, std::string> readSettings(std::string_view contents) {
  const std::string notAnObject = "did not hold one JSON object";
  // The parser stops at a NUL byte as if the text ended there, which would lose what
  // follows at the next save.
  if (contents.find('\0') != std::string_view::npos) return notAnObject;
  SettingsShape shape;
  bool accepted = json::sax_parse(withLargeNumbersAsZero(contents), &shape);
  if (shape.tooDeep) {
    return "nested values deeper than " + std::to_string(kMaxSettingsDepth) + " levels";
  }
  if (!accepted) return notAnObject;

  StoredSettings settings;
  size_t at = skipSpace(contents, 0) + 1;  // past the opening brace
  while (true) {
    at = skipSpace(contents, at);
    if (contents[at] == '}') break;
    size_t keyEnd = endOfString(contents, at);
    std::string key =
        json::parse(contents.substr(at, keyEnd - at), nullptr, false).get<std::string>();
    at = skipSpace(contents, keyEnd) + 1;  // past the colon
    at = skipSpace(contents, at);
    size_t valueEnd = endOfValue(contents, at);
    std::string text = withoutSpace(contents.substr(at, valueEnd - at));
    DefaultsValue value = meaning(text);
    settings.insert_or_assign(std::move(key), StoredSetting{std::move(value), std::move(text)});
    at = valueEnd;
    if (contents[at] == ',') ++at;
  }
  return settings;
}

std::string settingText(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, OtherDefaultsValue>) {
          return v.description;
        } else {
          return json(v).dump(-1, ' ', false, json::error_handler_t::replace);
        }
      },
      value);
}

std::optional<std::string> settingsFileText(const StoredSettings& settings, size_t limit) {
  std::string lines = "{";
  std::string oneLine = "{";
  for (const auto& [key, setting] : settings) {
    if (oneLine.size() > 1) {
      lines += ",";
      oneLine += ",";
    }
    lines += "\n  " + keyText(key) + ": " + setting.text;
    oneLine += keyText(key) + ":" + setting.text;
  }
  lines += settings.empty() ? "}\n" : "\n}\n";
  oneLine += "}\n";
  if (lines.size() <= limit) return lines;
  if (oneLine.size() <= limit) return oneLine;
  return std::nullopt;
}

}  // namespace strandel::sim
