#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "adapters/sim/terminal/canvas.h"

// The Events pane and the status line under it.
namespace strandel::sim::terminal {

// The Events pane's header row, above the status line at `statusRow`; none when the terminal
// is too small for the pane.
std::optional<int> eventsPaneTop(int canvasHeight, int statusRow);

// One entry on lines of `room` columns: wrapped under its own text (after the time stamp, or
// the indent of a detail line), and shortened in the middle when three lines cannot hold it.
// The log itself keeps the whole entry.
std::vector<std::string> entryLines(const std::string& entry, int room);

// The header at `top`, then the newest entries that fit above the status line.
void drawEvents(const std::vector<std::string>& log, Canvas& canvas, int top, int statusRow);

// The status line, its parts closed up when it is too long for the terminal, and on up to
// `mostLines` lines when even that is too long, so that no part is left out.
std::vector<std::string> statusLines(const std::string& status, int columns, size_t mostLines);

}  // namespace strandel::sim::terminal
