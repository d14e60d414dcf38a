#pragma once

#include <string>
#include <string_view>

namespace strandel::unicode {

// The form in which a search compares texts: full-width Latin letters, digits and
// punctuation as their ASCII forms (and the ideographic space as a space), lower-cased,
// without diacritics (canonical decomposition with the combining marks left out). Kana keep
// their voicing marks and Hangul stays in syllables, so Japanese and Korean match as typed:
// "カ" does not find "ガ", nor "크" find "클". A mark that follows its kana apart is joined
// to it.
std::u32string searchFold(std::string_view text);

}  // namespace strandel::unicode
