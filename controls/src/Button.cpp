#include "controls/Button.h"
#include "controls/Window.h"

namespace Controls {

Button::Button() { style_.halign = HAlign::Center; }

bool Button::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "normalimage") {
    normal_image_.Set(std::string(value));
  } else if (name == "hotimage") {
    hot_image_.Set(std::string(value));
  } else if (name == "pushedimage") {
    pushed_image_.Set(std::string(value));
  } else if (name == "disabledimage") {
    disabled_image_.Set(std::string(value));
  } else if (name == "focusedimage") {
    focused_image_.Set(std::string(value));
  } else if (name == "hotbkcolor") {
    if (auto c = ParseColor(value)) hot_bk_color_ = *c;
  } else if (name == "pushedbkcolor") {
    if (auto c = ParseColor(value)) pushed_bk_color_ = *c;
  } else if (name == "hottextcolor") {
    if (auto c = ParseColor(value)) hot_text_color_ = *c;
  } else if (name == "pushedtextcolor") {
    if (auto c = ParseColor(value)) pushed_text_color_ = *c;
  } else {
    return Label::SetAttribute(name, value);
  }
  return true;
}

void Button::SetEnabled(bool enabled) {
  if (!enabled) hot_ = pressed_ = pushed_ = false;
  Label::SetEnabled(enabled);
}

void Button::DoEvent(Event& event) {
  if (!enabled_ && event.type != EventType::Timer) return Label::DoEvent(event);
  switch (event.type) {
    case EventType::MouseEnter:
      hot_ = true;
      Invalidate();
      break;
    case EventType::MouseLeave:
      hot_ = false;
      Invalidate();
      break;
    case EventType::ButtonDown:
      pressed_ = pushed_ = true;
      Invalidate();
      break;
    case EventType::MouseMove:
      if (pressed_) {
        const bool inside = pos_.Contains(event.mouse);
        if (inside != pushed_) {
          pushed_ = inside;
          Invalidate();
        }
      }
      break;
    case EventType::ButtonUp:
      if (pressed_) {
        pressed_ = pushed_ = false;
        Invalidate();
        // Only a release over the button counts as a click.
        if (pos_.Contains(event.mouse)) Activate();
      }
      break;
    case EventType::KeyDown:
      if (event.key == KeyReturn || event.key == ' ') Activate();
      break;
    default:
      Label::DoEvent(event);
  }
}

bool Button::Activate() {
  if (!enabled_ || !visible_) return false;
  Notify("click");
  return true;
}

void Button::PaintBkColor(cairo_t* cr) {
  Color color = bk_color_;
  if (enabled_ && pushed_ && pushed_bk_color_) {
    color = pushed_bk_color_;
  } else if (enabled_ && hot_ && hot_bk_color_) {
    color = hot_bk_color_;
  }
  FillRect(cr, pos_, color);
}

void Button::PaintStatusImage(cairo_t* cr) {
  // A state image that is missing falls back to the normal one.
  if (!enabled_ && DrawImage(cr, disabled_image_)) return;
  if (enabled_ && pushed_ && DrawImage(cr, pushed_image_)) return;
  if (enabled_ && hot_ && DrawImage(cr, hot_image_)) return;
  if (enabled_ && focused_ && DrawImage(cr, focused_image_)) return;
  DrawImage(cr, normal_image_);
}

Color Button::CurrentTextColor() const {
  if (enabled_ && pushed_ && pushed_text_color_) return pushed_text_color_;
  if (enabled_ && hot_ && hot_text_color_) return hot_text_color_;
  return Label::CurrentTextColor();
}

}  // namespace Controls
