#include "adapters/sim/terminal/view.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "adapters/sim/terminal/bar_view.h"
#include "adapters/sim/terminal/events_pane.h"
#include "adapters/sim/terminal/styles.h"
#include "adapters/sim/terminal/text.h"

namespace strandel::sim::terminal {

using namespace styles;

namespace {

void drawPopup(const PopupView& popup, const std::vector<BarLayout>& bars, const Stage& stage,
               Canvas& canvas) {
  int inner = displayWidth(popup.title);
  for (const auto& line : popup.lines) inner = std::max(inner, displayWidth(line));
  int width = std::min(inner + 4, canvas.width());
  Region area = stage.areaFor(static_cast<int>(popup.lines.size()) + 3);
  int height = std::min(static_cast<int>(popup.lines.size()) + 3, area.height);
  if (height < 3) return;
  int x = 0;
  if (auto place = placeOf(bars, popup.extra)) {
    x = place->span.column;
  } else if (listedOffRight(bars, popup.extra)) {
    x = bars.front().columns - width;
  }
  x = std::clamp(x, 0, std::max(canvas.width() - width, 0));
  Region box{x, area.y, width, height};
  Style frame = popup.failed ? withInk(kPlain, Ink::red) : withInk(kPlain, Ink::blue);
  canvas.fill(box, kPlain);
  canvas.frame(box, frame);
  canvas.text(x + 2, box.y + 1, popup.title, kBold, width - 4);
  for (int i = 0; i < height - 3; ++i) {
    canvas.text(x + 2, box.y + 2 + i, popup.lines[static_cast<size_t>(i)], kPlain, width - 4);
  }
}

// One level of the menu, hanging down to the status line over the Events pane (the status
// line and the key hints stay in view), its right edge at `right`.
BoxLayout drawMenuLevel(const std::vector<MenuRowView>& rows, long cursor, int first, int right,
                        int top, Canvas& canvas, int statusRow,
                        std::vector<std::pair<Region, long>>* hitRows) {
  bool anyGlyph = false;
  bool anySubmenu = false;
  int titleWidth = 0;
  int keyWidth = 0;
  for (const auto& row : rows) {
    anyGlyph = anyGlyph || !row.glyph.empty();
    anySubmenu = anySubmenu || row.submenu;
    titleWidth = std::max(titleWidth, displayWidth(row.title));
    keyWidth = std::max(keyWidth, displayWidth(row.key));
  }
  // Columns: a space, the check mark, the image, the title, the key equivalent or the
  // submenu's marker, a space.
  int markColumns = 2;
  int glyphColumns = anyGlyph ? 3 : 0;
  int keyColumns = std::max(keyWidth, anySubmenu ? 1 : 0);
  if (keyColumns > 0) keyColumns += 3;
  int content = 1 + markColumns + glyphColumns + std::max(titleWidth, 12) + keyColumns + 1;
  BoxLayout layout = layoutDropDown(static_cast<int>(rows.size()), content, right, top,
                                    canvas.width(), statusRow, first, cursor);
  canvas.fill(layout.box, kPlain);
  canvas.frame(layout.box, kPlain);
  int inner = layout.box.width - 2;
  if (layout.moreAbove) canvas.text(layout.box.x + inner / 2, layout.box.y, "▲", kBold);
  if (layout.moreBelow) {
    canvas.text(layout.box.x + inner / 2, layout.box.y + layout.box.height - 1, "▼", kBold);
  }
  for (int n = 0; n < layout.shownRows; ++n) {
    long index = layout.firstRow + n;
    const MenuRowView& row = rows[static_cast<size_t>(index)];
    int y = layout.box.y + 1 + n;
    int x = layout.box.x + 1;
    Region line{x, y, inner, 1};
    if (hitRows) hitRows->emplace_back(line, index);
    if (row.kind == MenuRowView::Kind::separator) {
      canvas.fill(line, kDim, "─");
      canvas.text(layout.box.x, y, "├", kPlain);
      canvas.text(layout.box.x + layout.box.width - 1, y, "┤", kPlain);
      continue;
    }
    bool current = index == cursor && selectable(row);
    Style base = current ? kHighlight
                         : (row.kind == MenuRowView::Kind::header ? kHeader
                            : row.enabled                         ? kPlain
                                                                  : kDim);
    canvas.fill(line, base);
    int column = x + 1;
    if (row.kind != MenuRowView::Kind::header) canvas.text(column, y, row.mark, base, 1);
    column += markColumns;
    if (!row.glyph.empty()) {
      Style icon = current || !row.enabled ? base : withInk(base, row.ink);
      canvas.text(column, y, row.glyph, icon, 2);
    }
    column += glyphColumns;
    int titleRoom = x + inner - 1 - column - keyColumns;
    canvas.text(column, y, fitToWidth(row.title, titleRoom), base, titleRoom);
    std::string key = row.submenu ? "▸" : row.key;
    if (!key.empty()) {
      int width = displayWidth(key);
      canvas.text(x + inner - 1 - width, y, key, current ? base : withInk(base, Ink::grey));
    }
  }
  return layout;
}

// The status menu under its item; an open submenu beside the row it hangs from, at its
// left, where the parent at the right edge leaves room.
void drawMenu(const ViewModel& model, const BarLayout& bar, int top, Canvas& canvas, HitMap& hits,
              int statusRow) {
  int right = bar.statusItem.column + bar.statusItem.width;
  bool sub = model.submenu.has_value();
  BoxLayout parent = drawMenuLevel(*model.menu, model.menuCursor, model.menuFirst, right, top,
                                   canvas, statusRow, sub ? nullptr : &hits.menuRows);
  hits.menuBox = parent.box;
  hits.menuFirst = parent.firstRow;
  if (!sub) return;
  hits.parentMenuBox = parent.box;
  int rowY = parent.box.y + 1 + static_cast<int>(model.submenuRow) - parent.firstRow;
  int subTop = std::clamp(rowY - 1, top, std::max(statusRow - 3, top));
  BoxLayout child = drawMenuLevel(*model.submenu, model.submenuCursor, 0, parent.box.x, subTop,
                                  canvas, statusRow, &hits.menuRows);
  hits.menuBox = child.box;
}

void drawPane(const PaneView& pane, const Stage& stage, Canvas& canvas, HitMap& hits) {
  Region box = stage.centred(60, 9, 9);
  hits.paneBox = box;
  canvas.fill(box, kPlain);
  canvas.frame(box, kBold, "Privacy & Security › Accessibility");
  int x = box.x + 2;
  int room = box.width - 4;
  // Lines that the box is too low for are left out rather than drawn over its frame.
  auto inside = [&](int line) { return line < box.height - 1; };
  if (inside(2)) {
    canvas.text(x, box.y + 2, "Allow the applications below to control your computer.", kPlain,
                room);
  }
  int toggleLine = inside(4) ? 4 : 1;
  Region toggle{x, box.y + toggleLine, std::min(room, 22), 1};
  hits.paneToggle = toggle;
  canvas.fill(toggle, kHighlight);
  canvas.text(x + 1, toggle.y, pane.granted ? "[✓] ⋯ Strandel" : "[ ] ⋯ Strandel", kHighlight,
              toggle.width - 1);
  if (inside(6)) canvas.text(x, box.y + 6, "space: allow or deny   esc: close", kDim, room);
}

void drawLoginItemsPane(const LoginItemsPaneView& pane, const Stage& stage, Canvas& canvas) {
  Region box = stage.centred(60, 9, 9);
  canvas.fill(box, kPlain);
  canvas.frame(box, kBold, "General › Login Items");
  int x = box.x + 2;
  int room = box.width - 4;
  auto inside = [&](int line) { return line < box.height - 1; };
  if (inside(2)) canvas.text(x, box.y + 2, "Open at Login", kPlain, room);
  canvas.text(x + 1, box.y + (inside(4) ? 4 : 1),
              pane.allowed ? "⋯ Strandel" : "⋯ Strandel   needs your approval", kPlain, room - 1);
  if (inside(6)) canvas.text(x, box.y + 6, "esc: close", kDim, room);
}

void drawList(const ListView& list, const Stage& stage, Canvas& canvas, HitMap& hits) {
  int inner = std::max(displayWidth(list.title) + 2, displayWidth(list.emptyText));
  for (const auto& entry : list.entries) inner = std::max(inner, displayWidth(entry) + 2);
  int rows = std::max(static_cast<int>(list.entries.size()), 1);
  // A long list scrolls in the stage rather than covering the Events pane's header.
  constexpr int kFewestRows = 3;
  Region area = stage.areaFor(std::min(rows, kFewestRows) + 2);
  BoxLayout layout = layoutDropDown(rows, inner + 2, canvas.width(), area.y, canvas.width(),
                                    area.y + area.height, 0, list.cursor);
  Region box = stage.centred(layout.box.width, layout.box.height, std::min(rows, kFewestRows) + 2);
  hits.listBox = box;
  canvas.fill(box, kPlain);
  canvas.frame(box, kBold, list.title);
  // At the right, clear of the title.
  if (layout.moreAbove) canvas.text(box.x + box.width - 3, box.y, "▲", kBold);
  if (layout.moreBelow) canvas.text(box.x + box.width - 3, box.y + box.height - 1, "▼", kBold);
  if (list.entries.empty()) {
    canvas.text(box.x + 2, box.y + 1, list.emptyText, kDim, box.width - 4);
    return;
  }
  for (int n = 0; n < layout.shownRows; ++n) {
    long index = layout.firstRow + n;
    Region line{box.x + 1, box.y + 1 + n, box.width - 2, 1};
    hits.listRows.emplace_back(line, index);
    Style style = index == list.cursor ? kHighlight : kPlain;
    canvas.fill(line, style);
    canvas.text(line.x + 1, line.y, list.entries[static_cast<size_t>(index)], style,
                line.width - 2);
  }
}

// Keeps the first `count` lines, the last one kept ending in "…" when some were left out.
void keepLines(std::vector<std::string>& lines, int count, int room) {
  size_t keep = static_cast<size_t>(std::max(count, 0));
  if (lines.size() <= keep) return;
  lines.resize(keep);
  if (keep > 0) lines.back() = fitToWidth(lines.back() + "…", room);
}

// The message's line feeds are line breaks, as the alert shows them; every other control
// character shows as its escape.
std::vector<std::string> wrapMessage(std::string_view text, int room) {
  std::vector<std::string> lines;
  for (size_t start = 0;;) {
    size_t end = text.find('\n', start);
    auto part = wrapText(text.substr(start, end - start), room);
    lines.insert(lines.end(), part.begin(), part.end());
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

void drawDialog(const DialogView& dialog, const Stage& stage, Canvas& canvas, HitMap& hits) {
  int width = std::min(64, canvas.width());
  int room = width - 4;
  auto title = wrapText(dialog.title, room);
  auto message = wrapMessage(dialog.message, room);
  int height = static_cast<int>(title.size() + message.size()) + 5;
  // A title, a line of the message and the buttons at least; the rest is cut where the box
  // cannot hold it, the whole text being in the Events.
  Region box = stage.centred(width, height, std::min(height, 7));
  int textRows = box.height - 5;
  keepLines(title, std::max(textRows, 1), room);
  keepLines(message, textRows - static_cast<int>(title.size()), room);
  hits.dialogBox = box;
  canvas.fill(box, kPlain);
  canvas.frame(box, dialog.critical ? withInk(kBold, Ink::red) : kBold,
               dialog.critical ? "⚠ " + dialog.caption : dialog.caption);
  int y = box.y + 1;
  for (const auto& line : title) canvas.text(box.x + 2, y++, line, kBold, room);
  ++y;
  for (const auto& line : message) canvas.text(box.x + 2, y++, line, kPlain, room);
  // Buttons from the right, the first one rightmost, as the platform lays them out.
  int bottom = box.y + box.height - 2;
  int x = box.x + box.width - 2;
  // Each carries the number that answers it.
  for (size_t i = 0; i < dialog.buttons.size(); ++i) {
    std::string label =
        "[ " + std::to_string(i + 1) + ": " + fitToWidth(dialog.buttons[i], room / 2) + " ]";
    int w = displayWidth(label);
    x -= w;
    if (x < box.x + 1) break;
    Style style = i == dialog.focus ? kHighlight : kPlain;
    canvas.text(x, bottom, label, style);
    hits.dialogButtons.emplace_back(Region{x, bottom, w, 1}, i);
    x -= 2;
  }
}

}  // namespace

std::vector<std::string> helpLines(const std::vector<KeyHint>& hints, int columns) {
  auto hint = [](const KeyHint& h, bool shorter) {
    const std::string& words = shorter && !h.shortWords.empty() ? h.shortWords : h.words;
    return " " + h.keys + (words.empty() ? "" : " " + words);
  };
  auto oneLine = [&](bool shorter) {
    std::string line;
    for (const auto& h : hints) line += (line.empty() ? "" : " ") + hint(h, shorter);
    return line;
  };
  for (bool shorter : {false, true}) {
    std::string line = oneLine(shorter);
    if (displayWidth(line) <= columns) return {line};
  }
  // Whole hints from line to line: long words when two lines hold them, else short ones.
  auto wrapped = [&](bool shorter) {
    std::vector<std::string> lines(1);
    for (const auto& h : hints) {
      std::string piece = hint(h, shorter);
      std::string& last = lines.back();
      if (!last.empty() && displayWidth(last) + 1 + displayWidth(piece) > columns) {
        lines.push_back(piece);
      } else {
        last += (last.empty() ? "" : " ") + piece;
      }
    }
    return lines;
  };
  auto lines = wrapped(false);
  if (lines.size() > 2) lines = wrapped(true);
  for (auto& line : lines) line = fitToWidth(line, columns);
  return lines;
}

HitMap render(const ViewModel& model, Canvas& canvas) {
  HitMap hits;
  hits.bars = layoutBars(model, canvas.width());
  if (canvas.width() <= 0 || canvas.height() <= 0) return hits;

  auto help = helpLines(model.help, canvas.width());
  // Two lines of hints at most, and only below the bar and the status line.
  help.resize(std::min(help.size(), static_cast<size_t>(std::clamp(canvas.height() - 2, 0, 2))));
  int bottom = static_cast<int>(help.size());
  drawBars(model, hits.bars, canvas);
  auto status = statusLines(model.status, canvas.width(), canvas.height() >= 10 ? 2 : 1);
  int statusRow = canvas.height() - bottom - static_cast<int>(status.size());
  std::optional<int> eventsTop = eventsPaneTop(canvas.height(), statusRow);
  if (eventsTop) drawEvents(model.log, canvas, *eventsTop, statusRow);
  for (size_t i = 0; i < status.size() && statusRow >= 1; ++i) {
    int y = statusRow + static_cast<int>(i);
    canvas.fill(Region{0, y, canvas.width(), 1}, kPlain);
    canvas.text(0, y, status[i], kBold);
  }
  for (int i = 0; i < bottom; ++i) {
    int y = canvas.height() - bottom + i;
    canvas.fill(Region{0, y, canvas.width(), 1}, kHelp);
    canvas.text(0, y, help[static_cast<size_t>(i)], kHelp);
  }
  // Nothing opened covers the Events pane's header or the status line where the terminal
  // has room for both.
  int stageTop = std::min(static_cast<int>(hits.bars.size()) + 1, std::max(statusRow, 0));
  int tallEnd = std::max(statusRow, stageTop);
  Stage stage{Region{0, stageTop, canvas.width(),
                     std::max(eventsTop.value_or(tallEnd), stageTop) - stageTop},
              Region{0, stageTop, canvas.width(), tallEnd - stageTop}};
  if (model.popup) drawPopup(*model.popup, hits.bars, stage, canvas);
  // The open menu is above the windows, as on the platform.
  if (model.pane) drawPane(*model.pane, stage, canvas, hits);
  if (model.loginItemsPane) drawLoginItemsPane(*model.loginItemsPane, stage, canvas);
  if (model.list) drawList(*model.list, stage, canvas, hits);
  if (model.menu) {
    drawMenu(model, hits.bars.front(), static_cast<int>(hits.bars.size()), canvas, hits,
             std::max(statusRow, 1));
  }
  if (model.dialog) drawDialog(*model.dialog, stage, canvas, hits);
  return hits;
}

}  // namespace strandel::sim::terminal
