#include "adapters/sim/services/posix_urls.h"

#include <gtest/gtest.h>

#include <string>

namespace strandel::sim {
namespace {

struct URLCase {
  std::string text;
  bool valid;
};

TEST(PosixURLsTest, AcceptsExactlyTheURIReferences) {
  const URLCase cases[] = {
      // The addresses the program makes.
      {"x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility", true},
      {"https://example.org/harrowlark", true},
      {"https://example.org/Harrowlark/strandel/version.json", true},
      // Well-formed absolute forms.
      {"http://user:pw@host.example:8080/p/a/t/h?q=1&r=%20#frag", true},
      {"https://example.org", true},
      {"https://example.org/", true},
      {"http://", true},
      {"mailto:someone@example.org", true},
      {"file:///tmp/a%2Fb", true},
      {"http://[::1]:80/", true},
      {"http://[2001:db8::7]/", true},
      {"http://[::ffff:192.0.2.1]/", true},
      {"http://[v1.fe80::a+en1]/", true},
      {"urn:isbn:0451450523", true},
      {"https://example.org/?a=b?c/d", true},
      {"https://example.org/#a/b?c", true},
      {"a+b-c.d:rest", true},
      // Relative references, as the platform accepts them.
      {"relative/path", true},
      {"/absolute/path", true},
      {"//host/path", true},
      {"?query", true},
      {"#fragment", true},
      {"~user", true},
      // Refused.
      {"", false},
      {"https://example.org/with space", false},
      {" https://example.org", false},
      {"https://example.org/\t", false},
      {"https://example.org/\n", false},
      {std::string("https://example.org/\0", 21), false},
      {"https://example.org/\x7f", false},
      {"https://exämple.org/", false},
      {"https://example.org/%", false},
      {"https://example.org/%4", false},
      {"https://example.org/%zz", false},
      {"https://example.org/#a#b", false},
      {"https://example.org/\"quoted\"", false},
      {"https://example.org/<tag>", false},
      {"https://example.org/a\\b", false},
      {"https://example.org/{x}", false},
      {"https://example.org/a|b", false},
      {"https://example.org/a^b", false},
      {"https://example.org/`", false},
      {"https://exa[mple.org/", false},
      {"https://example.org/[x]", false},
      {"https://host:80a/", false},
      {"http://[::1/", false},
      {"http://[1:2:3:4:5:6:7:8:9]/", false},
      {"http://[1::2::3]/", false},
      {"http://[::1]x/", false},
      {"http://[12345::]/", false},
      {"1http://example.org", false},
      {":no-scheme", false},
      {"ht tp://example.org", false},
      {"sch&eme:rest", false},
  };
  PosixURLs urls;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto url = urls.urlWithString(c.text);
    EXPECT_EQ(url.has_value(), c.valid);
    if (url) {
      EXPECT_EQ(url->absoluteString, c.text);
    }
  }
}

}  // namespace
}  // namespace strandel::sim
