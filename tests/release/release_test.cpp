#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "adapters/sim/services/posix_urls.h"
#include "release/release.h"
#include "support/temp_dir.h"
#include "support/test_platform.h"
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

// Each version in turn is released after the one before it.
TEST(ReleaseManifest, DecodesInTheAppAsNewerThanThePreviousVersionWithAnAddressItOpens) {
  const std::vector<std::string> ascending = {"0.0.0", "0.0.1",  "0.1.0",  "0.999.999",
                                              "1.0.0", "1.0.10", "1.2.0",  "1.10.0",
                                              "2.0.0", "9.9.9",  "10.0.0", "100.0.0"};
  for (size_t i = 1; i < ascending.size(); ++i) {
    const std::string &previous = ascending[i - 1], &current = ascending[i];
    SCOPED_TRACE(current);
    const std::string changelog = "# Changelog\r\n\r\n## " + current +
                                  " - 2027-01-02\r\n\r\n- Fixes \"quoted\" \\ and ü.\n\tMore.\n\n"
                                  "## " +
                                  previous + "\n- First.\n";
    const std::optional<VersionInfo> decoded = VersionInfo::decode(manifestFor(changelog, current));
    ASSERT_TRUE(decoded.has_value());
    const Version version = parseVersion(current);
    EXPECT_EQ(*decoded, (VersionInfo{current, version.buildNumber(), kZip,
                                     "- Fixes \"quoted\" \\ and ü.\n\tMore."}));
    EXPECT_TRUE(UpdateChecker::isNewer(decoded->version, previous));
    EXPECT_FALSE(UpdateChecker::isNewer(decoded->version, current));
    EXPECT_GT(version.buildNumber(), parseVersion(previous).buildNumber());
    EXPECT_TRUE(UpdateChecker::isDownloadScheme(decoded->downloadUrl));
  }
}

// What the app opens when Download is chosen in the prompt for this download address: the
// app's own check, URL parsing and download rule on a simulated Mac, or the tool's refusal.
std::string openedByTheApp(const std::string& url) {
  std::string manifest;
  const std::string refused =
      refusal([&] { manifest = makeManifest(parseVersion("1.1.0"), url, ""); });
  if (manifest.empty()) return refused;
  test::TestPlatform mac;
  mac.platform.urls = std::make_shared<sim::PosixURLs>();
  UpdateChecker::check(true);
  mac.http->respond(0, manifest);
  mac.drain();
  if (mac.openedURLs.size() != 1) return "(not opened)";
  return mac.openedURLs[0].absoluteString;
}

// The cask's download address and home page, when both are `url`, or the refusal.
std::string caskAddresses(const std::string& url) {
  std::string cask;
  const std::string refused =
      refusal([&] { cask = makeCask(parseVersion("1.1.0"), url, kSha, url); });
  if (cask.empty()) return refused;
  auto value = [&](const std::string& key) {
    const size_t start = cask.find("\n  " + key + " \"") + key.size() + 5;
    return cask.substr(start, cask.find("\"\n", start) - start);
  };
  return value("url") == value("homepage") ? value("url") : "(two addresses) " + cask;
}

