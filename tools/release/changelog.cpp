#include <set>

#include "release/release.h"
#include "text/utf8.h"
#include "update/update_checker.h"

namespace strandel::release {

namespace {

constexpr std::string_view kHeading = "## ";

std::string_view trimBlankLines(std::string_view text) {
  while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

std::string withoutCarriageReturns(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

}  // namespace

std::vector<ChangelogSection> parseChangelog(std::string_view input) {
  if (!isValidUTF8(input)) throw ReleaseError("the changelog is not valid UTF-8 text");
  const std::string text = withoutCarriageReturns(input);

  std::vector<ChangelogSection> sections;
  std::set<std::string> seen;
  size_t notesStart = 0;
  size_t lineNumber = 0;
  auto closeSection = [&](size_t end) {
    if (sections.empty()) return;
    std::string_view notes(text.data() + notesStart, end - notesStart);
    sections.back().notes = std::string(trimBlankLines(notes));
  };
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    ++lineNumber;
    if (line.starts_with(kHeading)) {
      closeSection(pos);
      std::string_view rest = line.substr(kHeading.size());
      std::string_view word = rest.substr(0, rest.find(' '));
      Version version;
      try {
        version = parseVersion(word);
      } catch (const ReleaseError& error) {
        throw ReleaseError("changelog line " + std::to_string(lineNumber) +
                           ": a section's heading must start with its version: " + error.what());
      }
      if (!seen.insert(version.text()).second) {
        throw ReleaseError("changelog line " + std::to_string(lineNumber) + ": version " +
                           version.text() + " has a second section");
      }
      if (!sections.empty() &&
          !UpdateChecker::isNewer(sections.back().version.text(), version.text())) {
        throw ReleaseError("changelog line " + std::to_string(lineNumber) + ": version " +
                           version.text() + " is listed below " + sections.back().version.text() +
                           ", which is not newer; the newest version comes first");
      }
      sections.push_back({version, {}});
      notesStart = end;
    }
    pos = end + 1;
  }
  closeSection(text.size());
  return sections;
}

std::string releaseNotes(std::string_view changelog, const Version& version) {
  const std::vector<ChangelogSection> sections = parseChangelog(changelog);
  for (size_t i = 0; i < sections.size(); ++i) {
    if (sections[i].version.text() != version.text()) continue;
    if (i != 0) {
      throw ReleaseError("the changelog's newest section is " + sections[0].version.text() +
                         ", not " + version.text());
    }
    if (sections[i].notes.empty()) {
      throw ReleaseError("the changelog's section for " + version.text() + " is empty");
    }
    return sections[i].notes;
  }
  throw ReleaseError("the changelog has no section for " + version.text() + " (a line \"" +
                     std::string(kHeading) + version.text() + "\")");
}

}  // namespace strandel::release
