#include "adapters/sim/ui/sim_search_field.h"

#include "adapters/sim/ui/sim_menu.h"

namespace strandel::sim {

void SimSearchField::setStringValue(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  redraw();  // set by the program: no controlTextDidChange, as on a Mac
}

bool SimSearchField::makeFirstResponder() {
  // Without a tracking menu the field has no window to be first responder of.
  auto menu = row_ ? row_->menu() : nullptr;
  if (!menu || !menu->isTracking() || row_->isHidden()) return false;
  if (!focused_) {
    focused_ = true;
    redraw();
  }
  return true;
}

bool SimSearchField::insertText(const std::string& text) {
  if (!focused_) return false;
  text_ += text;
  edited();
  return true;
}

bool SimSearchField::deleteBackward() {
  if (!focused_) return false;
  if (text_.empty()) return true;
  // Back to the start of the last character, not the last byte.
  size_t end = text_.size() - 1;
  while (end > 0 && (static_cast<unsigned char>(text_[end]) & 0xC0) == 0x80) --end;
  text_.erase(end);
  edited();
  return true;
}

bool SimSearchField::doCommand(const std::string& selector) {
  auto delegate = delegate_.lock();
  return focused_ && delegate && delegate->doCommandBySelector(*this, selector);
}

void SimSearchField::detach() {
  resignFirstResponder();
  row_ = nullptr;
}

void SimSearchField::resignFirstResponder() {
  if (!focused_) return;
  focused_ = false;
  redraw();
}

void SimSearchField::edited() {
  redraw();
  if (auto delegate = delegate_.lock()) delegate->controlTextDidChange(*this);
}

void SimSearchField::redraw() const {
  if (auto menu = row_ ? row_->menu() : nullptr) menu->noteChanged();
}

}  // namespace strandel::sim
