// Whole runs of the program on the simulated Mac, compared line for line with transcripts
// kept in tests/simulator/golden. After a deliberate change of behaviour, rewrite them with
//
//   STRANDEL_UPDATE_GOLDEN=1 build/default/tests/simulator_tests --gtest_filter='Golden*'
//
// and read the diff before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/script.h"
#include "adapters/sim/simulator/script_runner.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/simulator/transcript.h"

namespace strandel::sim {
namespace {

std::string sourceDir() {
  const char* env = std::getenv("STRANDEL_SOURCE_DIR");
  return env && *env ? env : STRANDEL_SOURCE_DIR;
}

std::string goldenDir() {
  return sourceDir() + "/tests/simulator/golden";
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string baseName(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

// The transcript of one whole run, ending with the exit status. Files are named by their
// base names, so the text does not depend on where the tree is.
std::string transcriptOf(const std::string& scenePath, const std::string& scriptPath) {
  SceneLoad scene = parseScene(readFile(scenePath), baseName(scenePath));
  if (!scene.scene) return "scene refused: " + scene.error + "\n";
  ScriptLoad script = parseScript(readFile(scriptPath), baseName(scriptPath));
  if (!script.script) return "script refused: " + script.error + "\n";
  if (std::string problem = checkScript(*script.script, *scene.scene); !problem.empty()) {
    return "script refused: " + problem + "\n";
  }
  Transcript transcript;
  Simulator simulator(std::move(*scene.scene), Simulator::Options{});
  ScriptRunner runner(simulator, std::move(*script.script), transcript);
  int status = runner.run();
  return transcript.text() + "exit status " + std::to_string(status) + "\n";
}

struct Golden {
  const char* name;
  std::string scene;
  std::string script;
};

std::vector<Golden> goldens() {
  auto own = [](const char* name) {
    return Golden{name, goldenDir() + "/" + name + ".scene.json",
                  goldenDir() + "/" + name + ".script"};
  };
  return {
      // The README's first command: the default scene and the demonstration.
      Golden{"demo", sourceDir() + "/resources/scenes/default.json",
             sourceDir() + "/resources/scenes/demo.script"},
      own("permission"),
      own("launch_rescan"),
      own("update_checks"),
      own("update_offline"),
      own("login_item"),
      own("login_item_failure"),
      own("faults"),
      own("no_screen"),
      own("script_error"),
  };
}

void PrintTo(const Golden& golden, std::ostream* out) {
  *out << golden.name;
}

class GoldenTest : public testing::TestWithParam<Golden> {};

TEST_P(GoldenTest, TheRunGivesTheKeptTranscript) {
  const Golden& golden = GetParam();
  std::string actual = transcriptOf(golden.scene, golden.script);
  std::string path = goldenDir() + "/" + golden.name + ".txt";
  const char* update = std::getenv("STRANDEL_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary) << actual;
    GTEST_SKIP() << "rewrote " << path;
  }
  std::string expected = readFile(path);
  ASSERT_FALSE(expected.empty()) << "no golden transcript at " << path;
  EXPECT_EQ(actual, expected);
}

INSTANTIATE_TEST_SUITE_P(Runs, GoldenTest, testing::ValuesIn(goldens()),
                         [](const testing::TestParamInfo<Golden>& run) {
                           return std::string(run.param.name);
                         });

TEST(GoldenDeterminismTest, TheSameSceneAndScriptGiveTheSameTranscriptTwice) {
  Golden golden = goldens()[0];
  std::string first = transcriptOf(golden.scene, golden.script);
  std::string second = transcriptOf(golden.scene, golden.script);
  EXPECT_GT(first.size(), 1000u);
  EXPECT_EQ(first, second);
}

}  // namespace
}  // namespace strandel::sim
