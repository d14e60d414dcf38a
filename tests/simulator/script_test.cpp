#include "adapters/sim/simulator/script.h"

#include <gtest/gtest.h>

#include <string>

namespace strandel::sim {
namespace {

using Kind = ScriptCommand::Kind;

TEST(ScriptTest, ReadsCommandsWithTheirMoments) {
  const std::string text =
      "# a comment line\n"
      "\n"
      "hover\n"
      "at 0.5 open   # opens\n"
      "choose 3\n"
      "wait 1.25\n"
      "choose \"Wi-Fi, \\\"home\\\" \\\\ #1\"\n"
      "at 2s key q\n"
      "at 3\n"
      "answer \"Download\"\n"
      "answer 2\r\n"
      "grant\n"
      "withdraw\n"
      "launch \"Bora VPN\"\n"
      "quit 871\n"
      "close\n"
      "wait 4";
  ScriptLoad load = parseScript(text, "t.script");
  ASSERT_TRUE(load.script) << load.error;
  const auto& c = load.script->commands;
  struct Expected {
    Kind kind;
    int line;
    double at;
    long index;
    std::string text;
  };
  const Expected expected[] = {
      {Kind::hover, 3, 0, 0, ""},     {Kind::open, 4, 0.5, 0, ""},
      {Kind::choose, 5, 0.5, 3, ""},  {Kind::choose, 7, 1.75, 0, "Wi-Fi, \"home\" \\ #1"},
      {Kind::key, 8, 2, 0, "q"},      {Kind::answer, 10, 3, 0, "Download"},
      {Kind::answer, 11, 3, 2, ""},   {Kind::grant, 12, 3, 0, ""},
      {Kind::withdraw, 13, 3, 0, ""}, {Kind::launch, 14, 3, 0, "Bora VPN"},
      {Kind::quit, 15, 3, 0, "871"},  {Kind::close, 16, 3, 0, ""},
  };
  ASSERT_EQ(c.size(), std::size(expected));
  for (size_t i = 0; i < c.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(c[i].kind, expected[i].kind);
    EXPECT_EQ(c[i].line, expected[i].line);
    EXPECT_DOUBLE_EQ(c[i].at, expected[i].at);
    EXPECT_EQ(c[i].index, expected[i].index);
    EXPECT_EQ(c[i].text, expected[i].text);
  }
  EXPECT_DOUBLE_EQ(load.script->endsAt, 7);
  // Commands read back as a script would write them.
  EXPECT_EQ(describe(c[3]), R"(choose "Wi-Fi, \"home\" \\ #1")");
  EXPECT_EQ(describe(c[2]), "choose 3");
  EXPECT_EQ(describe(c[4]), "key q");
  EXPECT_EQ(describe(c[10]), "quit 871");
  EXPECT_EQ(describe(c[9]), R"(launch "Bora VPN")");
}

TEST(ScriptTest, AnEmptyScriptEndsAtOnce) {
  ScriptLoad load = parseScript("", "empty.script");
  ASSERT_TRUE(load.script);
  EXPECT_TRUE(load.script->commands.empty());
  EXPECT_EQ(load.script->endsAt, 0);
}

TEST(ScriptTest, EveryFaultNamesTheFileAndTheLine) {
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"hover\nhoover",
       "s:2: unknown command \"hoover\" (known: at, wait, hover, open, close, "
       "choose, key, answer, grant, withdraw, launch, quit)"},
      {"\"open\"", "s:1: unknown command \"open\""},
      {"open now", "s:1: \"open\" takes nothing after it"},
      {"choose", "s:1: \"choose\" takes one argument: a number or a \"quoted title\""},
      {"choose 0", "s:1: expected a number from 1 or a \"quoted title\" after \"choose\", found 0"},
      {"choose Wi-Fi", "s:1: expected a number from 1 or a \"quoted title\""},
      {"choose 1 2", "s:1: \"choose\" takes one argument"},
      {"answer -1", "s:1: expected a number from 1"},
      {"key", "s:1: \"key\" takes one argument: a key, like q"},
      {"launch", "s:1: \"launch\" takes one argument: an app's \"name\" or pid"},
      {"quit \"\"", "s:1: the app's name cannot be empty"},
      {"choose \"open", "s:1: a quoted text is not closed"},
      {"choose \"a\"b", "s:1: expected a space after the closing quote"},
      {"choose \"a\\n\"", "s:1: unknown escape \\n in a quoted text"},
      {"launch Bo\"ra", "s:1: a quote inside a word"},
      {"at", "s:1: \"at\" needs a time: at 1.5 open"},
      {"at soon open", "s:1: expected a time in seconds (like 2 or 0.5), found \"soon\""},
      {"at -1 open", "s:1: expected a time in seconds"},
      {"at 1e3 open", "s:1: expected a time in seconds"},
      {"at .5 open", "s:1: expected a time in seconds"},
      {"at 1. open", "s:1: expected a time in seconds"},
      {"at 1.2.3 open", "s:1: expected a time in seconds"},
      {"at 2 open\nat 1 close", "s:2: time goes back: at 1 comes after 2"},
      {"wait 1\nat 0.5 open", "s:2: time goes back: at 0.5 comes after 1"},
      {"wait", "s:1: \"wait\" takes one argument: seconds"},
      {"wait 1 open", "s:1: \"wait\" takes one argument: seconds"},
      {"wait 90000", "s:1: a wait beyond 24 hours"},
      {"wait 50000\nwait 50000", "s:2: the script runs beyond 24 hours"},
      {std::string("open\nclose\0", 11), "s:2: a NUL byte in the line"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptLoad load = parseScript(c.text, "s");
    EXPECT_FALSE(load.script);
    EXPECT_EQ(load.error.substr(0, c.error.size()), c.error) << load.error;
  }
}

TEST(ScriptTest, TheDemonstrationScriptReads) {
  ScriptLoad load = loadScriptFile(defaultScriptPath());
  ASSERT_TRUE(load.script) << load.error;
  EXPECT_GT(load.script->commands.size(), 5u);
}

}  // namespace
}  // namespace strandel::sim
