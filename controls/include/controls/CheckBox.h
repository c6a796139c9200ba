#pragma once
// A button with a selected state.
#include "controls/Button.h"

namespace Controls {

// A button with a selected state; a click toggles it and sends "selectchanged".
class CheckBox : public Button {
 public:
  std::string_view GetClass() const override { return "CheckBox"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  bool Activate() override;
  bool IsSelected() const { return selected_; }
  // Sends "selectchanged" when the state changes and `notify` is set.
  void SetCheck(bool selected, bool notify = true);

 protected:
  void PaintStatusImage(cairo_t* cr) override;
  Color CurrentTextColor() const override;

  ImageRef selected_image_;
  Color selected_text_color_ = 0;
  bool selected_ = false;
};

}  // namespace Controls
