#include "adapters/sim/terminal/events_pane.h"

#include <algorithm>
#include <string_view>

#include "adapters/sim/terminal/text.h"

namespace strandel::sim::terminal {

namespace {

constexpr Style kPlain{};
constexpr Style kDim{Ink::standard, Ink::standard, false, true};

}  // namespace

std::optional<int> eventsPaneTop(int canvasHeight, int statusRow) {
  int rows = std::clamp((canvasHeight - 4) / 3, 0, 12);
  if (rows < 2) return std::nullopt;
  return statusRow - rows;
}

std::vector<std::string> entryLines(const std::string& entry, int room) {
  constexpr size_t kMostLines = 3;
  if (displayWidth(entry) <= room) return {entry};
  size_t bodyStart = std::min(entry.find_first_not_of(' '), entry.size());
  if (entry.compare(bodyStart, 1, "[") == 0) {
    size_t close = entry.find("] ", bodyStart);
    if (close != std::string::npos) bodyStart = close + 2;
  }
  if (displayWidth(std::string_view(entry).substr(0, bodyStart)) > room / 2) bodyStart = 0;
  std::string lead = entry.substr(0, bodyStart);
  int indent = displayWidth(lead);
  std::string_view body = std::string_view(entry).substr(bodyStart);
  int bodyRoom = room - indent;
  std::vector<std::string> wrapped = wrapText(body, bodyRoom);
  int step = std::max(bodyRoom / 4, 1);
  for (int budget = bodyRoom * static_cast<int>(kMostLines);
       wrapped.size() > kMostLines && budget > 0; budget -= step) {
    wrapped = wrapText(fitInMiddle(body, budget), bodyRoom);
  }
  wrapped.resize(std::min(wrapped.size(), kMostLines));
  std::vector<std::string> lines;
  for (size_t i = 0; i < wrapped.size(); ++i) {
    lines.push_back((i == 0 ? lead : std::string(static_cast<size_t>(indent), ' ')) + wrapped[i]);
  }
  return lines;
}

void drawEvents(const std::vector<std::string>& log, Canvas& canvas, int top, int statusRow) {
  canvas.fill(Region{0, top, canvas.width(), 1}, kDim, "─");
  canvas.text(2, top, " Events ", kDim);
  int room = canvas.width() - 2;
  int y = statusRow;
  for (size_t n = log.size(); n-- > 0 && y > top + 1;) {
    std::vector<std::string> lines = entryLines(log[n], room);
    for (size_t i = lines.size(); i-- > 0 && y > top + 1;) {
      canvas.text(1, --y, lines[i], kPlain, room);
    }
  }
}

std::vector<std::string> statusLines(const std::string& status, int columns, size_t mostLines) {
  constexpr std::string_view kWide = "  ·  ";
  if (displayWidth(status) <= columns || mostLines < 2) return {fitToWidth(status, columns)};
  std::vector<std::string> lines(1);
  for (size_t at = 0; at <= status.size();) {
    size_t gap = std::min(status.find(kWide, at), status.size());
    std::string part = status.substr(at, gap - at);
    std::string& last = lines.back();
    if (!last.empty() && displayWidth(last) + 3 + displayWidth(part) > columns) {
      lines.push_back(part);
    } else {
      last += (last.empty() ? "" : " · ") + part;
    }
    at = gap + kWide.size();
  }
  if (lines.size() > mostLines) lines.resize(mostLines);
  for (auto& line : lines) line = fitToWidth(line, columns);
  return lines;
}

}  // namespace strandel::sim::terminal
