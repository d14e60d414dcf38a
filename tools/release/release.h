#pragma once

#include <cstdint>
#include <iosfwd>
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

// `text` quoted for a message: control characters and bytes that are not UTF-8 escaped as
// everywhere else in the program, cut after `maxBytes` (on a character's boundary) with "...".
std::string shown(std::string_view text, size_t maxBytes = 200);

// `text` as an address that the app both parses and opens for a download: an http or https
// URL with a host, spaces, characters outside ASCII and the characters that may not stand
// in a URL (" < > \ ^ ` { | }, brackets outside the host) percent-encoded after the host.
// Refuses, saying why (`what` names the address), text that is not UTF-8, control
// characters, a space at either end, a host outside ASCII, a "%" that starts no escape, and
// anything the app would still refuse.
std::string webAddress(std::string_view text, std::string_view what);

// The manifest the app decodes: version, build, downloadUrl and releaseNotes, in JSON.
// The download address is written as webAddress() gives it.
std::string makeManifest(const Version& version, std::string_view downloadUrl,
                         std::string_view notes);

// A cask for the zipped app at `url`, whose SHA-256 is `sha256` (64 hex digits). Both
// addresses are written as webAddress() gives them, and neither may hold a "#".
std::string makeCask(const Version& version, std::string_view url, std::string_view sha256,
                     std::string_view homepage);

// The command line: `args` without the program's name. Output goes to `out`, refusals (one
// line each, input escaped) to `err`; returns the exit status.
int runCommand(const std::vector<std::string>& args, const Version& project, std::ostream& out,
               std::ostream& err);

}  // namespace strandel::release
