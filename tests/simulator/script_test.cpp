#include "adapters/sim/simulator/script.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace strandel::sim {
namespace {

TEST(ScriptTest, ReadsCommandsWithTheirMoments) {
  const std::string text =
      "\xEF\xBB\xBF# a comment line, after a byte-order mark\n"
      "\n"
      "at 0.5 open   # opens\n"
      "wait 1.25\n"
      "choose \"Wi-Fi, \\\"home\\\" \\\\ #1\"\n"
      "at 2s key q\r\n"
      "quit 871\n"
      "shortcut Ctrl+opt+CMD+space\n"
      "wait 4";
  ScriptLoad load = parseScript(text, "t.script");
  ASSERT_TRUE(load.script) << load.error;
  const auto& c = load.script->commands;
  // Each command as a script would write it, with its line and its moment. The plainer
  // forms of every command show, each at its moment, in the golden transcripts.
  const std::tuple<std::string, int, double> expected[] = {
      {"open", 3, 0.5},   {R"(choose "Wi-Fi, \"home\" \\ #1")", 5, 1.75}, {"key q", 6, 2},
      {"quit 871", 7, 2}, {"shortcut Ctrl+opt+CMD+space", 8, 2},
  };
  ASSERT_EQ(c.size(), std::size(expected));
  for (size_t i = 0; i < c.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(describe(c[i]), std::get<0>(expected[i]));
    EXPECT_EQ(c[i].line, std::get<1>(expected[i]));
    EXPECT_DOUBLE_EQ(c[i].at, std::get<2>(expected[i]));
  }
  EXPECT_EQ(c[1].text, "Wi-Fi, \"home\" \\ #1");
  EXPECT_DOUBLE_EQ(load.script->endsAt, 6);
}

TEST(ScriptTest, EveryFaultNamesTheFileAndTheLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"hover\nhoover",
       "s:2: unknown command \"hoover\" (known: at, wait, hover, open, close, "
       "choose, key, answer, grant, withdraw, launch, quit, hold, release, shortcut, type, "
       "return, up, down, escape, delete)"},
      {"shortcut ctrl+cmd", "s:1: expected keys like ctrl+opt+cmd+space"},
      {"shortcut cmd+f5", "s:1: expected keys like ctrl+opt+cmd+space"},
      {"shortcut cmd+space+m", "s:1: expected keys like ctrl+opt+cmd+space"},
      {"type \"\"", "s:1: the text to type cannot be empty"},
      {"hold shift", "s:1: unknown modifier key \"shift\" (known: option)"},
      {"open now", "s:1: \"open\" takes nothing after it"},
      {"choose", "s:1: \"choose\" takes one argument: a number or a \"quoted title\""},
      {"choose 0", "s:1: expected a number from 1 or a \"quoted title\" after \"choose\", found 0"},
      {"quit \"\"", "s:1: the app's name cannot be empty"},
      {"choose \"open", "s:1: a quoted text is not closed"},
      {"choose \"a\"b", "s:1: expected a space after the closing quote"},
      {"choose \"a\\n\"", "s:1: unknown escape \\n in a quoted text"},
      {"launch Bo\"ra", "s:1: a quote inside a word"},
      {"at", "s:1: \"at\" needs a time: at 1.5 open"},
      {"at soon open", "s:1: expected a time in seconds (like 2 or 0.5), found \"soon\""},
      {"at 1e3 open", "s:1: expected a time in seconds"},
      {"wait 1\nat 0.5 open", "s:2: time goes back: at 0.5 comes after 1"},
      {"wait 50000\nwait 50000", "s:2: the script runs beyond 24 hours"},
      {std::string("open\nclose\0", 11), "s:2: a NUL byte in the line"},
      {"open\n\nchoose \"Caf\xE9\"", "s:3: the line is not valid UTF-8"},  // Latin-1
      {"hover  # caf\xC3", "s:1: the line is not valid UTF-8"},            // cut off, in a comment
  };
  for (const auto& [text, error] : cases) {
    SCOPED_TRACE(text);
    ScriptLoad load = parseScript(text, "s");
    EXPECT_FALSE(load.script);
    EXPECT_EQ(load.error.substr(0, error.size()), error) << load.error;
  }
  EXPECT_TRUE(parseScript("", "empty.script").script);
}

}  // namespace
}  // namespace strandel::sim
