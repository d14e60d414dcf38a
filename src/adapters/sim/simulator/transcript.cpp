#include "adapters/sim/simulator/transcript.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/ui/sim_menu.h"
#include "adapters/sim/ui/sim_search_field.h"
#include "text/display_escape.h"

namespace strandel::sim {

namespace {

constexpr const char* kIndent = "           ";  // under the text after the stamp

}  // namespace

std::string formatNumber(double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (result.ec != std::errc{}) return "?";
  return std::string(buffer, result.ptr);
}

Transcript::Transcript(std::function<void(const std::string&)> sink) : sink_(std::move(sink)) {}

std::string Transcript::stamp(double seconds) {
  // Milliseconds as integers: the text never depends on the locale's decimal mark.
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  auto millis = static_cast<long long>(std::llround(seconds * 1000));
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "[%4lld.%03lld]", millis / 1000, millis % 1000);
  return buffer;
}

void Transcript::line(const std::string& text) {
  block(text, {});
}

void Transcript::block(const std::string& first, const std::vector<std::string>& more) {
  // Every line may hold text from input: escaped here, so that no caller can forget it.
  std::string out = stamp(clock_ ? clock_() : 0) + " " + displayEscape(first) + "\n";
  for (const auto& next : more) out += kIndent + displayEscape(next) + "\n";
  write(out);
}

void Transcript::write(const std::string& text) {
  std::string clean = scrub_ ? scrub_(text) : text;
  text_ += clean;
  if (sink_) sink_(clean);
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  // The same escapes as unquoted text; they add only printable ASCII, so a line holding
  // quoted text comes out of the transcript's own escaping unchanged.
  return displayEscape(out) + "\"";
}

std::string describeImage(const ImageRef& image) {
  if (!image) return "no image";
  std::string out;
  if (auto* sim = dynamic_cast<const SimImage*>(image.get())) {
    out = sim->glyph() + " " + sim->colour();
  } else {
    out = "image";
  }
  Size size = image->size();
  out += " " + formatNumber(size.width) + "x" + formatNumber(size.height);
  if (image->isTemplate()) out += " template";
  return out;
}

std::string describeRow(long number, const MenuItem& item) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%2ld. ", number);
  if (item.isSeparator()) return std::string(prefix) + "-----";
  if (SearchFieldRef field = item.view()) {
    std::string out = std::string(prefix) + "search " + quoted(field->stringValue()) +
                      "  placeholder " + quoted(field->placeholderString()) + "  label " +
                      quoted(field->accessibilityLabel());
    if (field->isFirstResponder()) out += "  focused";
    auto* sim = dynamic_cast<const SimSearchField*>(field.get());
    if (sim && sim->showsCaret()) out += "  caret";
    return out;
  }

  std::string kind;
  auto attributed = item.attributedTitle();
  if (item.submenu()) {
    kind = "submenu";
  } else if (attributed && !item.action()) {
    kind = "header";
  } else if (item.action()) {
    kind = "action";
  } else {
    kind = "text";
  }
  // What the row shows; type-select reads the plain title.
  std::string out =
      std::string(prefix) + kind + " " + quoted(attributed ? attributed->text : item.title());

  auto* sim = dynamic_cast<const SimMenuItem*>(&item);
  bool usable = sim ? sim->isEffectivelyEnabled() : item.isEnabled();
  if (!usable) out += "  disabled";
  if (item.state() == ControlState::on) out += "  [on]";
  if (item.state() == ControlState::mixed) out += "  [mixed]";
  if (item.image()) out += "  (" + describeImage(item.image()) + ")";
  if (!item.keyEquivalent().empty()) out += "  key Cmd-" + item.keyEquivalent();
  if (item.isAlternate()) out += "  alternate (Option)";
  if (attributed && attributed->font != Font::menu()) {
    out += "  " + formatNumber(attributed->font.pointSize) + "pt";
    if (attributed->font.weight == FontWeight::semibold) out += " semibold";
    if (attributed->foregroundColor == Color::secondaryLabel) out += " secondary";
  }
  if (item.action() && !item.target()) out += "  no target";
  return out;
}

std::vector<std::string> describeMenu(const Menu& menu) {
  std::vector<std::string> rows;
  long number = 0;
  for (const MenuItemRef& item : shownRows(menu)) rows.push_back(describeRow(++number, *item));
  return rows;
}

std::vector<std::string> describeAlert(const AlertRecord& alert) {
  std::vector<std::string> lines;
  lines.push_back("message: " + quoted(alert.messageText));
  // The alert shows each line feed of its informative text as a line break: each line is
  // quoted on a line of its own, so that the text cannot pass for events, and the rest of
  // the text is escaped as everywhere.
  std::string_view text = alert.informativeText;
  std::string label = "informative: ";
  for (size_t start = 0;;) {
    size_t end = text.find('\n', start);
    lines.push_back(label + quoted(std::string(text.substr(start, end - start))));
    if (end == std::string_view::npos) break;
    start = end + 1;
    label.assign(label.size(), ' ');
  }
  std::string buttons = "buttons:";
  for (size_t i = 0; i < alert.buttons.size(); ++i) {
    buttons += " " + std::to_string(i + 1) + "=" + quoted(alert.buttons[i]);
  }
  lines.push_back(buttons);
  return lines;
}

}  // namespace strandel::sim
