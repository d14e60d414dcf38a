#include "adapters/sim/simulator/json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace strandel::sim {
namespace {

// Where a value starts, asked by its pointer, is the scene tests' broken scenes (escaped
// names among them) and the hostile 3 MB scene (a column past a million).
TEST(JsonReaderTest, ReadsIntegersExactlyAndDecodesEscapesAfterAByteOrderMark) {
  JsonDocument document = readJson(
      "\xEF\xBB\xBF"
      R"([9007199254740993, 18446744073709551615,
      -2e3, "a\"b\\c\/d\n\t", "\u00e9\ud83d\ude00"])");
  const auto& v = document.root;
  EXPECT_EQ(v[0].get<int64_t>(), 9007199254740993);
  EXPECT_EQ(v[1].get<uint64_t>(), 18446744073709551615ull);
  EXPECT_DOUBLE_EQ(v[2].get<double>(), -2000);
  EXPECT_EQ(v[3], "a\"b\\c/d\n\t");
  EXPECT_EQ(v[4], "é😀");
}

TEST(JsonReaderTest, RefusesBrokenTextWithThePlaceAndTheFault) {
  struct BadJson {
    std::string text;
    TextPosition at;
    std::string problem;
  };
  const BadJson cases[] = {
      {"", {1, 1}, "expected a value, found the end of the file"},
      {"{\"a\": 1,}", {1, 9}, "a trailing ',' before '}'"},
      {"{\"a\": 1\n \"b\": 2}", {2, 2}, "expected ',' or '}' in an object, found '\"'"},
      {"{\"a\": 1, \"a\": 2}", {1, 10}, "the member \"a\" is given twice"},
      {"[\"é\", 01]", {1, 8}, "a number with a leading zero"},  // columns count characters
      {"[1e999]", {1, 2}, "the number 1e999 is out of range"},
      {"[\"a\nb\"]", {1, 4}, "a line break inside a string"},
      {"[\"\\x\"]", {1, 4}, "an unknown escape \\'x'"},
      {"[\"\\ud800\"]", {1, 9}, "a lone surrogate"},
      {"[\"\xE0\x80\xAF\"]", {1, 3}, "invalid UTF-8"},  // an overlong form
      {"[\"abc", {1, 6}, "a string is not closed"},
      {"{} []", {1, 4}, "unexpected text after the end of the JSON value"},
      {std::string(200, '['), {1, 130}, "values nested deeper than 128"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    try {
      readJson(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const JsonSyntaxError& e) {
      EXPECT_EQ(e.position, c.at) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace strandel::sim
