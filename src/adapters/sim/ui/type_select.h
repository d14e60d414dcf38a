#pragma once

#include <string>

namespace strandel::sim {

// The system menus' type-select match: the row's plain title starts with the typed text,
// compared without case and diacritics (canonical decomposition with the combining marks
// left out, so "e" finds "É"). Korean, Japanese and Chinese text matches as typed through
// the input method, syllable by syllable. Empty text matches nothing.
bool typeSelectMatches(const std::string& title, const std::string& typed);

}  // namespace strandel::sim
