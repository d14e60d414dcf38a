#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "update/update_checker.h"

namespace strandel {
namespace {

int sign(int value) {
  return (value > 0) - (value < 0);
}

// Each case reads "manifest OP current", OP one of " < ", " = ", " > " (the first found).
TEST(VersionCompare, OrdersVersionTexts) {
  const std::string nines(100, '9');
  const std::string cases[] = {
      // Digit runs by value, far beyond 64 bits, leading zeros included.
      "1.10 > 1.9", "2.0 < 10.0", "1.2.0 > 1.2", "1.2 < 1.2.0", "1.2.0 = 1.2.0", "2 > 1.9.9",
      nines + " = " + nines, "1" + std::string(100, '0') + " > " + nines,
      "1." + nines + ".1 > 1." + nines + ".0", "1." + nines + " > 1.18446744073709551616",
      "18446744073709551616 > 18446744073709551615", "1.01 = 1.1", "1.010 > 1.9", "1.0 = 1.00",
      // Other characters by code point, case-sensitively, nothing trimmed: 'V' is above
      // every digit, a space below.
      "1.3b > 1.3", "1.3a < 1.3b", "V2 > 10.0", "1.0 < 1.0a", " = ", " < 1.0.0", " 2.0 < 1.0",
      "1.0  > 1.0", "v1 > V1", "1.0-beta > 1.0", "1.\xC3\xA9 > 1.e", "1.\U0001F600 > 1.\uFF11",
      "\uFF11\uFF10 < \uFF19",  // full-width digits are not digits
      // Bytes that are not UTF-8 order as lone bytes, above every character.
      "1.\xFF > 1.\xFE", "1.\xC3 > 1.\xC3\xA9", "1.\xC0\xAF > 1./"};
  for (const std::string& c : cases) {
    SCOPED_TRACE(c);
    size_t at = std::string::npos;
    int expected = 0;
    const std::pair<const char*, int> operators[] = {{" < ", -1}, {" = ", 0}, {" > ", 1}};
    for (const auto& [op, value] : operators) {
      if (c.find(op) < at) {
        at = c.find(op);
        expected = value;
      }
    }
    ASSERT_NE(at, std::string::npos);
    const std::string manifest = c.substr(0, at), current = c.substr(at + 3);
    EXPECT_EQ(sign(UpdateChecker::compareVersions(manifest, current)), expected);
    EXPECT_EQ(sign(UpdateChecker::compareVersions(current, manifest)), -expected);
    EXPECT_EQ(UpdateChecker::isNewer(manifest, current), expected > 0);
  }
}

}  // namespace
}  // namespace strandel
