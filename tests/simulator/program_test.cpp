// The strandel program itself, run as a person would run it: what it prints and how it exits.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "adapters/sim/simulator/scene.h"
#include "broken_scenes.h"
#include "support/temp_dir.h"

namespace {

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

TEST_F(ProgramTest, EveryBrokenSceneEndsTheProgramWithTheLoadersMessage) {
  Outcome exact = run("--scene " + file("broken.json",
                                        "{\n  \"screen\": null,\n  \"apps\": "
                                        "[{\"pid\": \"7\", \"name\": \"A\"}]\n}\n"));
  EXPECT_EQ(exact.status, 1);
  EXPECT_EQ(exact.out, "");
  EXPECT_EQ(exact.err, "strandel: the scene is refused: " + (dir_.path() / "broken.json").string() +
                           ":3:20: /apps/0/pid: expected an integer, found a string\n");
  for (const auto& broken : strandel::sim::fixtures::brokenScenes()) {
    SCOPED_TRACE(broken.what);
    Outcome outcome = run("--scene " + file("broken.json", broken.text));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    std::string error =
        strandel::sim::parseScene(broken.text, (dir_.path() / "broken.json").string()).error;
    EXPECT_EQ(outcome.err, "strandel: the scene is refused: " + error + "\n");
  }
  Outcome missing = run("--scene '" + (dir_.path() / "nowhere.json").string() + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nowhere.json: cannot read the scene"), std::string::npos);
}

TEST_F(ProgramTest, AScriptRunsToItsTranscriptOrIsRefusedWithItsLine) {
  std::string scene =
      file("s.json", R"({"screen": null, "apps": [], "accessibilityGranted": true})");
  Outcome good = run("--scene " + scene + " --script " + file("ok.script", "at 1 open\nclose\n"));
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(good.out.rfind("[   0.000] scene: (unnamed)\n", 0), 0u) << good.out;
  EXPECT_NE(good.out.find("[   1.000] menu opened (6 rows):"), std::string::npos) << good.out;
  EXPECT_NE(good.out.find("[   1.000] end of script\n"), std::string::npos) << good.out;

  Outcome failing = run("--scene " + scene + " --script " + file("bad.script", "close\n"));
  EXPECT_EQ(failing.status, 1);
  EXPECT_NE(failing.out.find("error: "), std::string::npos) << failing.out;

  Outcome refused = run("--scene " + scene + " --script " + file("b.script", "\nlaunch \"Zed\"\n"));
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("b.script:2: no app in the scene is named or has the pid \"Zed\""),
            std::string::npos)
      << refused.err;
}

TEST_F(ProgramTest, WithoutArgumentsTheDemonstrationRunsAndBadArgumentsShowTheUsage) {
  Outcome demo = run("");
  EXPECT_EQ(demo.status, 0) << demo.err;
  EXPECT_NE(demo.out.find("scene: MacBook Pro 14-inch"), std::string::npos);
  EXPECT_NE(demo.out.find("end of script"), std::string::npos);
  const std::pair<const char*, const char*> bad[] = {{"--sceen x", "unknown argument --sceen"},
                                                     {"--script", "--script needs a file"}};
  for (const auto& [arguments, problem] : bad) {
    Outcome outcome = run(arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find(problem), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("usage: strandel"), std::string::npos);
  }
  Outcome help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: strandel", 0), 0u);
}

}  // namespace
