#include "adapters/sim/services/posix_urls.h"

#include <vector>

namespace strandel::sim {

namespace {

bool isAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isHex(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isUnreserved(char c) {
  return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool isSubDelim(char c) {
  return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}

// Every character of `text` is unreserved, a sub-delimiter, one of `extra`, or part of a
// well-formed percent escape.
bool allowed(std::string_view text, std::string_view extra) {
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2])) return false;
      i += 2;
    } else if (!isUnreserved(c) && !isSubDelim(c) && extra.find(c) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

bool isDecOctet(std::string_view text) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text) {
    if (!isDigit(c)) return false;
  }
  if (text.size() > 1 && text[0] == '0') return false;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value <= 255;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

bool isIPv4(std::string_view text) {
  auto parts = split(text, '.');
  if (parts.size() != 4) return false;
  for (auto part : parts) {
    if (!isDecOctet(part)) return false;
  }
  return true;
}

bool isH16(std::string_view text) {
  if (text.empty() || text.size() > 4) return false;
  for (char c : text) {
    if (!isHex(c)) return false;
  }
  return true;
}

// A list of h16 groups, the last of which may be an IPv4 address (counted as two groups).
bool countGroups(std::string_view text, bool ipv4Allowed, size_t& groups) {
  groups = 0;
  if (text.empty()) return true;
  auto parts = split(text, ':');
  for (size_t i = 0; i < parts.size(); ++i) {
    if (ipv4Allowed && i + 1 == parts.size() && isIPv4(parts[i])) {
      groups += 2;
    } else if (isH16(parts[i])) {
      groups += 1;
    } else {
      return false;
    }
  }
  return true;
}

bool isIPv6(std::string_view text) {
  size_t gap = text.find("::");
  if (gap == std::string_view::npos) {
    size_t groups;
    return countGroups(text, true, groups) && groups == 8;
  }
  if (text.find("::", gap + 1) != std::string_view::npos) return false;
  size_t before;
  size_t after;
  std::string_view tail = text.substr(gap + 2);
  if (!countGroups(text.substr(0, gap), false, before) || !countGroups(tail, true, after)) {
    return false;
  }
  return before + after <= 7;
}

bool isIPLiteral(std::string_view text) {
  if (!text.empty() && (text[0] == 'v' || text[0] == 'V')) {
    size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot < 2 || dot + 1 == text.size()) return false;
    for (char c : text.substr(1, dot - 1)) {
      if (!isHex(c)) return false;
    }
    for (char c : text.substr(dot + 1)) {
      if (!isUnreserved(c) && !isSubDelim(c) && c != ':') return false;
    }
    return true;
  }
  return isIPv6(text);
}

bool isAuthority(std::string_view authority) {
  size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    if (!allowed(authority.substr(0, at), ":")) return false;
    authority.remove_prefix(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  if (!authority.empty() && authority[0] == '[') {
    size_t close = authority.find(']');
    if (close == std::string_view::npos || !isIPLiteral(authority.substr(1, close - 1))) {
      return false;
    }
    host = {};
    std::string_view rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      port = rest.substr(1);
    }
  } else {
    size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos) {
      host = authority.substr(0, colon);
      port = authority.substr(colon + 1);
    }
    if (!allowed(host, "")) return false;
  }
  for (char c : port) {
    if (!isDigit(c)) return false;
  }
  return true;
}

}  // namespace

bool isValidURIReference(std::string_view text) {
  if (text.empty()) return false;

  // Fragment and query may hold "/" and "?" besides path characters.
  size_t hash = text.find('#');
  if (hash != std::string_view::npos) {
    if (!allowed(text.substr(hash + 1), ":@/?")) return false;
    text = text.substr(0, hash);
  }
  size_t question = text.find('?');
  if (question != std::string_view::npos) {
    if (!allowed(text.substr(question + 1), ":@/?")) return false;
    text = text.substr(0, question);
  }

  // A scheme is what comes before the first ":" when that precedes any "/".
  size_t colon = text.find(':');
  size_t slash = text.find('/');
  if (colon != std::string_view::npos && (slash == std::string_view::npos || colon < slash)) {
    std::string_view scheme = text.substr(0, colon);
    if (scheme.empty() || !isAlpha(scheme[0])) return false;
    for (char c : scheme) {
      if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    text = text.substr(colon + 1);
  }

  std::string_view path = text;
  if (text.substr(0, 2) == "//") {
    std::string_view rest = text.substr(2);
    size_t end = rest.find('/');
    if (!isAuthority(rest.substr(0, end))) return false;
    path = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  }
  // Without a scheme the first segment holds no ":": a ":" before any "/" was taken as the
  // end of a scheme above, and an invalid scheme was refused there.
  return allowed(path, ":@/");
}

std::optional<URL> PosixURLs::urlWithString(const std::string& text) {
  if (!isValidURIReference(text)) return std::nullopt;
  return URL{text};
}

}  // namespace strandel::sim
