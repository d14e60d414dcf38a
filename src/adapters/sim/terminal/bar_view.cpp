#include "adapters/sim/terminal/bar_view.h"

#include <algorithm>
#include <string>

#include "adapters/sim/terminal/styles.h"
#include "adapters/sim/terminal/text.h"

namespace strandel::sim::terminal {

using namespace styles;

namespace {

// The extras that no bar shows, listed under the bars at the edge they left by.
void drawOffScreen(const ViewModel& model, const std::vector<BarLayout>& bars, Canvas& canvas) {
  int row = static_cast<int>(bars.size());
  if (canvas.height() < row + 2) return;
  std::vector<size_t> offLeft;
  std::vector<size_t> offRight;
  for (const BarLayout& bar : bars) {
    offLeft.insert(offLeft.end(), bar.offLeft.begin(), bar.offLeft.end());
    offRight.insert(offRight.end(), bar.offRight.begin(), bar.offRight.end());
  }
  auto names = [&](const std::vector<size_t>& which) {
    std::string text;
    for (size_t i : which) {
      text += (text.empty() ? " " : ", ") + model.extras[i].glyph + " " + model.extras[i].name;
    }
    return text;
  };
  int half = canvas.width() / 2;
  if (!offLeft.empty()) {
    int room = offRight.empty() ? canvas.width() : half;
    canvas.text(0, row, fitToWidth("◀ off screen:" + names(offLeft), room), kDim, room);
  }
  if (!offRight.empty()) {
    int room = offLeft.empty() ? canvas.width() : canvas.width() - half;
    std::string shown = fitToWidth("off screen:" + names(offRight) + " ▶", room);
    canvas.text(canvas.width() - displayWidth(shown), row, shown, kDim);
  }
}

}  // namespace

std::vector<BarLayout> layoutBars(const ViewModel& model, int columns) {
  size_t count = std::max<size_t>(model.screens.size(), 1);
  std::vector<BarLayout> bars;
  for (size_t d = 0; d < count; ++d) {
    std::vector<Rect> frames;
    std::vector<size_t> which;
    bool overflow = false;
    for (size_t i = 0; i < model.extras.size(); ++i) {
      const BarExtraView& extra = model.extras[i];
      // A display that is not there any more: the first bar lists what it held.
      size_t display = extra.display < count ? extra.display : 0;
      if (display != d) continue;
      if (extra.overflowed) {
        overflow = true;
      } else {
        frames.push_back(extra.frame);
        which.push_back(i);
      }
    }
    std::optional<ScreenSpec> screen;
    if (d < model.screens.size()) screen = model.screens[d];
    BarLayout bar = layoutBar(screen, frames, columns);
    // Back to the model's indices.
    std::vector<std::optional<Span>> spans(model.extras.size());
    for (size_t k = 0; k < which.size(); ++k) spans[which[k]] = bar.extras[k];
    bar.extras = std::move(spans);
    for (auto* list : {&bar.offLeft, &bar.offRight, &bar.behindNotch}) {
      for (size_t& i : *list) i = which[i];
    }
    bar.overflow = overflow;
    bars.push_back(std::move(bar));
  }
  return bars;
}

void drawBars(const ViewModel& model, const std::vector<BarLayout>& bars, Canvas& canvas) {
  for (size_t b = 0; b < bars.size() && static_cast<int>(b) < canvas.height(); ++b) {
    const BarLayout& bar = bars[b];
    int y = static_cast<int>(b);
    canvas.fill(Region{0, y, canvas.width(), 1}, kBar);
    for (size_t i = 0; i < model.extras.size(); ++i) {
      const auto& span = bar.extras[i];
      if (!span) continue;
      const BarExtraView& extra = model.extras[i];
      Style base = extra.opened ? kHighlight : kBar;
      canvas.fill(Region{span->column, y, span->width, 1}, base);
      canvas.text(span->column + (span->width - 1) / 2, y, extra.glyph,
                  extra.opened ? base : withInk(base, extra.ink), span->width);
    }
    if (bar.notch) canvas.fill(Region{bar.notch->column, y, bar.notch->width, 1}, kNotch, "█");
    if (!bar.offLeft.empty()) canvas.text(0, y, "◀", kBar);
    if (bar.overflow) canvas.text(bar.offLeft.empty() ? 0 : 1, y, "«", kBar);
    if (!bar.offRight.empty()) canvas.text(bar.columns - 1, y, "▶", kBar);
    // Strandel's own item, in the bar of the screen that holds the menu bar.
    Region item{bar.statusItem.column, y, bar.statusItem.width, 1};
    Style itemStyle = b == 0 && model.statusHighlighted ? kHighlight : kBar;
    canvas.fill(item, itemStyle);
    if (b == 0 && model.statusItemShown) {
      canvas.text(item.x + (item.width - 1) / 2, y,
                  model.statusGlyph.empty() ? "▯" : model.statusGlyph, itemStyle, item.width);
    }
  }
  drawOffScreen(model, bars, canvas);
}

std::optional<BarPlace> placeOf(const std::vector<BarLayout>& bars, size_t extra) {
  for (size_t b = 0; b < bars.size(); ++b) {
    if (extra < bars[b].extras.size() && bars[b].extras[extra]) {
      return BarPlace{static_cast<int>(b), *bars[b].extras[extra]};
    }
  }
  return std::nullopt;
}

bool listedOffRight(const std::vector<BarLayout>& bars, size_t extra) {
  return std::any_of(bars.begin(), bars.end(), [&](const BarLayout& bar) {
    return std::find(bar.offRight.begin(), bar.offRight.end(), extra) != bar.offRight.end();
  });
}

}  // namespace strandel::sim::terminal
