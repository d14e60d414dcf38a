// The two documents a release publishes beside the app: the update manifest and the cask.

#include <nlohmann/json.hpp>

#include "release/release.h"
#include "text/utf8.h"

namespace strandel::release {

namespace {

// Cask files are Ruby: the addresses go between double quotes, where "#" can start an
// interpolation ("#{", "#$", "#@"); quotes and backslashes are percent-encoded before this.
std::string caskAddress(std::string_view text, std::string_view what) {
  std::string address = webAddress(text, what);
  if (address.find('#') != std::string::npos) {
    throw ReleaseError(std::string(what) + " " + shown(address) +
                       " may not have a fragment ('#') in the cask");
  }
  return address;
}

}  // namespace

std::string makeManifest(const Version& version, std::string_view downloadUrl,
                         std::string_view notes) {
  const std::string address = webAddress(downloadUrl, "the download address");
  if (!isValidUTF8(notes)) throw ReleaseError("the release notes are not valid UTF-8 text");
  nlohmann::ordered_json manifest;
  manifest["version"] = version.text();
  manifest["build"] = version.buildNumber();
  manifest["downloadUrl"] = address;
  manifest["releaseNotes"] = std::string(notes);
  return manifest.dump(2) + "\n";
}

std::string makeCask(const Version& version, std::string_view url, std::string_view sha256,
                     std::string_view homepage) {
  const std::string address = caskAddress(url, "the download address");
  const std::string page = caskAddress(homepage, "the home page");
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
         address +
         "\"\n"
         "  name \"Strandel\"\n"
         "  desc \"Lists the menu bar extras that are hidden behind the notch or off screen\"\n"
         "  homepage \"" +
         page +
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
