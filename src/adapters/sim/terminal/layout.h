#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/terminal/canvas.h"
#include "ports/geometry.h"

// Where things go on the terminal: the menu bar to scale, the status menu's box, and the rows
// that what opens over the middle may use.
namespace strandel::sim::terminal {

// Columns of the bar that show Strandel's own status item, at the bar's right end.
constexpr int kStatusItemColumns = 3;
// How far past a screen's right edge, in points, a hosting window may reach and its item
// still be drawn whole.
constexpr double kEdgeSlack = 2;

struct Span {
  int column = 0;
  int width = 0;
  bool operator==(const Span&) const = default;
};

// The screen's menu bar, drawn over the terminal's columns except the status item's.
struct BarLayout {
  int columns = 0;        // columns showing the screen: [0, columns)
  double left = 0;        // the screen's left edge, in points
  double pointsWide = 0;  // the screen's width, in points
  std::optional<Span> notch;
  // For each extra, in input order: where it shows, or none when it is not drawn: off the
  // screen or across its edge (then listed in `offLeft` or `offRight`, in left-to-right
  // order), or behind the notch.
  std::vector<std::optional<Span>> extras;
  std::vector<size_t> offLeft;
  std::vector<size_t> offRight;
  std::vector<size_t> behindNotch;
  bool overflow = false;  // the system's overflow holds some: « at the bar's left end
  Span statusItem;

  // The column of a point on the screen, which may lie outside [0, columns).
  int columnOf(double x) const;
  // The extra drawn at this column: the one nearest the top of the drawing order (the
  // last one drawn there); none for empty places and the notch.
  std::optional<size_t> extraAt(int column) const;
};

// Lays out `extras` (their frames, in points) for a terminal `terminalColumns` wide. Without
// a screen, the bar spans the extras' own extent starting at 0.
BarLayout layoutBar(const std::optional<ScreenSpec>& screen, const std::vector<Rect>& extras,
                    int terminalColumns);

// A box below the bar, hanging from an anchor column, that shows `rowCount` rows of which
// `cursor` must be visible.
struct BoxLayout {
  Region box;        // the frame included
  int firstRow = 0;  // the first row shown
  int shownRows = 0;
  bool moreAbove = false;
  bool moreBelow = false;
};

// `contentWidth` is the width of the widest row; the box stays within the terminal, right
// edge at `anchorRight` when it fits, scrolling from `previousFirst` only as far as needed to
// show `cursor` (-1: no cursor).
BoxLayout layoutDropDown(int rowCount, int contentWidth, int anchorRight, int top,
                         int terminalColumns, int terminalRows, int previousFirst, long cursor);

// The rows of the screen that the open things may use, below the bar and the off-screen
// line: `stage` ends above the Events pane's header; `tall` reaches down to the status
// line, for what the stage cannot hold on a small terminal.
struct Stage {
  Region stage;
  Region tall;

  // The stage when it has at least `fewestRows`.
  Region areaFor(int fewestRows) const;
  // A box centred in the area that has room for `fewestRows` of it, no larger than that area.
  Region centred(int width, int height, int fewestRows) const;
};

}  // namespace strandel::sim::terminal
