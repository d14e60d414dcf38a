// Whole runs of the program on the simulated Mac, compared line for line with transcripts
// kept in tests/simulator/golden. After a deliberate change of behaviour, rewrite them with
//
//   STRANDEL_UPDATE_GOLDEN=1 build/default/tests/simulator_tests --gtest_filter='*Golden*'
//
// and read the diff before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/script.h"
#include "adapters/sim/simulator/script_runner.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/simulator/transcript.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

using test::readFile;

const std::string kGolden = STRANDEL_SOURCE_DIR "/tests/simulator/golden/";

// The transcript of the named run, ending with the exit status. "demo" is the README's first
// command: the default scene and the demonstration. Files are named by their base names, so
// the text does not depend on where the tree is.
std::string transcriptOf(const std::string& name) {
  const std::string resources = STRANDEL_SOURCE_DIR "/resources/scenes/";
  bool demo = name == "demo";
  std::string scenePath = demo ? resources + "default.json" : kGolden + name + ".scene.json";
  std::string scriptPath = demo ? resources + "demo.script" : kGolden + name + ".script";
  auto base = [](const std::string& path) { return path.substr(path.find_last_of('/') + 1); };
  SceneLoad scene = parseScene(readFile(scenePath), base(scenePath));
  if (!scene.scene) return "scene refused: " + scene.error + "\n";
  ScriptLoad script = parseScript(readFile(scriptPath), base(scriptPath));
  if (!script.script) return "script refused: " + script.error + "\n";
  if (std::string problem = checkScript(*script.script, *scene.scene); !problem.empty()) {
    return "script refused: " + problem + "\n";
  }
  Transcript transcript;
  Simulator::Options options;
  // A run named "..._ja" shows the program in Japanese.
  if (name.size() > 3 && name.substr(name.size() - 3) == "_ja") options.languages = {"ja"};
  Simulator simulator(std::move(*scene.scene), options);
  int status = ScriptRunner(simulator, std::move(*script.script), transcript).run();
  return transcript.text() + "exit status " + std::to_string(status) + "\n";
}

class GoldenTest : public testing::TestWithParam<const char*> {};

TEST_P(GoldenTest, TheRunGivesTheKeptTranscript) {
  std::string actual = transcriptOf(GetParam());
  std::string path = kGolden + GetParam() + ".txt";
  if (const char* update = std::getenv("STRANDEL_UPDATE_GOLDEN"); update && *update == '1') {
    std::ofstream(path, std::ios::binary) << actual;
    GTEST_SKIP() << "rewrote " << path;
  }
  std::string expected = readFile(path);
  ASSERT_FALSE(expected.empty()) << "no golden transcript at " << path;
  EXPECT_EQ(actual, expected);
}

INSTANTIATE_TEST_SUITE_P(Runs, GoldenTest,
                         testing::Values("demo", "permission", "launch_rescan", "update_checks",
                                         "update_offline", "login_item", "login_item_failure",
                                         "login_item_approval", "faults", "no_screen",
                                         "script_error", "menu_bar_report", "hosted_macos26",
                                         "agent_macos27", "two_displays", "keyboard_shortcut",
                                         "keyboard_shortcut_ja", "search"),
                         [](const testing::TestParamInfo<const char*>& run) {
                           return std::string(run.param);
                         });

}  // namespace
}  // namespace strandel::sim
