#include "adapters/sim/terminal/layout.h"

#include <algorithm>
#include <cmath>

namespace strandel::sim::terminal {

int BarLayout::columnOf(double x) const {
  double column = std::floor((x - left) * columns / pointsWide);
  // Far-off frames (a scene may put an extra at 1e300) must not overflow an int.
  return static_cast<int>(std::clamp(column, -1e6, 1e6));
}

std::optional<size_t> BarLayout::extraAt(int column) const {
  if (column < 0 || column >= columns) return std::nullopt;
  if (notch && column >= notch->column && column < notch->column + notch->width) {
    return std::nullopt;
  }
  for (size_t i = extras.size(); i-- > 0;) {
    const auto& span = extras[i];
    if (span && column >= span->column && column < span->column + span->width) return i;
  }
  return std::nullopt;
}

BarLayout layoutBar(const std::optional<ScreenSpec>& screen, const std::vector<Rect>& extras,
                    int terminalColumns) {
  BarLayout bar;
  int total = std::max(terminalColumns, 1);
  int statusWidth = std::min(kStatusItemColumns, std::max(total - 1, 1));
  bar.columns = std::max(total - statusWidth, 1);
  bar.statusItem = Span{bar.columns, statusWidth};

  if (screen) {
    bar.left = minX(screen->frame);
    bar.pointsWide = width(screen->frame);
  } else {
    bar.left = 0;
    for (const Rect& r : extras) {
      if (std::isfinite(maxX(r))) bar.pointsWide = std::max(bar.pointsWide, maxX(r));
    }
  }
  if (!(bar.pointsWide > 0) || !std::isfinite(bar.pointsWide)) bar.pointsWide = 1;
  double right = bar.left + bar.pointsWide;

  double notchFrom = 0;
  double notchTo = 0;
  if (screen && screen->topLeftArea && screen->topRightArea) {
    notchFrom = maxX(*screen->topLeftArea);
    notchTo = minX(*screen->topRightArea);
    if (notchTo > notchFrom) {
      int start = std::clamp(bar.columnOf(notchFrom), 0, bar.columns - 1);
      int end = std::clamp(bar.columnOf(notchTo), start + 1, bar.columns);
      bar.notch = Span{start, end - start};
    }
  }

  bar.extras.resize(extras.size());
  for (size_t i = 0; i < extras.size(); ++i) {
    const Rect& r = extras[i];
    double lo = minX(r);
    double hi = maxX(r);
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
      // A frame that is nowhere still gets listed, on the side it leans to.
      (lo > right || hi > right ? bar.offRight : bar.offLeft).push_back(i);
      continue;
    }
    // The system draws an item wholly on its screen or not at all: one across an edge is
    // listed at that edge. A hosting window may reach 2 points past the right edge.
    if (lo < bar.left) {
      bar.offLeft.push_back(i);
    } else if (hi > right + kEdgeSlack || lo >= right) {
      bar.offRight.push_back(i);
    } else if (bar.notch && lo < notchTo && hi > notchFrom) {
      bar.behindNotch.push_back(i);
    } else {
      int start = std::clamp(bar.columnOf(lo), 0, bar.columns - 1);
      int end = std::clamp(bar.columnOf(hi), start + 1, bar.columns);
      bar.extras[i] = Span{start, end - start};
    }
  }
  // Frames without a number for a left edge go last.
  auto leftEdge = [&](size_t i) {
    double x = minX(extras[i]);
    return std::isnan(x) ? HUGE_VAL : x;
  };
  auto byLeftEdge = [&](size_t a, size_t b) { return leftEdge(a) < leftEdge(b); };
  std::stable_sort(bar.offLeft.begin(), bar.offLeft.end(), byLeftEdge);
  std::stable_sort(bar.offRight.begin(), bar.offRight.end(), byLeftEdge);
  return bar;
}

BoxLayout layoutDropDown(int rowCount, int contentWidth, int anchorRight, int top,
                         int terminalColumns, int terminalRows, int previousFirst, long cursor) {
  BoxLayout layout;
  rowCount = std::max(rowCount, 0);
  int widthWithFrame = std::clamp(contentWidth + 2, 2, std::max(terminalColumns, 2));
  int right = std::clamp(anchorRight, widthWithFrame, std::max(terminalColumns, widthWithFrame));
  int room = std::max(terminalRows - top - 2, 0);
  layout.shownRows = std::min(rowCount, room);
  layout.box = Region{right - widthWithFrame, top, widthWithFrame, layout.shownRows + 2};

  int lastFirst = rowCount - layout.shownRows;
  int first = std::clamp(previousFirst, 0, lastFirst);
  if (cursor >= 0 && cursor < rowCount && layout.shownRows > 0) {
    int c = static_cast<int>(cursor);
    if (c < first) first = c;
    if (c >= first + layout.shownRows) first = c - layout.shownRows + 1;
  }
  layout.firstRow = first;
  layout.moreAbove = first > 0;
  layout.moreBelow = first + layout.shownRows < rowCount;
  return layout;
}

Region Stage::areaFor(int fewestRows) const {
  return fewestRows <= stage.height ? stage : tall;
}

Region Stage::centred(int width, int height, int fewestRows) const {
  Region area = areaFor(fewestRows);
  width = std::min(width, area.width);
  height = std::min(height, area.height);
  return Region{area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width,
                height};
}

}  // namespace strandel::sim::terminal
