#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// What a release publishes beside the app: the update manifest that the app reads and the
// cask for the project's own tap, both made from the project's one version and the
// changelog's section for it.
namespace strandel::release {

// Refused input; the message says what is wrong and where.
class ReleaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// MAJOR.MINOR.PATCH in decimal without leading zeros, MINOR and PATCH below 1000: the
// versions the project's CMake accepts.
struct Version {
  int64_t major = 0;
  int64_t minor = 0;
  int64_t patch = 0;

  std::string text() const;
  // Grows with the version: major * 1000000 + minor * 1000 + patch.
  int64_t buildNumber() const;
};

// Throws ReleaseError naming the text when it is not such a version.
Version parseVersion(std::string_view text);

// One "## VERSION ..." section of the changelog; the notes are the lines up to the next
// section's heading, without the blank lines around them.
struct ChangelogSection {
  Version version;
  std::string notes;
};

// The sections from the newest (first) down. Refuses a heading that does not start with a
// well-formed version, a version listed twice, a section that is not newer than the one
// below it by the app's own comparison, and text that is not UTF-8.
std::vector<ChangelogSection> parseChangelog(std::string_view text);

// The release notes of `version`, which must be the changelog's newest section.
std::string releaseNotes(std::string_view changelog, const Version& version);

// The manifest the app decodes: version, build, downloadUrl and releaseNotes, in JSON.
// Refuses a download address that the app would not open.
std::string makeManifest(const Version& version, std::string_view downloadUrl,
                         std::string_view notes);

// A cask for the zipped app at `url`, whose SHA-256 is `sha256` (64 hex digits).
std::string makeCask(const Version& version, std::string_view url, std::string_view sha256,
                     std::string_view homepage);

}  // namespace strandel::release
