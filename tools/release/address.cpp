// The web addresses a release writes: each is one the app opens, written as the app's own
// URL parsing accepts it.

#include "adapters/sim/services/posix_urls.h"
#include "release/release.h"
#include "text/display_escape.h"
#include "text/utf8.h"
#include "update/update_checker.h"

namespace strandel::release {

namespace {

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Characters that may not stand in a URL as they are and that mean nothing there: the
// space, the characters RFC 3986 leaves out (" < > \ ^ ` { | }) and brackets outside a host.
bool needsPercentEncoding(unsigned char c) {
  return c >= 0x80 || c == ' ' ||
         std::string_view("\"<>\\^`{|}[]").find(static_cast<char>(c)) != std::string_view::npos;
}

void appendPercentEscape(std::string& out, unsigned char c) {
  constexpr const char* kHex = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

}  // namespace

std::string shown(std::string_view text, size_t maxBytes) {
  size_t cut = 0;
  while (cut < text.size()) {
    const size_t length = decodeUTF8(text, cut).length;
    if (cut + length > maxBytes) break;
    cut += length;
  }
  std::string out = "'" + displayEscape(text.substr(0, cut)) + "'";
  if (cut < text.size()) out.insert(out.size() - 1, "...");
  return out;
}

std::string webAddress(std::string_view text, std::string_view what) {
  const std::string named = std::string(what) + " " + shown(text);
  if (!isValidUTF8(text)) throw ReleaseError(named + " is not valid UTF-8 text");
  for (size_t pos = 0; pos < text.size();) {
    const UTF8Sequence sequence = decodeUTF8(text, pos);
    if (needsDisplayEscape(sequence.codePoint)) {
      throw ReleaseError(named + " contains a control character");
    }
    pos += sequence.length;
  }
  if (text.starts_with(' ') || text.ends_with(' ')) {
    throw ReleaseError(named + " starts or ends with a space");
  }
  if (!UpdateChecker::isDownloadScheme(text)) {
    throw ReleaseError(named + " is not an address the app opens for a download (http or " +
                       "https, with a host)");
  }

  // Scheme and host stay as they are: a host outside ASCII has its own ("xn--") form.
  const size_t pathStart = text.find_first_of("/?#", text.find("//") + 2);
  const std::string_view authority = text.substr(0, pathStart);
  for (unsigned char c : authority) {
    if (c >= 0x80 || c == ' ') {
      throw ReleaseError(named + " has a space or a character outside ASCII in its host; " +
                         "write an international host name in its \"xn--\" form");
    }
  }
  std::string address(authority);
  bool inFragment = false;
  for (size_t pos = authority.size(); pos < text.size(); ++pos) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c == '%' &&
        !(pos + 2 < text.size() && isHexDigit(text[pos + 1]) && isHexDigit(text[pos + 2]))) {
      throw ReleaseError(named + " has a '%' that does not start an escape like %20; " +
                         "a percent sign itself is written %25");
    }
    // A second "#" is part of the fragment.
    if (needsPercentEncoding(c) || (c == '#' && inFragment)) {
      appendPercentEscape(address, c);
    } else {
      address += static_cast<char>(c);
    }
    inFragment = inFragment || c == '#';
  }

  // The app parses the address before it opens it: whatever it would refuse is refused here.
  if (!sim::isValidURIReference(address) || !UpdateChecker::isDownloadScheme(address)) {
    throw ReleaseError(named + " is not a valid URL" +
                       (address == text ? "" : " even written as " + shown(address)));
  }
  return address;
}

}  // namespace strandel::release
