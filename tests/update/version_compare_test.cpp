#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/update_checker.h"

namespace strandel {
namespace {

struct CompareCase {
  std::string manifest;
  std::string current;
  int expected;  // sign of compareVersions(manifest, current)
};

int sign(int value) {
  return (value > 0) - (value < 0);
}

TEST(VersionCompare, OrdersVersionTexts) {
  const std::string hundredNines(100, '9');
  const std::string hundredDigitsPlusOne = "1" + std::string(100, '0');
  const std::vector<CompareCase> cases = {
      // Digit runs compare by value.
      {"1.10", "1.9", 1},
      {"2.0", "10.0", -1},
      {"1.2.0", "1.2", 1},
      {"1.2", "1.2.0", -1},
      {"1.2.0", "1.2.0", 0},
      {"1.3b", "1.3", 1},
      {"1.3a", "1.3b", -1},
      {"V2", "10.0", 1},  // 'V' is above every digit
      {"1.0.0", "1.0.0", 0},
      {"2", "1.9.9", 1},
      {"1.0", "1.0a", -1},
      // Digit runs far beyond 64 bits.
      {hundredNines, hundredNines, 0},
      {hundredDigitsPlusOne, hundredNines, 1},
      {"1." + hundredNines + ".1", "1." + hundredNines + ".0", 1},
      {"1." + hundredNines, "1.18446744073709551616", 1},
      {"18446744073709551616", "18446744073709551615", 1},
      // Leading zeros: equal values are the same version.
      {"1.01", "1.1", 0},
      {"1.001", "1.1", 0},
      {"1.010", "1.9", 1},
      {"00000000000000000000000000002", "1", 1},
      {"1.0", "1.00", 0},
      // Empty texts.
      {"", "", 0},
      {"", "1.0.0", -1},
      {"0", "", 1},
      // Nothing is trimmed or folded.
      {" 2.0", "1.0", -1},  // a space is below every digit
      {"1.0 ", "1.0", 1},
      {"v1", "V1", 1},
      {"1.0-beta", "1.0", 1},
      // Non-ASCII characters compare by code point.
      {"1.\xC3\xA9", "1.e", 1},                          // é (U+00E9) above e
      {"1.\xE2\x82\xAC", "1.\xC3\xA9", 1},               // € (U+20AC) above é
      {"1.\xF0\x9F\x98\x80", "1.\xEF\xBC\x91", 1},       // U+1F600 above U+FF11
      {"\xEF\xBC\x91\xEF\xBC\x90", "\xEF\xBC\x99", -1},  // fullwidth digits are not digits
      {"1.\xD9\xA3", "1.3", 1},                          // neither is Arabic-Indic three
      // Bytes that are not UTF-8 still order, and never equal a valid character.
      {"1.\xFF", "1.\xFE", 1},
      {"1.\xC3", "1.\xC3\xA9", 1},               // a cut-off sequence is a lone byte, above U+00E9
      {"1.\xED\xA0\x80", "1.\xEF\xBF\xBF", -1},  // an encoded surrogate is three lone bytes
      {"1.\xC0\xAF", "1./", 1},                  // an overlong '/' is not '/'
      {"1.\x80", "1.\xC2\x80", 1},               // lone continuation vs U+0080
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.manifest << "\" vs \"" << c.current << "\"");
    EXPECT_EQ(sign(UpdateChecker::compareVersions(c.manifest, c.current)), c.expected);
    EXPECT_EQ(sign(UpdateChecker::compareVersions(c.current, c.manifest)), -c.expected);
    EXPECT_EQ(UpdateChecker::isNewer(c.manifest, c.current), c.expected > 0);
  }
}

TEST(VersionCompare, IsATotalOrderOverMixedTexts) {
  const std::vector<std::string> texts = {"",
                                          "0",
                                          "00",
                                          "1",
                                          "01",
                                          "1.0",
                                          "1.00",
                                          "1.0.0",
                                          "1.01",
                                          "1.1",
                                          "1.10",
                                          "1.9",
                                          "1.9a",
                                          "1a",
                                          "V2",
                                          "v2",
                                          "10",
                                          "2",
                                          " 1",
                                          "1 ",
                                          "\xFF",
                                          "\xC3",
                                          "\xC3\xA9",
                                          "\xF0\x9F\x98\x80",
                                          "9" + std::string(40, '9')};
  for (const auto& a : texts) {
    for (const auto& b : texts) {
      for (const auto& c : texts) {
        int ab = sign(UpdateChecker::compareVersions(a, b));
        int bc = sign(UpdateChecker::compareVersions(b, c));
        int ac = sign(UpdateChecker::compareVersions(a, c));
        if (ab > 0 || bc > 0) continue;
        SCOPED_TRACE(testing::Message() << "\"" << a << "\" \"" << b << "\" \"" << c << "\"");
        EXPECT_EQ(ac, (ab < 0 || bc < 0) ? -1 : 0);
      }
    }
  }
}

}  // namespace
}  // namespace strandel
