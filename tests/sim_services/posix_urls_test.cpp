#include "adapters/sim/services/posix_urls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace strandel::sim {
namespace {

TEST(PosixURLsTest, AcceptsExactlyTheURIReferences) {
  const std::string valid[] = {
      // The addresses the program makes.
      "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility",
      "https://example.org/harrowlark", "https://example.org/Harrowlark/strandel/version.json",
      // Well-formed absolute forms, and relative references as the platform accepts them.
      "http://user:pw@host.example:8080/p/a/t/h?q=1&r=%20#frag", "https://example.org", "http://",
      "file:///tmp/a%2Fb", "http://[2001:db8::7]/", "http://[::ffff:192.0.2.1]/",
      "http://[v1.fe80::a+en1]/", "https://example.org/?a=b?c/d#a/b?c", "relative/path",
      "//host/path", "?query", "#fragment", "~user"};
  // Broken hosts, ports and schemes.
  std::vector<std::string> refused = {"https://exämple.org/",
                                      "https://exa[mple.org/",
                                      "https://host:80a/",
                                      "http://[::1/",
                                      "http://[1:2:3:4:5:6:7:8:9]/",
                                      "http://[1::2::3]/",
                                      "http://[::1]x/",
                                      "http://[12345::]/",
                                      "1http://example.org",
                                      ":no-scheme",
                                      "sch&eme:rest",
                                      ""};
  // Spaces, controls, bad escapes and characters that must be escaped.
  for (std::string path :
       {"with space", "\t", "\x7f", "%4", "%zz", "#a#b", "<tag>", "a\\b", "{x}"}) {
    refused.push_back("https://example.org/" + path);
  }
  refused.push_back(std::string("https://example.org/\0", 21));
  PosixURLs urls;
  for (const auto& text : valid) {
    SCOPED_TRACE(text);
    auto url = urls.urlWithString(text);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString, text);
  }
  for (const auto& text : refused) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(urls.urlWithString(text));
  }
}

}  // namespace
}  // namespace strandel::sim
