#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace strandel::sim {

// The system menus' type-select, as the person types: a row matches when its plain title
// starts with all that was typed, compared without case and diacritics (canonical
// decomposition with the combining marks left out, so "e" finds "É"). Korean, Japanese and
// Chinese text matches as typed through the input method, syllable by syllable.
//
// Each piece typed costs one step per character for each row still matching, so typing or
// pasting n characters costs time linear in n; once no row matches, what follows is not
// matched at all, as a menu that has dropped the typed text.
class TypeSelect {
 public:
  // `titles[i]` is none for a row that cannot be chosen.
  explicit TypeSelect(const std::vector<std::optional<std::string>>& titles);
  // Adds `more` to what was typed: the first row that still matches; none when no row does
  // or nothing was typed.
  std::optional<size_t> type(const std::string& more);

 private:
  std::vector<std::u32string> titles_;
  std::vector<size_t> matching_;  // the rows still matching, in order
  size_t typed_ = 0;              // characters typed, folded
};

// Whether `title` matches `typed` typed at once. Empty text matches nothing.
bool typeSelectMatches(const std::string& title, const std::string& typed);

}  // namespace strandel::sim
