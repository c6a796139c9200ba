#include "controls/CheckBox.h"

#include "controls/Window.h"

namespace Controls {

bool CheckBox::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "selected") {
    SetCheck(ParseBool(value), false);
  } else if (name == "selectedimage") {
    selected_image_.Set(std::string(value));
  } else if (name == "selectedtextcolor") {
    if (auto c = ParseColor(value)) selected_text_color_ = *c;
  } else {
    return Button::SetAttribute(name, value);
  }
  return true;
}

bool CheckBox::Activate() {
  if (!Button::Activate()) return false;
  SetCheck(!selected_);
  return true;
}

void CheckBox::SetCheck(bool selected, bool notify) {
  if (selected == selected_) return;
  selected_ = selected;
  Invalidate();
  if (notify) Notify("selectchanged");
}

void CheckBox::PaintStatusImage(cairo_t* cr) {
  if (selected_ && DrawImage(cr, selected_image_)) return;
  Button::PaintStatusImage(cr);
}

Color CheckBox::CurrentTextColor() const {
  if (enabled_ && selected_ && selected_text_color_) return selected_text_color_;
  return Button::CurrentTextColor();
}

}  // namespace Controls
