// UTF-8 decoding at the edges where a lax decoder goes wrong, and encoding round trips.
#include <gtest/gtest.h>

#include <string>

#include "text/utf8.h"

namespace strandel {
namespace {

TEST(UTF8, DecodesWellFormedAndReportsIllFormedSequences) {
  struct Case {
    const char* name;
    std::string bytes;
    char32_t codePoint;
    size_t length;
    bool valid;
  };
  const Case cases[] = {
      {"ASCII", "A", U'A', 1, true},
      {"two bytes", "\xC3\xA9", U'é', 2, true},
      {"three bytes", "\xE2\x97\x8F", U'●', 3, true},
      {"four bytes", "\xF0\x9F\x98\x80", U'\U0001F600', 4, true},
      {"overlong slash", "\xC0\xAF", kReplacementCharacter, 1, false},
      {"overlong three-byte", "\xE0\x80\xAF", kReplacementCharacter, 1, false},
      {"surrogate", "\xED\xA0\x80", kReplacementCharacter, 1, false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", kReplacementCharacter, 1, false},
      {"stray continuation", "\x80z", kReplacementCharacter, 1, false},
      {"cut off, then ASCII", "\xE2\x97z", kReplacementCharacter, 2, false},
      {"cut off at the end", "\xF0\x9F\x98", kReplacementCharacter, 3, false},
      {"never a lead byte", "\xFF", kReplacementCharacter, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UTF8Sequence got = decodeUTF8(c.bytes, 0);
    EXPECT_EQ(got.codePoint, c.codePoint);
    EXPECT_EQ(got.length, c.length);
    EXPECT_EQ(got.valid, c.valid);
    EXPECT_EQ(isValidUTF8(c.bytes), c.valid && c.length == c.bytes.size());
  }
}

TEST(UTF8, EncodesScalarValuesAndReplacesTheRest) {
  for (char32_t c :
       {U'\0', U'~', U'\u0080', U'\u07FF', U'\u0800', U'\uFFFF', U'\U00010000', U'\U0010FFFF'}) {
    std::string bytes = utf8Of(c);
    UTF8Sequence back = decodeUTF8(bytes, 0);
    EXPECT_TRUE(back.valid);
    EXPECT_EQ(back.codePoint, c);
    EXPECT_EQ(back.length, bytes.size());
  }
  EXPECT_EQ(utf8Of(0xD800), utf8Of(kReplacementCharacter));
  EXPECT_EQ(utf8Of(0x110000), utf8Of(kReplacementCharacter));
}

}  // namespace
}  // namespace strandel
