#include "controls/Label.h"

#include "controls/Window.h"

namespace Controls {
namespace {

// "left", "center", "right" in that order; a later match wins.
void ApplyAlign(std::string_view value, HAlign& align) {
  if (value.find("left") != std::string_view::npos) align = HAlign::Left;
  if (value.find("center") != std::string_view::npos) align = HAlign::Center;
  if (value.find("right") != std::string_view::npos) align = HAlign::Right;
}

// "top", "vcenter", "bottom"; a value with none of them (such as "center")
// keeps the current setting.
void ApplyVAlign(std::string_view value, VAlign& align) {
  if (value.find("top") != std::string_view::npos) align = VAlign::Top;
  if (value.find("vcenter") != std::string_view::npos) align = VAlign::Center;
  if (value.find("bottom") != std::string_view::npos) align = VAlign::Bottom;
}

constexpr Color kDefaultTextColor = 0xFF000000;
constexpr Color kDefaultDisabledTextColor = 0xFFA7A6AA;

}  // namespace

Label::Label() { style_.halign = HAlign::Left; }

bool Label::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "font") {
    if (auto v = ParseInt(value)) font_ = *v;
  } else if (name == "textcolor") {
    if (auto c = ParseColor(value)) text_color_ = *c;
  } else if (name == "disabledtextcolor") {
    if (auto c = ParseColor(value)) disabled_text_color_ = *c;
  } else if (name == "align") {
    ApplyAlign(value, style_.halign);
  } else if (name == "valign") {
    ApplyVAlign(value, style_.valign);
  } else if (name == "textpadding") {
    if (auto r = ParseRect(value)) text_padding_ = *r;
  } else if (name == "multiline") {
    style_.multiline = ParseBool(value);
  } else {
    return Control::SetAttribute(name, value);
  }
  return true;
}

void Label::SetTextColor(Color color) {
  text_color_ = color;
  Invalidate();
}

const FontSpec& Label::Font() const {
  static const FontSpec kFallback;
  return window_ ? window_->GetFont(font_) : kFallback;
}

Color Label::CurrentTextColor() const {
  if (!enabled_) return disabled_text_color_ ? disabled_text_color_ : kDefaultDisabledTextColor;
  return text_color_ ? text_color_ : kDefaultTextColor;
}

void Label::PaintText(cairo_t* cr) {
  if (text_.empty()) return;
  DrawText(cr, text_, Font(), CurrentTextColor(), pos_.Deflate(text_padding_), style_);
}

}  // namespace Controls
