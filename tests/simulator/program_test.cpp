// The strandel program itself, run as a person would run it: what it prints and how it exits.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "text/display_escape.h"

namespace {

using Texts = std::vector<std::string>;

using strandel::sim::test::readFile;

struct Outcome {
  int status = -1;
  std::string out, err;
};

class ProgramTest : public testing::Test {
 protected:
  std::string file(const std::string& name, const std::string& text) {
    strandel::sim::test::writeFile(dir_.path() / name, text);
    return "'" + (dir_.path() / name).string() + "'";
  }

  // Runs the program with these arguments, its input from /dev/null (so never interactive).
  Outcome run(const std::string& arguments) {
    std::string out = (dir_.path() / "out").string(), err = (dir_.path() / "err").string();
    std::string command =
        "'" STRANDEL_PROGRAM "' " + arguments + " </dev/null >'" + out + "' 2>'" + err + "'";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
  }

  strandel::sim::test::TempDir dir_;
};

// Whatever the input holds, every line printed is its own display escape: no control
// character, bidirectional override or malformed byte reaches the terminal.
void expectOnlyEscapes(const std::string& printed) {
  size_t start = 0;
  for (size_t end; (end = printed.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = printed.substr(start, end - start);
    EXPECT_EQ(strandel::displayEscape(line), line);
  }
  EXPECT_EQ(start, printed.size()) << "the last line is not ended";
}

// How each script or scene fault reads is the script's and the scene's own suites; here, that
// the program prints it, exits 1 and escapes what it prints.
TEST_F(ProgramTest, ScriptsAndHostileInputsEndAsStatedAndPrintOnlyEscapes) {
  std::string crowded = R"({"screen": {"frame": [0, 0, 1440, 900]}, "apps": [)";
  for (int a = 0; a < 3000; ++a) {
    crowded += (a ? ", " : "") + std::string(R"({"pid": )") + std::to_string(a + 10) +
               R"(, "name": "App )" + std::to_string(a) +
               R"(", "extras": [{"frame": [1400, 0, 20, 24], "description": "status"}]})";
  }
  crowded += R"(], "accessibilityGranted": true})";
  // Escape sequences, C1 controls, bidirectional controls in every field that is printed.
  const std::string evil =
      R"({"name": "Evil \u001b]0;title\u0007", "accessibilityGranted": true,
          "screen": {"frame": [0, 0, 1440, 900]},
          "apps": [{"pid": 5, "name": "Ba\u202ed\u009b", "extras": [{"frame": [1000, 0, 20, 24],
                    "description": "Wi\u001b[2J-Fi\u2066"}]}],
          "installed": [{"pid": 7, "name": "La\u0085te"}]})";
  const std::string plain = R"({"screen": null, "apps": [], "accessibilityGranted": true})";
  struct Hostile {
    const char* what;
    std::string scene, script;
    int status;
    Texts printed;  // each somewhere in the output or the messages
  } rows[] = {
      {"a script that runs to its end", plain, "at 1 open\nclose\n", 0,
       Texts{"[   0.000] scene: (unnamed)\n",
             "[   1.000] menu opened (7 rows):", "[   1.000] end of script\n"}},
      {"a script naming no app", plain, "\nlaunch \"Zed\"\n", 1,
       Texts{"h.script:2: no app in the scene is named or has the pid \"Zed\""}},
      {"a one-line scene of 3,000 apps", crowded, "at 1 open\n", 0,
       Texts{"3000 apps running", "scan: 3000 apps, 3000 extras", "menu opened (3008 rows)"}},
      {"escapes in every printed field", evil,
       "at 1 open\nchoose 3\nwait 1\nlaunch 7\nquit 5\nchoose \"\x1b[0m\xe2\x80\xae\"\n", 1,
       Texts{"scene: Evil \\x1B]0;title\\x07\n", "3. action \"Wi\\x1B[2J-Fi\\u2066\"\n",
             "press: extra 1 of Ba\\u202Ed\\u009B (pid 5), \"Wi\\x1B[2J-Fi\\u2066\" -> success\n",
             "app launched: La\\u0085te (pid 7)\n", "app quit: Ba\\u202Ed\\u009B (pid 5)\n",
             "> choose \"\\x1B[0m\\u202E\"\n"}},
      {"an unknown member", R"({"screen": null, "apps": [], "\u001b]0;x\u0007": 1})", "", 1,
       Texts{"unknown member \"\\x1B]0;x\\x07\" (known: "}},
      {"a broken scene",
       "{\n  \"screen\": null,\n  \"apps\": [{\"pid\": \"7\", \"name\": \"A\"}]\n}\n", "", 1,
       Texts{"strandel: the scene is refused: " + (dir_.path() / "h.json").string() +
             ":3:20: /apps/0/pid: expected an integer, found a string\n"}},
      {"an unknown script command", plain, "open\nhoover\x1b[2J\xc2\x9b\n", 1,
       Texts{"h.script:2: unknown command \"hoover\\x1B[2J\\u009B\""}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Outcome outcome = run("--scene=" + file("h.json", row.scene) +
                          (row.script.empty() ? "" : " --script " + file("h.script", row.script)));
    EXPECT_EQ(outcome.status, row.status) << outcome.err;
    for (const auto& text : row.printed) {
      EXPECT_NE((outcome.out + outcome.err).find(text), std::string::npos) << text << outcome.err;
    }
    expectOnlyEscapes(outcome.out);
    expectOnlyEscapes(outcome.err);
  }
  Outcome missing = run("--scene '" + (dir_.path() / "nowhere.json").string() + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nowhere.json: cannot read the scene"), std::string::npos);
}

TEST_F(ProgramTest, WithoutArgumentsTheDemonstrationRunsAndBadArgumentsShowTheUsage) {
  Outcome demo = run("");
  EXPECT_EQ(demo.status, 0) << demo.err;
  EXPECT_NE(demo.out.find("scene: MacBook Pro 14-inch"), std::string::npos);
  EXPECT_NE(demo.out.find("end of script"), std::string::npos);
  const std::pair<const char*, const char*> bad[] = {{"--sceen x", "unknown argument --sceen"},
                                                     {"--script", "--script needs a file"},
                                                     {"--scene= x", "--scene needs a file"},
                                                     {"--help=1", "--help takes no value"}};
  for (const auto& [arguments, problem] : bad) {
    Outcome outcome = run(arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find(problem), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("usage: strandel"), std::string::npos);
  }
  Outcome help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: strandel", 0), 0u);
  Outcome version = run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(std::regex_match(version.out, std::regex("strandel \\d+\\.\\d+\\.\\d+ .*\n")))
      << version.out;
}

}  // namespace
