#include "menu/search_filter.h"

#include "text/search_fold.h"
#include "text/unicode_text.h"

namespace strandel {

SearchQuery::SearchQuery(std::string_view query) {
  const std::u32string folded = unicode::searchFold(query);
  size_t start = 0;
  while (start < folded.size()) {
    while (start < folded.size() && unicode::isWhitespaceOrNewline(folded[start])) ++start;
    size_t end = start;
    while (end < folded.size() && !unicode::isWhitespaceOrNewline(folded[end])) ++end;
    if (end > start) words_.push_back(folded.substr(start, end - start));
    start = end;
  }
}

bool SearchQuery::matches(const std::u32string& foldedLabel,
                          const std::u32string& foldedOwner) const {
  for (const std::u32string& word : words_) {
    // Each word on its own: one word may name the app and the next the label.
    if (foldedLabel.find(word) == std::u32string::npos &&
        foldedOwner.find(word) == std::u32string::npos)
      return false;
  }
  return true;
}

SearchKey::SearchKey(std::string_view label_, std::string_view owner_)
    : label(unicode::searchFold(label_)), owner(unicode::searchFold(owner_)) {}

}  // namespace strandel
