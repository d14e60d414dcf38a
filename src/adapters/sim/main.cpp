// The program on the simulated Mac: the scene that stands for the Mac, and either a person
// at a terminal or a script playing the user.
//
//   strandel [--scene FILE] [--script FILE] [--help] [--version]
//
// These options are the simulator's own; the program itself takes none.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "adapters/sim/services/atomic_file.h"
#include "adapters/sim/services/file_user_defaults.h"
#include "adapters/sim/services/strings_bundle.h"
#include "adapters/sim/services/xdg_login_items.h"
#include "adapters/sim/simulator/report_file.h"
#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/script.h"
#include "adapters/sim/simulator/script_runner.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/simulator/transcript.h"
#include "adapters/sim/terminal/interactive.h"
#include "text/display_escape.h"

namespace {

using namespace strandel::sim;

// Messages echo file names, member names and script words: escaped, like every output.
void complain(const std::string& message) {
  std::cerr << "strandel: " << strandel::displayEscape(message) << "\n";
}

constexpr const char* kUsage =
    "usage: strandel [--scene FILE] [--script FILE] [--help] [--version]\n"
    "\n"
    "Runs Strandel on a simulated Mac.\n"
    "  --scene FILE   the Mac to simulate (JSON, see docs/scene-format.md);\n"
    "                 default: the built-in MacBook Pro with a crowded menu bar\n"
    "  --script FILE  user events to play on virtual time, printing a transcript\n"
    "                 (see docs/script-format.md); default: interactive on a terminal,\n"
    "                 a short demonstration script otherwise\n"
    "  --version      prints the program's version; --help prints this\n"
    "Each option's value may also follow an '=' (--scene=FILE).\n";

struct Arguments {
  std::optional<std::string> scene;
  std::optional<std::string> script;
  bool help = false;
  bool version = false;
};

std::optional<Arguments> parseArguments(int argc, char** argv, std::string& error) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    // "--scene=FILE" as well as "--scene FILE".
    std::optional<std::string> attached;
    if (size_t equals = argument.find('='); argument.starts_with("--") && equals != argument.npos) {
      attached = argument.substr(equals + 1);
      argument.resize(equals);
    }
    auto value = [&](std::optional<std::string>& into) {
      if (into) {
        error = argument + " is given twice";
        return false;
      }
      if (!attached && i + 1 < argc) attached = argv[++i];
      if (!attached || attached->empty()) {
        error = argument + " needs a file";
        return false;
      }
      into = std::move(attached);
      return true;
    };
    auto flag = [&](bool& into) {
      if (attached) error = argument + " takes no value";
      into = true;
      return !attached;
    };
    if (argument == "--scene") {
      if (!value(arguments.scene)) return std::nullopt;
    } else if (argument == "--script") {
      if (!value(arguments.script)) return std::nullopt;
    } else if (argument == "--help" || argument == "-h") {
      if (!flag(arguments.help)) return std::nullopt;
    } else if (argument == "--version") {
      if (!flag(arguments.version)) return std::nullopt;
    } else {
      error = "unknown argument " + argument;
      return std::nullopt;
    }
  }
  return arguments;
}

int runScript(Scene scene, Script script) {
  Transcript transcript([](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  });
  Simulator simulator(std::move(scene), Simulator::Options{});
  ScriptRunner runner(simulator, std::move(script), transcript);
  return runner.run();
}

// A person at the terminal: real time, and the person's own settings, login item, system
// log and language. A scene that sets up user defaults or the login item gets settings of
// its own instead, so that it never overwrites the person's.
int runWithPerson(Scene scene) {
  Simulator::Options options;
  options.time = Simulator::Time::realTime;
  options.writeSyslog = true;
  options.languages = preferredLanguagesFromEnvironment();
  // A copied menu bar report lands in the working directory too, for --scene to replay.
  std::error_code error;
  if (auto here = std::filesystem::current_path(error); !error) {
    options.reportDirectory = here;
    removeStaleReportTemporaries(here);
  }
  bool sceneSetsSettings = !scene.defaults.empty() ||
                           scene.loginItem.status != strandel::LoginItemStatus::notRegistered ||
                           scene.loginItem.failure.has_value();
  if (!sceneSetsSettings) {
    options.defaultsDirectory = defaultDefaultsDirectory();
    options.autostartDirectory = defaultAutostartDirectory();
    if (auto autostart = options.autostartDirectory) {
      // What an interrupted write of the login item left; the settings clean up their own.
      auto entry = XdgLoginItems(*autostart, std::nullopt, nullptr).entryPath().filename();
      removeStaleTemporaries(*autostart, entry.string());
    }
  }
  Simulator simulator(std::move(scene), options);
  return runInteractive(simulator);
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  auto arguments = parseArguments(argc, argv, error);
  if (!arguments) {
    complain(error);
    std::cerr << "\n" << kUsage;
    return 2;
  }
  if (arguments->help) {
    std::cout << kUsage;
    return 0;
  }
  if (arguments->version) {
    std::cout << "strandel " STRANDEL_VERSION " (on a simulated Mac)\n";
    return 0;
  }

  SceneLoad scene = loadSceneFile(arguments->scene.value_or(defaultScenePath()));
  if (!scene.scene) {
    complain("the scene is refused: " + scene.error);
    return 1;
  }

  bool interactive = !arguments->script && ::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO);
  if (interactive) {
    try {
      return runWithPerson(std::move(*scene.scene));
    } catch (const std::exception& e) {
      complain(e.what());
      return 1;
    }
  }
  ScriptLoad script = loadScriptFile(arguments->script.value_or(defaultScriptPath()));
  if (!script.script) {
    complain("the script is refused: " + script.error);
    return 1;
  }
  if (std::string problem = checkScript(*script.script, *scene.scene); !problem.empty()) {
    complain("the script is refused: " + problem);
    return 1;
  }

  try {
    return runScript(std::move(*scene.scene), std::move(*script.script));
  } catch (const std::exception& e) {
    complain(e.what());
    return 1;
  }
}
