// strandel-release: writes what a release publishes beside the app, for the project's own
// version only, and refuses anything that does not agree with it. `--help` lists the
// commands.

#include <iostream>
#include <string>
#include <vector>

#include "release/release.h"

int main(int argc, char** argv) {
  using strandel::release::ReleaseError;
  try {
    // The project's version, checked against the build number CMake derived from it.
    const auto project = strandel::release::parseVersion(STRANDEL_PROJECT_VERSION);
    if (project.buildNumber() != STRANDEL_BUILD_NUMBER) {
      throw ReleaseError("CMake's build number " + std::to_string(STRANDEL_BUILD_NUMBER) +
                         " is not the one version " + project.text() + " gives");
    }
    return strandel::release::runCommand(std::vector<std::string>(argv + 1, argv + argc), project,
                                         std::cout, std::cerr);
  } catch (const ReleaseError& error) {
    std::cerr << "strandel-release: " << error.what() << "\n";
    return 1;
  }
}
