#include <array>
#include <string>
#include <string_view>

#include "localization/localization.h"
#include "ports/platform.h"
#include "scanner/ax_read.h"
#include "scanner/menu_bar_scanner.h"
#include "text/unicode_text.h"

namespace strandel {

namespace {

// Compares by canonical decomposition, so a description written with decomposed Hangul
// jamo, combining marks or compatibility ideographs matches its composed entry. The
// decomposition and lower-case tables cover all of Unicode; only the final-sigma context
// rule of lower-casing is left out, which no entry could be affected by.
bool isGenericDescription(std::string_view trimmed) {
  // Never destroyed: exit() may come while a scan is still labelling on the scan queue.
  static const auto& kGeneric = *new std::array<std::u32string, 5>([] {
    const std::array<std::string_view, 5> texts = {"상태 메뉴", "status menu", "ステータスメニュー",
                                                   "菜单额外项", ""};
    std::array<std::u32string, 5> keys;
    for (size_t i = 0; i < texts.size(); ++i) {
      keys[i] = unicode::canonicalDecomposition(unicode::codePoints(texts[i]));
    }
    return keys;
  }());
  const std::u32string key =
      unicode::canonicalDecomposition(unicode::toLower(unicode::codePoints(trimmed)));
  for (const std::u32string& generic : kGeneric) {
    if (key == generic) return true;
  }
  return false;
}

std::string_view firstPiece(std::string_view text) {
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const size_t end = comma == std::string_view::npos ? text.size() : comma;
    if (end > start) return text.substr(start, end - start);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return text;  // commas only
}

}  // namespace

std::string MenuBarScanner::label(const AXRef& element,
                                  const std::optional<std::string>& fallback) {
  return labelFromDescription(textOf(axCopy(element, "AXDescription")), fallback);
}

std::string MenuBarScanner::labelFromDescription(const std::optional<std::string>& description,
                                                 const std::optional<std::string>& fallback) {
  const std::string text = description.value_or("");
  const std::string_view trimmed = unicode::trim(text, unicode::isWhitespaceOrNewline);

  if (isGenericDescription(trimmed)) {
    if (fallback) return *fallback;
    return L("item.unknown");
  }
  return std::string(unicode::trim(firstPiece(trimmed), unicode::isWhitespace));
}

}  // namespace strandel
