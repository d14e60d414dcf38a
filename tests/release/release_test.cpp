#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "release/release.h"
#include "update/update_checker.h"

namespace strandel::release {
namespace {

using VersionInfo = UpdateChecker::VersionInfo;

const std::string kZip = "https://github.com/o/strandel/releases/download/v1.1.0/Strandel.zip";
const std::string kSha = "2D711642B726B04401627CA9FBAC32F5C8530FB1903CC4DB02258717921A4881";

// What the release step does: the newest section's notes into the manifest.
std::string manifestFor(const std::string& changelog, const std::string& version) {
  return makeManifest(parseVersion(version), kZip, releaseNotes(changelog, parseVersion(version)));
}

std::string refusal(const std::function<void()>& step) {
  try {
    step();
  } catch (const ReleaseError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(ReleaseManifest, DecodesInTheAppAsNewerThanThePreviousVersionWithAnAddressItOpens) {
  struct Case {
    std::string previous, version;
  } cases[] = {
      {"1.0.0", "1.0.1"}, {"1.9.0", "1.10.0"}, {"1.999.999", "2.0.0"}, {"9.0.0", "10.0.0"}};
  for (const Case& c : cases) {
    const std::string changelog = "# Changelog\r\n\r\n## " + c.version +
                                  " - 2027-01-02\r\n\r\n- Fixes \"quoted\" \\ and ü.\n\tMore.\n\n"
                                  "## " +
                                  c.previous + "\n- First.\n";
    const std::optional<VersionInfo> decoded =
        VersionInfo::decode(manifestFor(changelog, c.version));
    ASSERT_TRUE(decoded.has_value()) << c.version;
    const Version version = parseVersion(c.version);
    EXPECT_EQ(*decoded, (VersionInfo{c.version, version.buildNumber(), kZip,
                                     "- Fixes \"quoted\" \\ and ü.\n\tMore."}));
    EXPECT_TRUE(UpdateChecker::isNewer(decoded->version, c.previous)) << c.version;
    EXPECT_FALSE(UpdateChecker::isNewer(decoded->version, c.version));
    EXPECT_GT(version.buildNumber(), parseVersion(c.previous).buildNumber());
    EXPECT_TRUE(UpdateChecker::isDownloadScheme(decoded->downloadUrl));
  }
}

TEST(ReleaseManifest, RefusesAnAddressTheAppWouldNotOpen) {
  for (const std::string& url :
       std::vector<std::string>{"", "Strandel.zip", "ftp://example.org/Strandel.zip",
                                "file:///x.zip", "javascript:alert(1)"}) {
    EXPECT_NE(refusal([&] {
                makeManifest(parseVersion("1.0.0"), url, "Notes");
              }).find("is not an address the app opens"),
              std::string::npos)
        << url;
  }
}

TEST(ReleaseVersion, RefusesMalformedVersionsSayingWhatIsExpected) {
  for (const std::string& text :
       std::vector<std::string>{"", "1", "1.0", "1.0.0.0", "01.0.0", "1.00.0", "1.0.00", "1.1000.0",
                                "1.0.1000", "v1.0.0", "1.0.0-beta", " 1.0.0", "1.0.0 ", "1..0",
                                "1.0.", "1.0.x", "1234567890123.0.0", std::string("1.0.0\0", 6)}) {
    const std::string message = refusal([&] { parseVersion(text); });
    EXPECT_NE(message.find("is not a version: expected MAJOR.MINOR.PATCH"), std::string::npos)
        << "'" << text << "': " << message;
  }
  // Raw control characters never reach the terminal.
  EXPECT_EQ(refusal([] { parseVersion("1.\x1b[2J"); }).find('\x1b'), std::string::npos);

  const Version version = parseVersion("123456789012.999.0");
  EXPECT_EQ(version.text(), "123456789012.999.0");
  EXPECT_EQ(version.buildNumber(), 123456789012999000);
}

TEST(ReleaseVersion, BuildNumbersGrowWithTheAppsOwnVersionOrder) {
  const std::vector<std::string> ascending = {"0.0.0", "0.0.1",  "0.1.0",  "0.999.999",
                                              "1.0.0", "1.0.10", "1.2.0",  "1.10.0",
                                              "2.0.0", "9.9.9",  "10.0.0", "100.0.0"};
  for (size_t i = 1; i < ascending.size(); ++i) {
    EXPECT_TRUE(UpdateChecker::isNewer(ascending[i], ascending[i - 1])) << ascending[i];
    EXPECT_GT(parseVersion(ascending[i]).buildNumber(),
              parseVersion(ascending[i - 1]).buildNumber())
        << ascending[i];
  }
}

TEST(ReleaseChangelog, RefusesAChangelogThatDoesNotAgreeWithTheVersion) {
  struct Case {
    std::string changelog, version, message;
  } cases[] = {
      {"# Changelog\n\n## 1.0.0\n- First.\n", "1.1.0",
       "the changelog has no section for 1.1.0 (a line \"## 1.1.0\")"},
      {"# Changelog\n", "1.0.0", "the changelog has no section for 1.0.0"},
      {"## 1.1.0\n- New.\n## 1.0.0\n- First.\n", "1.0.0",
       "the changelog's newest section is 1.1.0, not 1.0.0"},
      {"## 1.1.0\n\n\n## 1.0.0\n- First.\n", "1.1.0", "the changelog's section for 1.1.0 is empty"},
      {"## Unreleased\n- Soon.\n## 1.0.0\n- First.\n", "1.0.0",
       "changelog line 1: a section's heading must start with its version: 'Unreleased' is not a "
       "version"},
      {"# Changelog\n## 1.1\n", "1.1.0", "changelog line 2: a section's heading"},
      {"## 1.0.0\n- A.\n## 1.0.0\n- B.\n", "1.0.0", "changelog line 3: version 1.0.0 has a second"},
      {"## 1.0.0\n- A.\n## 1.1.0\n- B.\n", "1.0.0",
       "changelog line 3: version 1.1.0 is listed below 1.0.0, which is not newer"},
      {"## 1.0.0\n- \xff\n", "1.0.0", "the changelog is not valid UTF-8 text"},
  };
  for (const Case& c : cases) {
    const std::string message =
        refusal([&] { releaseNotes(c.changelog, parseVersion(c.version)); });
    EXPECT_TRUE(message.starts_with(c.message)) << c.changelog << "\n  -> " << message;
  }
}

TEST(ReleaseChangelog, TheProjectsChangelogHasANewestSectionWithNotes) {
  std::ifstream in(std::string(STRANDEL_SOURCE_DIR) + "/CHANGELOG.md", std::ios::binary);
  ASSERT_TRUE(in);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<ChangelogSection> sections = parseChangelog(text);
  ASSERT_FALSE(sections.empty());
  EXPECT_FALSE(sections.front().notes.empty());
}

TEST(ReleaseCask, NamesTheVersionTheZipAndItsDigest) {
  const std::string cask =
      makeCask(parseVersion("1.1.0"), kZip, kSha, "https://github.com/o/strandel");
  for (const std::string& line : std::vector<std::string>{
           "cask \"strandel\" do\n", "\n  version \"1.1.0\"\n",
           "\n  sha256 \"2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881\"\n",
           "\n  url \"" + kZip + "\"\n", "\n  homepage \"https://github.com/o/strandel\"\n",
           "\n  app \"Strandel.app\"\n", "\nend\n"}) {
    EXPECT_NE(cask.find(line), std::string::npos) << line;
  }

  struct Case {
    std::string url, sha256, message;
  } refused[] = {
      {kZip, kSha.substr(1), "the SHA-256 must be 64 hexadecimal digits"},
      {kZip, kSha + "0", "the SHA-256 must be 64 hexadecimal digits"},
      {kZip, "g" + kSha.substr(1), "the SHA-256 must be 64 hexadecimal digits"},
      {"ftp://x/S.zip", kSha, "the download address 'ftp://x/S.zip' is not an address"},
      {"https://x/S.zip\"; system \"rm", kSha, "the download address may not contain quotes"},
      {"https://x/#{version}.zip", kSha, "the download address may not contain quotes"},
  };
  for (const Case& c : refused) {
    const std::string message =
        refusal([&] { makeCask(parseVersion("1.1.0"), c.url, c.sha256, "https://x"); });
    EXPECT_TRUE(message.starts_with(c.message)) << c.url << " " << c.sha256 << " -> " << message;
  }
}

}  // namespace
}  // namespace strandel::release
