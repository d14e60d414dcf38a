#include <algorithm>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "update/update_checker.h"

namespace strandel {

namespace {

using json = nlohmann::json;

// The value a JSON number stands for, if it is an integer that int64 holds. Works on the
// number's text, so that no rounding through double can turn 3.0000000000000001 or
// -9223372036854775809 into an integer.
std::optional<int64_t> exactInteger(std::string_view text) {
  size_t i = 0;
  bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  std::string digits;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') digits += text[i++];
  int64_t scale = 0;  // the value is digits * 10^scale
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      digits += text[i++];
      --scale;
    }
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int64_t exponent = 0;
    constexpr int64_t kExponentCap = 1'000'000;  // far past anything that could fit
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      exponent = std::min(kExponentCap, exponent * 10 + (text[i++] - '0'));
    }
    scale += negativeExponent ? -exponent : exponent;
  }
  if (i != text.size() || digits.empty()) return std::nullopt;

  size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  digits.erase(0, first);
  while (digits.back() == '0') {
    digits.pop_back();
    ++scale;
  }
  if (scale < 0) return std::nullopt;  // a nonzero digit after the point
  if (static_cast<int64_t>(digits.size()) + scale > 19) return std::nullopt;

  uint64_t magnitude = 0;  // at most 19 digits: below 10^19 < 2^64
  for (char c : digits) magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
  for (int64_t k = 0; k < scale; ++k) magnitude *= 10;
  constexpr uint64_t kMaxPositive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (negative) {
    if (magnitude > kMaxPositive + 1) return std::nullopt;
    return magnitude == kMaxPositive + 1 ? std::numeric_limits<int64_t>::min()
                                         : -static_cast<int64_t>(magnitude);
  }
  if (magnitude > kMaxPositive) return std::nullopt;
  return static_cast<int64_t>(magnitude);
}

// The top-level members the manifest is made of, read as the parser meets them. Nothing
// below the top level is kept, and nesting past the limit stops the parse, so a hostile
// document costs neither deep recursion nor memory.
class ManifestReader final : public nlohmann::json_sax<json> {
 public:
  struct Value {
    enum class Kind { null, text, integer, other } kind = Kind::other;
    std::string text;
    int64_t integer = 0;
  };

  std::optional<Value> version, build, downloadUrl, releaseNotes;
  bool topLevelIsObject = false;

  bool null() override { return scalar(Value{Value::Kind::null, {}, 0}); }
  bool boolean(bool) override { return scalar(Value{}); }
  bool number_integer(number_integer_t value) override {
    return scalar(Value{Value::Kind::integer, {}, value});
  }
  bool number_unsigned(number_unsigned_t value) override {
    if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return scalar(Value{});
    return scalar(Value{Value::Kind::integer, {}, static_cast<int64_t>(value)});
  }
  bool number_float(number_float_t, const string_t& text) override {
    auto integer = exactInteger(text);
    return scalar(integer ? Value{Value::Kind::integer, {}, *integer} : Value{});
  }
  bool string(string_t& text) override {
    if (!target_) return scalar(Value{});
    return scalar(Value{Value::Kind::text, std::move(text), 0});
  }
  bool binary(binary_t&) override { return scalar(Value{}); }

  bool start_object(std::size_t) override {
    if (depth_ == 0) topLevelIsObject = true;
    return open();
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(); }
  bool end_array() override { return close(); }

  bool key(string_t& name) override {
    target_ = nullptr;
    if (depth_ != 1) return true;
    if (name == "version") target_ = &version;
    if (name == "build") target_ = &build;
    if (name == "downloadUrl") target_ = &downloadUrl;
    if (name == "releaseNotes") target_ = &releaseNotes;
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  // A member's value, when it is one of ours and sits right under the top level.
  bool scalar(Value value) {
    if (depth_ == 0) return false;  // a document that is not an object
    if (depth_ == 1 && target_) *target_ = std::move(value);
    target_ = nullptr;
    return true;
  }
  bool open() {
    if (depth_ == 0 && !topLevelIsObject) return false;
    if (depth_ == 1 && target_) *target_ = Value{};  // an object or array where ours belong
    target_ = nullptr;
    return ++depth_ <= UpdateChecker::VersionInfo::kMaxNestingDepth;
  }
  bool close() {
    --depth_;
    return true;
  }

  int depth_ = 0;
  std::optional<Value>* target_ = nullptr;
};

using Kind = ManifestReader::Value::Kind;

}  // namespace

std::optional<UpdateChecker::VersionInfo> UpdateChecker::VersionInfo::decode(
    std::string_view data) {
  if (data.size() > kMaxDocumentBytes) return std::nullopt;
  ManifestReader reader;
  bool parsed = false;
  try {
    parsed = json::sax_parse(data.begin(), data.end(), &reader);
  } catch (const json::exception&) {
    parsed = false;
  }
  if (!parsed || !reader.topLevelIsObject) return std::nullopt;

  auto isText = [](const std::optional<ManifestReader::Value>& v) {
    return v && v->kind == Kind::text;
  };
  auto isAbsent = [](const std::optional<ManifestReader::Value>& v) {
    return !v || v->kind == Kind::null;
  };
  if (!isText(reader.version) || !isText(reader.downloadUrl)) return std::nullopt;
  if (!isAbsent(reader.build) && reader.build->kind != Kind::integer) return std::nullopt;
  if (!isAbsent(reader.releaseNotes) && !isText(reader.releaseNotes)) return std::nullopt;

  VersionInfo info;
  info.version = std::move(reader.version->text);
  info.downloadUrl = std::move(reader.downloadUrl->text);
  if (!isAbsent(reader.build)) info.build = reader.build->integer;
  if (!isAbsent(reader.releaseNotes)) info.releaseNotes = std::move(reader.releaseNotes->text);
  return info;
}

}  // namespace strandel
