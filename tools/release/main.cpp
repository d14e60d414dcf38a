// strandel-release: writes what a release publishes beside the app, for the project's own
// version only, and refuses anything that does not agree with it.
//
//   strandel-release version
//   strandel-release notes    --changelog FILE [--version V]
//   strandel-release manifest --changelog FILE --url ZIP_URL [--version V]
//   strandel-release cask     --url ZIP_URL --sha256 HEX --homepage URL [--version V]
//
// --version (the release tag's version) must be the project's version from CMakeLists.txt.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "release/release.h"

namespace {

using strandel::release::ReleaseError;
using strandel::release::Version;

constexpr const char* kUsage =
    "usage: strandel-release version\n"
    "       strandel-release notes    --changelog FILE [--version V]\n"
    "       strandel-release manifest --changelog FILE --url ZIP_URL [--version V]\n"
    "       strandel-release cask     --url ZIP_URL --sha256 HEX --homepage URL [--version V]\n";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path)) throw ReleaseError("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The project's version, checked against the build number CMake derived from it.
Version projectVersion() {
  const Version version = strandel::release::parseVersion(STRANDEL_PROJECT_VERSION);
  if (version.buildNumber() != STRANDEL_BUILD_NUMBER) {
    throw ReleaseError("CMake's build number " + std::to_string(STRANDEL_BUILD_NUMBER) +
                       " is not the one version " + version.text() + " gives");
  }
  return version;
}

int run(int argc, char** argv) {
  if (argc < 2) throw ReleaseError(std::string("no command\n") + kUsage);
  const std::string command = argv[1];
  std::map<std::string, std::string> options;
  for (int i = 2; i < argc; i += 2) {
    const std::string name = argv[i];
    if (!name.starts_with("--") || i + 1 >= argc) {
      throw ReleaseError("expected an option and its value at '" + name + "'\n" + kUsage);
    }
    options[name.substr(2)] = argv[i + 1];
  }
  auto option = [&](const std::string& name) {
    auto found = options.find(name);
    if (found == options.end()) throw ReleaseError("--" + name + " is missing\n" + kUsage);
    std::string value = found->second;
    options.erase(found);
    return value;
  };

  const Version project = projectVersion();
  if (options.contains("version")) {
    const Version asked = strandel::release::parseVersion(option("version"));
    if (asked.text() != project.text()) {
      throw ReleaseError("version " + asked.text() + " is not the project's version " +
                         project.text() + " (CMakeLists.txt)");
    }
  }

  std::string output;
  if (command == "version") {
    output = project.text() + " " + std::to_string(project.buildNumber()) + "\n";
  } else if (command == "notes") {
    output = strandel::release::releaseNotes(readFile(option("changelog")), project) + "\n";
  } else if (command == "manifest") {
    const std::string notes =
        strandel::release::releaseNotes(readFile(option("changelog")), project);
    output = strandel::release::makeManifest(project, option("url"), notes);
  } else if (command == "cask") {
    const std::string url = option("url");
    const std::string sha256 = option("sha256");
    output = strandel::release::makeCask(project, url, sha256, option("homepage"));
  } else {
    throw ReleaseError("unknown command '" + command + "'\n" + kUsage);
  }
  if (!options.empty()) {
    throw ReleaseError("--" + options.begin()->first + " does not apply to " + command + "\n" +
                       kUsage);
  }
  std::cout << output;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const ReleaseError& error) {
    std::cerr << "strandel-release: " << error.what() << "\n";
    return 1;
  }
}
