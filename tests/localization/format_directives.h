#pragma once

// What arguments a printf-style text reads, worked out independently of either platform's
// formatter so that the tables are checked the same way on Linux and on a Mac.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strandel::localization {

// What a printf directive consumes.
enum class ArgumentKind { text, int64, int32, other };

inline std::ostream& operator<<(std::ostream& out, ArgumentKind kind) {
  const char* names[] = {"text", "int64", "int32", "other"};
  return out << names[static_cast<int>(kind)];
}

// The arguments a format text reads, in argument order; none, with an explanation, when the
// text ends in a lone '%', takes a width from an argument, mixes positional and sequential
// directives, skips a position or reads one position as two kinds. "%@" takes text; "%lld",
// "%qd", "%ld" (64-bit longs, as on every Mac the program runs on), "%jd" and their unsigned
// kin take a 64-bit integer; "%d" and "%i" a 32-bit one.
inline std::pair<std::optional<std::vector<ArgumentKind>>, std::string> argumentKinds(
    std::string_view format) {
  auto refuse = [](std::string why) { return std::pair{std::nullopt, std::move(why)}; };
  auto skip = [&](size_t& at, std::string_view set) {
    size_t from = at;
    while (at < format.size() && set.find(format[at]) != std::string_view::npos) ++at;
    return format.substr(from, at - from);
  };
  std::vector<std::optional<ArgumentKind>> slots;
  size_t sequential = 0, positional = 0;
  for (size_t i = 0; (i = format.find('%', i)) != std::string_view::npos;) {
    const size_t start = i++;
    if (i < format.size() && format[i] == '%') {
      ++i;
      continue;
    }
    std::optional<int> position;  // from "%n$", counted from 1
    const std::string_view digits = skip(i, "0123456789");
    if (!digits.empty() && i < format.size() && format[i] == '$') {
      position = std::stoi(std::string(digits));
      ++i;
    } else {
      i -= digits.size();
    }
    skip(i, "-+ #0'");
    const bool starred = skip(i, "0123456789.*").find('*') != std::string_view::npos;
    const std::string_view length = skip(i, "hlqLjzt");
    if (i >= format.size()) {
      return refuse("'%' at the end of \"" + std::string(format) + "\" starts no directive");
    }
    const char conversion = format[i++];
    const std::string spelling(format.substr(start, i - start));
    if (starred) return refuse(spelling + " takes its width or precision from an argument");
    if (position && *position < 1) return refuse(spelling + " names position 0");
    ArgumentKind kind = ArgumentKind::other;
    if (conversion == '@' && length.empty()) {
      kind = ArgumentKind::text;
    } else if (std::string_view("diuoxX").find(conversion) != std::string_view::npos) {
      if (length.empty()) kind = ArgumentKind::int32;
      if (length == "ll" || length == "q" || length == "l" || length == "j") {
        kind = ArgumentKind::int64;
      }
    }
    const size_t index = position ? static_cast<size_t>(*position - 1) : sequential;
    ++(position ? positional : sequential);
    if (slots.size() <= index) slots.resize(index + 1);
    if (slots[index] && *slots[index] != kind) {
      return refuse("argument " + std::to_string(index + 1) + " is read as two kinds");
    }
    slots[index] = kind;
  }
  if (positional != 0 && sequential != 0) {
    return refuse("positional and sequential directives are mixed");
  }
  std::vector<ArgumentKind> kinds;
  for (size_t k = 0; k < slots.size(); ++k) {
    if (!slots[k]) return refuse("argument " + std::to_string(k + 1) + " is never read");
    kinds.push_back(*slots[k]);
  }
  return {kinds, ""};
}

}  // namespace strandel::localization
