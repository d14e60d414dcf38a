#include "adapters/sim/ui/type_select.h"

#include "text/unicode_text.h"

namespace strandel::sim {

namespace {

std::u32string folded(const std::string& text) {
  std::u32string decomposed =
      unicode::canonicalDecomposition(unicode::toLower(unicode::codePoints(text)));
  std::u32string out;
  out.reserve(decomposed.size());
  for (char32_t c : decomposed) {
    if (unicode::canonicalCombiningClass(c) == 0) out += c;
  }
  return out;
}

}  // namespace

TypeSelect::TypeSelect(const std::vector<std::optional<std::string>>& titles) {
  titles_.reserve(titles.size());
  for (size_t i = 0; i < titles.size(); ++i) {
    titles_.push_back(titles[i] ? folded(*titles[i]) : std::u32string());
    if (titles[i]) matching_.push_back(i);
  }
}

std::optional<size_t> TypeSelect::type(const std::string& more) {
  if (matching_.empty()) return std::nullopt;  // nothing can match any more: not even folded
  std::u32string piece = folded(more);
  size_t kept = 0;
  for (size_t row : matching_) {
    const std::u32string& title = titles_[row];
    if (title.compare(typed_, piece.size(), piece) == 0 && title.size() >= typed_ + piece.size()) {
      matching_[kept++] = row;
    }
  }
  matching_.resize(kept);
  typed_ += piece.size();
  if (typed_ == 0 || matching_.empty()) return std::nullopt;
  return matching_.front();
}

bool typeSelectMatches(const std::string& title, const std::string& typed) {
  return TypeSelect({title}).type(typed).has_value();
}

}  // namespace strandel::sim