TEST(ReleaseAddress, EveryAddressWrittenIsOneTheAppParsesAndOpens) {
  // What the app opens and the cask holds, or the start of the refusal; a second text is the
  // cask's where it differs.
  const std::vector<std::vector<std::string>> cases = {
      {kZip, kZip},
      {"HTTP://[::1]:8443/a?b=c", "HTTP://[::1]:8443/a?b=c"},
      {"https://example.com/a b.zip", "https://example.com/a%20b.zip"},
      {"https://x/ä/{v}|^[1]`<>.zip", "https://x/%C3%A4/%7Bv%7D%7C%5E%5B1%5D%60%3C%3E.zip"},
      {"https://x/a—b.zip", "https://x/a%E2%80%94b.zip"},  // the byte 0x80 is encoded too
      {"https://x/S.zip\"; system \"rm\\", "https://x/S.zip%22;%20system%20%22rm%5C"},
      {"https://x/a%2fb?q=1#f#{v}", "https://x/a%2fb?q=1#f%23%7Bv%7D",
       "the download address 'https://x/a%2fb?q=1#f%23%7Bv%7D' may not have a fragment"},
      {"", "the download address '' is not an address the app opens"},
      {"Strandel.zip", "the download address 'Strandel.zip' is not an address"},
      {"ftp://example.org/S.zip", "the download address 'ftp://example.org/S.zip' is not an"},
      {"file:///x.zip", "the download address 'file:///x.zip' is not an address"},
      {"javascript:alert(1)", "the download address 'javascript:alert(1)' is not an address"},
      {"https://example.com/\xff", "the download address 'https://example.com/\\xFF' is not valid"},
      {"https://x/\x1b[2J", "the download address 'https://x/\\x1B[2J' contains a control"},
      {"https://x/\u202egpj.exe", "the download address 'https://x/\\u202Egpj.exe' contains a"},
      {"https://x/a.zip ", "the download address 'https://x/a.zip ' starts or ends with a space"},
      {"https://bücher.de/x",
       "the download address 'https://bücher.de/x' has a space or a "
       "character outside ASCII in its host"},
      {"https://x/100%", "the download address 'https://x/100%' has a '%' that does not start"},
      {"https://x/%z2", "the download address 'https://x/%z2' has a '%' that does not start"},
      {"https://x/%2z", "the download address 'https://x/%2z' has a '%' that does not start"},
      {"https://x:port/", "the download address 'https://x:port/' is not a valid URL"},
  };
  const auto matches = [](const std::string& got, const std::string& expected) {
    return got == expected || (expected.starts_with("the ") && got.starts_with(expected));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    EXPECT_PRED2(matches, openedByTheApp(c[0]), c[1]);
    EXPECT_PRED2(matches, caskAddresses(c[0]), c.back());
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

TEST(ReleaseChangelog, TheNotesAreTheNewestSectionOrTheRefusalSaysWhy) {
  struct Case {
    std::string changelog, version, message;  // the notes, or the start of the refusal
  } cases[] = {
      {"\xEF\xBB\xBF## 1.0.0\n- First.\n", "1.0.0", "- First."},
      {"# Changelog\r\r## 1.1.0\r- New.\r\r## 1.0.0\r- First.\r", "1.1.0", "- New."},
      {"## 1.1.0\n- New:\n  ````\n## 1.0.0\n  ```\n  ````\n~~~md\n## 0.1.0\n~~~\nEnd.\n## 1.0.0\n",
       "1.1.0", "- New:\n  ````\n## 1.0.0\n  ```\n  ````\n~~~md\n## 0.1.0\n~~~\nEnd."},
      {"## 1.1.0\n```\n## 1.0.0\n``` x\n```\n", "1.1.0", "```\n## 1.0.0\n``` x\n```"},
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
      {"## 1.0.0\n\t- \x1b[2J\n", "1.0.0", "changelog line 2 holds the control character \\x1B"},
      {"## 1.0.0\n- \u2066x\n", "1.0.0", "changelog line 2 holds the control character \\u2066"},
  };
  for (const Case& c : cases) {
    std::string notes;
    const std::string message =
        refusal([&] { notes = releaseNotes(c.changelog, parseVersion(c.version)); });
    EXPECT_TRUE(notes.empty() ? message.starts_with(c.message) : notes == c.message)
        << c.changelog << "\n  -> " << (notes.empty() ? message : notes);
  }
}

TEST(ReleaseChangelog, TheProjectsChangelogHasANewestSectionWithNotes) {
  const std::vector<ChangelogSection> sections =
      parseChangelog(sim::test::readFile(STRANDEL_SOURCE_DIR "/CHANGELOG.md"));
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

  for (const std::string& sha256 : {kSha.substr(1), kSha + "0", "g" + kSha.substr(1)}) {
    EXPECT_TRUE(refusal([&] {
                  makeCask(parseVersion("1.1.0"), kZip, sha256, "https://x");
                }).starts_with("the SHA-256 must be 64 hexadecimal digits"))
        << sha256;
  }
}

TEST(ReleaseCommand, AnswersHelpAndRefusesInOneEscapedLineWithoutCrashing) {
  sim::test::TempDir dir;
  const std::string changelog = (dir.path() / "CHANGELOG.md").string();
  sim::test::writeFile(changelog, "## 1.0.0\n- First.\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string printed;  // the start of what it prints: on stdout after success, else stderr
  } cases[] = {
      {{"--help"}, 0, "usage: strandel-release version\n"},
      {{"cask", "--url", "x", "-h"}, 0, "usage: strandel-release version\n"},
      {{"version", "--version", "1.0.0"}, 0, "1.0.0 1000000\n"},
      {{"notes", "--changelog", changelog}, 0, "- First.\n"},
      {{}, 1, "strandel-release: no command\nusage: "},
      {{"\x1b]0;pwned\a"}, 1, "strandel-release: unknown command '\\x1B]0;pwned\\x07'\nusage:"},
      {{"notes", "\x1b[2J"}, 1, "strandel-release: expected an option and its value at '\\x1B"},
      {{"notes", "--changelog", changelog, "--url\n", "x"},
       1,
       "strandel-release: '--url\\n' does not apply to notes\nusage:"},
      {{"notes", "--changelog", "/none\x9b"}, 1, "strandel-release: cannot read '/none\\x9B'\n"},
      {{"version", "--version", "1.\xe2\x80\xae"}, 1, "strandel-release: '1.\\u202E' is not a"},
      {{"manifest", "--changelog", changelog, "--url", "https://example.com/\xff"},
       1,
       "strandel-release: the download address 'https://example.com/\\xFF' is not valid UTF-8 "
       "text\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(runCommand(c.args, parseVersion("1.0.0"), out, err), c.status) << err.str();
    EXPECT_TRUE((c.status == 0 ? out : err).str().starts_with(c.printed)) << out.str() << err.str();
    EXPECT_EQ(c.status == 0, err.str().empty()) << err.str();
  }
}

}  // namespace
}  // namespace strandel::release
