#pragma once

#include <memory>
#include <string>

#include "ports/menu.h"

namespace strandel::sim {

class SimMenuItem;

// A search field in a menu row, held to a Mac's rules: it takes the keyboard focus only
// while its menu tracks, loses it when the menu closes or its row leaves the menu, and
// shows a caret only when its window is key, which an inactive app's menu window never is,
// unless its field editor draws the caret itself.
class SimSearchField final : public SearchField {
 public:
  std::string stringValue() const override { return text_; }
  void setStringValue(const std::string& text) override;
  std::string placeholderString() const override { return placeholder_; }
  void setPlaceholderString(const std::string& text) override { placeholder_ = text; }
  std::string accessibilityLabel() const override { return label_; }
  void setAccessibilityLabel(const std::string& text) override { label_ = text; }
  void setDelegate(std::weak_ptr<SearchFieldDelegate> delegate) override {
    delegate_ = std::move(delegate);
  }
  bool makeFirstResponder() override;
  bool isFirstResponder() const override { return focused_; }
  void setDrawsInsertionPointWhenInactive(bool draws) override { drawsCaret_ = draws; }

  bool showsCaret() const { return focused_ && drawsCaret_; }

  // The user's side, while the field has the focus: typed text goes in at the end, Delete
  // takes the last character out; each edit tells the delegate. False without the focus.
  bool insertText(const std::string& text);
  bool deleteBackward();
  // A key's command ("insertNewline:", "cancelOperation:"): true when the delegate took it.
  bool doCommand(const std::string& selector);

  // Kept by the row that shows the field.
  void attach(SimMenuItem* row) { row_ = row; }
  void detach();
  void resignFirstResponder();

 private:
  void edited();
  void redraw() const;

  std::string text_;
  std::string placeholder_;
  std::string label_;
  std::weak_ptr<SearchFieldDelegate> delegate_;
  SimMenuItem* row_ = nullptr;
  bool focused_ = false;
  bool drawsCaret_ = false;
};

}  // namespace strandel::sim
