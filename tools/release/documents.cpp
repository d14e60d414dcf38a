// The two documents a release publishes beside the app: the update manifest and the cask.

#include <nlohmann/json.hpp>

#include "release/release.h"
#include "text/utf8.h"
#include "update/update_checker.h"

namespace strandel::release {

namespace {

void requireDownloadAddress(std::string_view url, std::string_view what) {
  if (!UpdateChecker::isDownloadScheme(url)) {
    throw ReleaseError(std::string(what) + " '" + std::string(url.substr(0, 200)) +
                       "' is not an address the app opens for a download (http or https)");
  }
}

// Cask files are Ruby: the texts go between double quotes, where these would end the string
// or start an escape or an interpolation.
void requirePlainRubyText(std::string_view text, std::string_view what) {
  for (char c : text) {
    if (c == '"' || c == '\\' || c == '#' || static_cast<unsigned char>(c) < 0x20) {
      throw ReleaseError(std::string(what) +
                         " may not contain quotes, backslashes, '#' or "
                         "control characters");
    }
  }
}

}  // namespace

std::string makeManifest(const Version& version, std::string_view downloadUrl,
                         std::string_view notes) {
  requireDownloadAddress(downloadUrl, "the download address");
  if (!isValidUTF8(notes)) throw ReleaseError("the release notes are not valid UTF-8 text");
  nlohmann::ordered_json manifest;
  manifest["version"] = version.text();
  manifest["build"] = version.buildNumber();
  manifest["downloadUrl"] = std::string(downloadUrl);
  manifest["releaseNotes"] = std::string(notes);
  return manifest.dump(2) + "\n";
}

std::string makeCask(const Version& version, std::string_view url, std::string_view sha256,
                     std::string_view homepage) {
  requireDownloadAddress(url, "the download address");
  requireDownloadAddress(homepage, "the home page");
  requirePlainRubyText(url, "the download address");
  requirePlainRubyText(homepage, "the home page");
  if (sha256.size() != 64) throw ReleaseError("the SHA-256 must be 64 hexadecimal digits");
  std::string digest;
  for (char c : sha256) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
      throw ReleaseError("the SHA-256 must be 64 hexadecimal digits");
    }
    digest += c;
  }
  return "cask \"strandel\" do\n"
         "  version \"" +
         version.text() +
         "\"\n"
         "  sha256 \"" +
         digest +
         "\"\n"
         "\n"
         "  url \"" +
         std::string(url) +
         "\"\n"
         "  name \"Strandel\"\n"
         "  desc \"Lists the menu bar extras that are hidden behind the notch or off screen\"\n"
         "  homepage \"" +
         std::string(homepage) +
         "\"\n"
         "\n"
         "  depends_on macos: \">= :ventura\"\n"
         "\n"
         "  app \"Strandel.app\"\n"
         "\n"
         "  zap trash: \"~/Library/Preferences/com.quillet.strandel.plist\"\n"
         "end\n";
}

}  // namespace strandel::release
