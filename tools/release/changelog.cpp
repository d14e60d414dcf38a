#include <set>

#include "release/release.h"
#include "text/display_escape.h"
#include "text/utf8.h"
#include "update/update_checker.h"

namespace strandel::release {

namespace {

constexpr std::string_view kHeading = "## ";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimBlankLines(std::string_view text) {
  while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

// Line feeds for CR LF and for a lone CR, without the byte-order mark that some editors
// put first.
std::string withLineFeeds(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 == text.size() || text[i + 1] != '\n') {
      out += '\n';
    }
  }
  return out;
}

// A fence of a code block: up to three spaces, then at least three backticks or tildes.
// A block ends at a fence of the same character at least as long, with nothing after it.
struct Fence {
  char mark = 0;
  size_t length = 0;
};

Fence fenceOf(std::string_view line) {
  size_t indent = 0;
  while (indent < 3 && indent < line.size() && line[indent] == ' ') ++indent;
  line.remove_prefix(indent);
  if (line.empty() || (line[0] != '`' && line[0] != '~')) return {};
  const size_t length = line.find_first_not_of(line[0]);
  if (length < 3) return {};
  return {line[0], length == std::string_view::npos ? line.size() : length};
}

bool closes(const Fence& open, std::string_view line) {
  const Fence fence = fenceOf(line);
  if (fence.mark != open.mark || fence.length < open.length) return false;
  const size_t after = line.find_first_not_of(' ');
  return line.find_first_not_of(" \t", after + fence.length) == std::string_view::npos;
}

// The notes reach terminals, the release page and the app's update prompt: a tab is the only
// control character they may hold.
void requireNoControlCharacters(std::string_view line, size_t lineNumber) {
  for (size_t pos = 0; pos < line.size();) {
    const UTF8Sequence sequence = decodeUTF8(line, pos);
    if (sequence.codePoint != '\t' && needsDisplayEscape(sequence.codePoint)) {
      throw ReleaseError("changelog line " + std::to_string(lineNumber) +
                         " holds the control character " + displayEscapeOf(sequence.codePoint));
    }
    pos += sequence.length;
  }
}

}  // namespace

std::vector<ChangelogSection> parseChangelog(std::string_view input) {
  if (!isValidUTF8(input)) throw ReleaseError("the changelog is not valid UTF-8 text");
  const std::string text = withLineFeeds(input);

  std::vector<ChangelogSection> sections;
  std::set<std::string> seen;
  size_t notesStart = 0;
  size_t lineNumber = 0;
  Fence openFence;  // a "## " inside a code block is no heading
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
    requireNoControlCharacters(line, lineNumber);
    if (openFence.mark != 0) {
      if (closes(openFence, line)) openFence = {};
    } else if (const Fence fence = fenceOf(line); fence.mark != 0) {
      openFence = fence;
    } else if (line.starts_with(kHeading)) {
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
