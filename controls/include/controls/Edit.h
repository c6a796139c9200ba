#pragma once
// A single-line text edit.
#include "controls/Label.h"

namespace Controls {

// A single-line edit: typing inserts at the caret, Backspace/Delete remove,
// Left/Right/Home/End move the caret. The caret is a byte offset on a
// character boundary.
class Edit : public Label {
 public:
  Edit();
  std::string_view GetClass() const override { return "Edit"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  void DoEvent(Event& event) override;
  bool IsFocusable() const override { return true; }
  void SetText(std::string text) override;
  std::size_t GetCaret() const { return caret_; }
  // How far the text is scrolled left to keep the caret in view (as last painted).
  int GetScroll() const { return scroll_; }

 protected:
  void PaintText(cairo_t* cr) override;

  std::size_t caret_ = 0;
  int scroll_ = 0;
  std::size_t max_chars_ = 255;
  bool read_only_ = false;
};

}  // namespace Controls
