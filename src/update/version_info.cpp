#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

#include "update/update_checker.h"

namespace strandel {

namespace {

using json = nlohmann::json;

// The manifest is flat; refusing deep documents up front keeps parsing and destruction
// bounded whatever arrives. Brackets inside strings do not count.
bool withinNestingLimit(std::string_view data, int limit) {
  int depth = 0;
  bool inString = false;
  bool escaped = false;
  for (char c : data) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    switch (c) {
      case '"':
        inString = true;
        break;
      case '[':
      case '{':
        if (++depth > limit) return false;
        break;
      case ']':
      case '}':
        if (depth > 0) --depth;
        break;
      default:
        break;
    }
  }
  return true;
}

enum class Member { absent, value, refused };

// A required or optional text member; null counts as absent.
Member readText(const json& object, const char* name, std::string& out) {
  auto it = object.find(name);
  if (it == object.end() || it->is_null()) return Member::absent;
  if (!it->is_string()) return Member::refused;
  out = it->get_ref<const std::string&>();
  return Member::value;
}

// An integer that fits in int64, whichever way the number was written.
Member readInt64(const json& object, const char* name, int64_t& out) {
  auto it = object.find(name);
  if (it == object.end() || it->is_null()) return Member::absent;
  switch (it->type()) {
    case json::value_t::number_integer:
      out = it->get<int64_t>();
      return Member::value;
    case json::value_t::number_unsigned: {
      auto value = it->get<uint64_t>();
      if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return Member::refused;
      }
      out = static_cast<int64_t>(value);
      return Member::value;
    }
    case json::value_t::number_float: {
      // 2^63 is exact as a double; every integral double below it and at or above -2^63
      // converts without loss.
      double value = it->get<double>();
      constexpr double kLimit = 9223372036854775808.0;
      if (!std::isfinite(value) || std::trunc(value) != value || value < -kLimit ||
          value >= kLimit) {
        return Member::refused;
      }
      out = static_cast<int64_t>(value);
      return Member::value;
    }
    default:
      return Member::refused;
  }
}

}  // namespace

std::optional<UpdateChecker::VersionInfo> UpdateChecker::VersionInfo::decode(
    std::string_view data) {
  if (data.size() > kMaxDocumentBytes || !withinNestingLimit(data, kMaxNestingDepth)) {
    return std::nullopt;
  }
  json document;
  try {
    document = json::parse(data.begin(), data.end(), nullptr, /*allow_exceptions=*/false);
  } catch (const json::exception&) {
    return std::nullopt;
  }
  if (!document.is_object()) return std::nullopt;  // a parse failure leaves it discarded

  VersionInfo info;
  if (readText(document, "version", info.version) != Member::value) return std::nullopt;
  if (readText(document, "downloadUrl", info.downloadUrl) != Member::value) {
    return std::nullopt;
  }
  int64_t build = 0;
  switch (readInt64(document, "build", build)) {
    case Member::refused:
      return std::nullopt;
    case Member::value:
      info.build = build;
      break;
    case Member::absent:
      break;
  }
  std::string notes;
  switch (readText(document, "releaseNotes", notes)) {
    case Member::refused:
      return std::nullopt;
    case Member::value:
      info.releaseNotes = std::move(notes);
      break;
    case Member::absent:
      break;
  }
  return info;
}

}  // namespace strandel
