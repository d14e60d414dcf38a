// The strandel program itself, run as a person would run it: what it prints and how it exits.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "adapters/sim/simulator/scene.h"
#include "broken_scenes.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    program_ = std::string(STRANDEL_BINARY_DIR) + "/src/adapters/sim/strandel";
    ASSERT_TRUE(fs::exists(program_)) << "build the strandel target first: " << program_;
    std::string pattern = (fs::temp_directory_path() / "strandel-program-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }

  std::string file(const std::string& name, const std::string& text) {
    fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Runs the program with these arguments, its input from /dev/null (so never interactive).
  Outcome run(const std::string& arguments) {
    fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    std::string command = "'" + program_ + "' " + arguments + " </dev/null >'" + out.string() +
                          "' 2>'" + err.string() + "'";
    int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = read(out);
    outcome.err = read(err);
    return outcome;
  }

  std::string program_;
  fs::path dir_;
};

TEST_F(ProgramTest, ABrokenSceneIsRefusedBeforeAnythingRuns) {
  std::string scene = file("broken.json",
                           "{\n  \"screen\": null,\n  \"apps\": [{\"pid\": \"7\", "
                           "\"name\": \"A\"}]\n}\n");
  Outcome outcome = run("--scene '" + scene + "'");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "strandel: the scene is refused: " + scene +
                             ":3:20: /apps/0/pid: expected an integer, found a string\n");
}

TEST_F(ProgramTest, EveryBrokenSceneEndsTheProgramWithTheLoadersMessage) {
  for (const auto& broken : strandel::sim::fixtures::brokenScenes()) {
    SCOPED_TRACE(broken.what);
    std::string scene = file("broken.json", broken.text);
    Outcome outcome = run("--scene '" + scene + "'");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "strandel: the scene is refused: " +
                               strandel::sim::parseScene(broken.text, scene).error + "\n");
  }
}

TEST_F(ProgramTest, ASceneThatIsNotJSONOrMissingIsRefused) {
  Outcome notJSON = run("--scene '" + file("text.json", "screen: none\n") + "'");
  EXPECT_EQ(notJSON.status, 1);
  EXPECT_NE(notJSON.err.find("text.json:1:1: invalid JSON: expected a value"), std::string::npos)
      << notJSON.err;
  Outcome missing = run("--scene '" + (dir_ / "nowhere.json").string() + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nowhere.json: cannot read the scene"), std::string::npos)
      << missing.err;
}

TEST_F(ProgramTest, BrokenScriptsAreRefusedWithTheirLine) {
  std::string scene = file("scene.json", R"({"screen": null, "apps": []})");
  Outcome unknownCommand =
      run("--scene '" + scene + "' --script '" + file("a.script", "open\nat 1 hoover\n") + "'");
  EXPECT_EQ(unknownCommand.status, 1);
  EXPECT_NE(unknownCommand.err.find("a.script:2: unknown command \"hoover\""), std::string::npos)
      << unknownCommand.err;
  Outcome unknownApp =
      run("--scene '" + scene + "' --script '" + file("b.script", "\nlaunch \"Zed\"\n") + "'");
  EXPECT_EQ(unknownApp.status, 1);
  EXPECT_NE(unknownApp.err.find("b.script:2: no app in the scene is named or has the pid \"Zed\""),
            std::string::npos)
      << unknownApp.err;
  EXPECT_EQ(unknownApp.out, "");
}

TEST_F(ProgramTest, AScriptRunsToItsTranscript) {
  std::string scene =
      file("scene.json", R"({"screen": null, "apps": [], "accessibilityGranted": true})");
  Outcome good =
      run("--scene '" + scene + "' --script '" + file("ok.script", "at 1 open\nclose\n") + "'");
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(good.out.rfind("[   0.000] scene: (unnamed)\n", 0), 0u) << good.out;
  EXPECT_NE(good.out.find("[   1.000] menu opened (6 rows):"), std::string::npos) << good.out;
  EXPECT_NE(good.out.find("[   1.000] end of script\n"), std::string::npos) << good.out;

  Outcome failing = run("--scene '" + scene + "' --script '" + file("bad.script", "close\n") + "'");
  EXPECT_EQ(failing.status, 1);
  EXPECT_NE(failing.out.find("error: "), std::string::npos) << failing.out;
}

TEST_F(ProgramTest, WithoutArgumentsTheDefaultSceneRunsTheDemonstration) {
  Outcome demo = run("");
  EXPECT_EQ(demo.status, 0) << demo.err;
  EXPECT_NE(demo.out.find("scene: MacBook Pro 14-inch"), std::string::npos);
  EXPECT_NE(demo.out.find("end of script"), std::string::npos);
}

TEST_F(ProgramTest, BadArgumentsShowTheUsage) {
  Outcome unknown = run("--sceen x");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("unknown argument --sceen"), std::string::npos);
  EXPECT_NE(unknown.err.find("usage: strandel"), std::string::npos);
  Outcome noFile = run("--script");
  EXPECT_EQ(noFile.status, 2);
  EXPECT_NE(noFile.err.find("--script needs a file"), std::string::npos);
  Outcome help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: strandel", 0), 0u);
}

}  // namespace
