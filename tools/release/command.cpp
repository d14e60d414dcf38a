// The release tool's command line.

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>

#include "release/release.h"
#include "text/display_escape.h"

namespace strandel::release {

namespace {

constexpr const char* kUsage =
    "usage: strandel-release version\n"
    "       strandel-release notes    --changelog FILE [--version V]\n"
    "       strandel-release manifest --changelog FILE --url ZIP_URL [--version V]\n"
    "       strandel-release cask     --url ZIP_URL --sha256 HEX --homepage URL [--version V]\n"
    "       strandel-release --help\n"
    "\n"
    "Writes what a release publishes beside the app to standard output: the project's\n"
    "version and build number, the changelog's notes for it, the update manifest, or the\n"
    "cask. --version (the release tag's version) must be the project's version.\n";

// A refusal that the usage follows.
class UsageError : public ReleaseError {
 public:
  using ReleaseError::ReleaseError;
};

bool isHelp(const std::string& arg) {
  return arg == "--help" || arg == "-h" || arg == "help";
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path)) throw ReleaseError("cannot read " + shown(path));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string output(const std::vector<std::string>& args, const Version& project) {
  if (args.empty()) throw UsageError("no command");
  const std::string& command = args[0];
  if (command != "version" && command != "notes" && command != "manifest" && command != "cask") {
    throw UsageError("unknown command " + shown(command));
  }
  std::map<std::string, std::string> options;
  for (size_t i = 1; i < args.size(); i += 2) {
    const std::string& name = args[i];
    if (!name.starts_with("--") || i + 1 >= args.size()) {
      throw UsageError("expected an option and its value at " + shown(name));
    }
    options[name.substr(2)] = args[i + 1];
  }
  auto option = [&](const std::string& name) {
    auto found = options.find(name);
    if (found == options.end()) throw UsageError("--" + name + " is missing");
    std::string value = found->second;
    options.erase(found);
    return value;
  };

  if (options.contains("version")) {
    const Version asked = parseVersion(option("version"));
    if (asked.text() != project.text()) {
      throw ReleaseError("version " + asked.text() + " is not the project's version " +
                         project.text() + " (CMakeLists.txt)");
    }
  }

  std::string text;
  if (command == "version") {
    text = project.text() + " " + std::to_string(project.buildNumber()) + "\n";
  } else if (command == "notes") {
    text = releaseNotes(readFile(option("changelog")), project) + "\n";
  } else if (command == "manifest") {
    const std::string notes = releaseNotes(readFile(option("changelog")), project);
    text = makeManifest(project, option("url"), notes);
  } else {
    const std::string url = option("url");
    const std::string sha256 = option("sha256");
    text = makeCask(project, url, sha256, option("homepage"));
  }
  if (!options.empty()) {
    throw UsageError(shown("--" + options.begin()->first) + " does not apply to " + command);
  }
  return text;
}

}  // namespace

int runCommand(const std::vector<std::string>& args, const Version& project, std::ostream& out,
               std::ostream& err) {
  // Help is asked for in place of a command or of an option.
  for (size_t i = 0; i < args.size(); i += i == 0 ? 1 : 2) {
    if (isHelp(args[i])) {
      out << kUsage;
      return 0;
    }
  }
  try {
    out << output(args, project);
    return 0;
  } catch (const UsageError& error) {
    err << "strandel-release: " << displayEscape(error.what()) << "\n" << kUsage;
  } catch (const std::exception& error) {
    // Anything else (out of memory, a library's own refusal) is one line, never an abort.
    err << "strandel-release: " << displayEscape(error.what()) << "\n";
  }
  return 1;
}

}  // namespace strandel::release
