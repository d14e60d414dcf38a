#pragma once

#include <optional>
#include <vector>

#include "adapters/sim/terminal/view.h"

// The menu bars at the top of the terminal, one row per display, and the line under them
// that lists the extras no bar can show.
namespace strandel::sim::terminal {

// One layout per display (one without a screen), indices into `model.extras`.
std::vector<BarLayout> layoutBars(const ViewModel& model, int columns);
void drawBars(const ViewModel& model, const std::vector<BarLayout>& bars, Canvas& canvas);

// Where an extra is drawn: its bar's row and its columns; none when no bar draws it.
struct BarPlace {
  int row = 0;
  Span span;
};
std::optional<BarPlace> placeOf(const std::vector<BarLayout>& bars, size_t extra);
bool listedOffRight(const std::vector<BarLayout>& bars, size_t extra);

}  // namespace strandel::sim::terminal
