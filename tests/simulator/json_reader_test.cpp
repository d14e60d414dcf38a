#include "adapters/sim/simulator/json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace strandel::sim {
namespace {

TEST(JsonReaderTest, KeepsWhereEveryValueStarts) {
  const std::string text =
      "{\n"
      "  \"apps\": [\n"
      "    {\"pid\": 5, \"name\": \"Météo\"},\n"
      "    {\"é\": 6, \"a/b~c\": null}\n"
      "  ]\n"
      "}\n";
  JsonDocument document = readJson(text);
  EXPECT_EQ(document.root["apps"][0]["name"], "Météo");
  EXPECT_EQ(document.positionOf(""), (TextPosition{1, 1}));
  EXPECT_EQ(document.positionOf("/apps"), (TextPosition{2, 11}));
  EXPECT_EQ(document.positionOf("/apps/0"), (TextPosition{3, 5}));
  EXPECT_EQ(document.positionOf("/apps/0/pid"), (TextPosition{3, 13}));
  // Columns count characters: "é" is one column although it takes two bytes.
  EXPECT_EQ(document.positionOf("/apps/1/é"), (TextPosition{4, 11}));
  EXPECT_EQ(document.positionOf("/apps/1/a~1b~0c"), (TextPosition{4, 23}));
  // Unknown pointers fall back to the root's place.
  EXPECT_EQ(document.positionOf("/nothing/here"), (TextPosition{1, 1}));
}

TEST(JsonReaderTest, ReadsNumbersStrictlyAndKeepsIntegersExact) {
  JsonDocument document =
      readJson(R"([0, -7, 9007199254740993, 18446744073709551615, 1.5, -2e3, 1E-2])");
  const auto& v = document.root;
  EXPECT_TRUE(v[0].is_number_integer());
  EXPECT_EQ(v[2].get<int64_t>(), 9007199254740993);
  EXPECT_EQ(v[3].get<uint64_t>(), 18446744073709551615ull);
  EXPECT_DOUBLE_EQ(v[5].get<double>(), -2000);
  EXPECT_DOUBLE_EQ(v[6].get<double>(), 0.01);
}

TEST(JsonReaderTest, DecodesEscapesAndSurrogatePairs) {
  JsonDocument document = readJson(R"(["a\"b\\c\/d\n\t", "\u00e9\ud83d\ude00"])");
  EXPECT_EQ(document.root[0], "a\"b\\c/d\n\t");
  EXPECT_EQ(document.root[1], "é😀");
}

TEST(JsonReaderTest, ToleratesAByteOrderMark) {
  JsonDocument document = readJson("\xEF\xBB\xBF{\"a\": 1}");
  EXPECT_EQ(document.root["a"], 1);
}

struct BadJson {
  std::string text;
  TextPosition at;
  std::string problem;
};

TEST(JsonReaderTest, RefusesBrokenTextWithThePlaceAndTheFault) {
  const BadJson cases[] = {
      {"", {1, 1}, "expected a value, found the end of the file"},
      {"{", {1, 2}, "expected a member name in double quotes"},
      {"{\"a\": 1,}", {1, 9}, "a trailing ',' before '}'"},
      {"[1, 2,]", {1, 7}, "a trailing ',' before ']'"},
      {"{\"a\": 1\n \"b\": 2}", {2, 2}, "expected ',' or '}' in an object, found '\"'"},
      {"{\"a\": 1, \"a\": 2}", {1, 10}, "the member \"a\" is given twice"},
      {"[01]", {1, 3}, "a number with a leading zero"},
      {"[1.]", {1, 4}, "expected a digit after the decimal point"},
      {"[1e999]", {1, 2}, "the number 1e999 is out of range"},
      {"[-]", {1, 3}, "expected a digit"},
      {"[tru]", {1, 2}, "expected a value"},
      {"// comment\n{}", {1, 1}, "expected a value, found '/'"},
      {"[\"a\nb\"]", {1, 4}, "a line break inside a string"},
      {"[\"\\x\"]", {1, 4}, "an unknown escape \\'x'"},
      {"[\"\\ud800\"]", {1, 9}, "a lone surrogate"},
      {"[\"\xC3\x28\"]", {1, 3}, "invalid UTF-8"},
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
