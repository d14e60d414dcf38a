#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace strandel {

// The menu's search rule: a row stays when every word of the query is found somewhere in
// its label or in its app's name, compared in searchFold's form. An empty query (or one of
// blanks only) keeps every row.
class SearchQuery {
 public:
  explicit SearchQuery(std::string_view query);
  bool empty() const { return words_.empty(); }
  // Both texts already folded: rows fold theirs once, each keystroke only the query.
  bool matches(const std::u32string& foldedLabel, const std::u32string& foldedOwner) const;

 private:
  std::vector<std::u32string> words_;
};

// One row's texts, folded once when the row is made.
struct SearchKey {
  SearchKey(std::string_view label, std::string_view owner);
  std::u32string label;
  std::u32string owner;
};

}  // namespace strandel
