#include "adapters/sim/desktop/sim_image.h"

#include <array>
#include <memory>
#include <string_view>
#include <utility>

namespace strandel::sim {

namespace {

struct Symbol {
  std::string_view name;
  std::string_view glyph;
};

constexpr std::array<Symbol, 10> kSymbols = {{
    {"ellipsis.circle", "⋯"},
    {"menubar.rectangle", "▭"},
    {"gear", "⚙"},
    {"checkmark", "✓"},
    {"exclamationmark.triangle", "⚠"},
    {"arrow.down.circle", "⬇"},
    {"heart", "♥"},
    {"power", "⏻"},
    {"lock", "⚿"},
    {"questionmark.circle", "?"},
}};

const Symbol* findSymbol(std::string_view name) {
  for (const Symbol& symbol : kSymbols) {
    if (symbol.name == name) return &symbol;
  }
  return nullptr;
}

}  // namespace

SimImage::SimImage(std::string glyph, std::string colour, Size size,
                   std::string accessibilityDescription)
    : glyph_(std::move(glyph)),
      colour_(std::move(colour)),
      size_(size),
      description_(std::move(accessibilityDescription)) {}

ImageRef SimImage::copy() const {
  return std::make_shared<SimImage>(*this);
}

ImageRef SimImages::systemSymbol(const std::string& name,
                                 const std::string& accessibilityDescription) {
  const Symbol* symbol = findSymbol(name);
  if (!symbol) return nullptr;
  return std::make_shared<SimImage>(std::string(symbol->glyph), "label", Size{15, 15},
                                    accessibilityDescription);
}

bool SimImages::knowsSymbol(const std::string& name) {
  return findSymbol(name) != nullptr;
}

}  // namespace strandel::sim
