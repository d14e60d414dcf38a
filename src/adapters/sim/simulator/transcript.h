#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "adapters/sim/ui/sim_alerts.h"
#include "ports/image.h"
#include "ports/menu.h"

namespace strandel::sim {

// The record of a run: one line per thing that happened, stamped with the seconds since
// start ("[  3.120] press ..."); continuation lines are indented under the text. Everything
// written must be deterministic: no wall clock, no real pids, ports or temporary paths.
// Lines are display-escaped as they are written: a control character from input never
// reaches the output raw.
class Transcript {
 public:
  // `sink` receives each finished line with its line feed (may be empty).
  explicit Transcript(std::function<void(const std::string&)> sink = {});

  // Seconds since start, read for every stamp.
  void setClock(std::function<double()> secondsSinceStart) {
    clock_ = std::move(secondsSinceStart);
  }
  // Applied to all text before it is written (hides the loopback server's port).
  void setScrubber(std::function<std::string(const std::string&)> scrub) {
    scrub_ = std::move(scrub);
  }

  void line(const std::string& text);
  // A stamped first line and indented continuation lines.
  void block(const std::string& first, const std::vector<std::string>& more);

  const std::string& text() const { return text_; }
  static std::string stamp(double seconds);

 private:
  void write(const std::string& text);

  std::function<void(const std::string&)> sink_;
  std::function<double()> clock_;
  std::function<std::string(const std::string&)> scrub_;
  std::string text_;
};

// Descriptions shared by the transcript and the interactive view.
std::string describeImage(const ImageRef& image);
// One row: number, kind, title and whatever differs from a plain enabled row.
std::string describeRow(long number, const MenuItem& item);
std::vector<std::string> describeMenu(const Menu& menu);
std::vector<std::string> describeAlert(const AlertRecord& alert);
// The shortest text that reads back as `value`, whatever the locale ("30", "0.05").
std::string formatNumber(double value);
// A text in double quotes, with quotes and backslashes escaped, and controls and malformed
// bytes written as display escapes ("\x1B", "\u202E").
std::string quoted(const std::string& text);

}  // namespace strandel::sim
