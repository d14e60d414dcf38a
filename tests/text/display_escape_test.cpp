// The one rule for printing text from input: controls, bidirectional formatting and
// malformed bytes become visible escapes; everything else, and clean text, passes unchanged.
#include "text/display_escape.h"

#include <gtest/gtest.h>

#include <string>

#include "text/utf8.h"

namespace strandel {
namespace {

TEST(DisplayEscape, EscapesControlsBidiAndMalformedBytesAndNothingElse) {
  const std::pair<std::string, std::string> cases[] = {
      {"Wi-Fi, \"home\" \\ 100% caf\xC3\xA9 \xE2\x97\x8F \xEC\x83\x81", ""},  // clean: unchanged
      {"a\x1B[31mred\x07", "a\\x1B[31mred\\x07"},
      {"one\ntwo\tthree\r", "one\\ntwo\\x09three\\x0D"},
      {std::string("nul\0", 4) + "\x7F", "nul\\x00\\x7F"},
      {"\xC2\x80\xC2\x9B\xC2\x9F\xC2\xA0", "\\u0080\\u009B\\u009F\xC2\xA0"},  // C1, then NBSP
      {"\xD8\x9B\xD8\x9C\xD8\x9D", "\xD8\x9B\\u061C\xD8\x9D"},                // ALM only
      {"\xE2\x80\x8D\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\x90",
       "\xE2\x80\x8D\\u200E\\u200F\xE2\x80\x90"},
      {"\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAA\xE2\x80\xAE\xE2\x80\xAF",
       "\\u2028\\u2029\\u202A\\u202E\xE2\x80\xAF"},
      {"\xE2\x81\xA5\xE2\x81\xA6\xE2\x81\xA9\xE2\x81\xAA",
       "\xE2\x81\xA5\\u2066\\u2069\xE2\x81\xAA"},
      {"\xFF\xC0\xAF", "\\xFF\\xC0\\xAF"},    // never valid; an overlong "/"
      {"ok\xE2\x97", "ok\\xE2\\x97"},         // cut off at the end
      {"\xED\xA0\x80!", "\\xED\\xA0\\x80!"},  // a surrogate
  };
  for (const auto& [text, expected] : cases) {
    const std::string& shown = expected.empty() ? text : expected;
    SCOPED_TRACE(shown);
    const std::string escaped = displayEscape(text);
    EXPECT_EQ(escaped, shown);
    // What comes out is clean: valid UTF-8, and escaping it again changes nothing.
    EXPECT_TRUE(isValidUTF8(escaped));
    EXPECT_EQ(displayEscape(escaped), escaped);
  }
}

}  // namespace
}  // namespace strandel
