#pragma once
// A text label: font, colours, alignment, padding, wrapping.
#include "controls/Control.h"
#include "controls/Text.h"

namespace Controls {

class Label : public Control {
 public:
  Label();
  std::string_view GetClass() const override { return "Label"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;

  int GetFont() const { return font_; }
  const TextStyle& GetTextStyle() const { return style_; }
  Color GetTextColor() const { return text_color_; }
  void SetTextColor(Color color);
  const Rect& GetTextPadding() const { return text_padding_; }

 protected:
  void PaintText(cairo_t* cr) override;
  // The colour for the current state; labels only know normal and disabled.
  virtual Color CurrentTextColor() const;
  const FontSpec& Font() const;

  int font_ = -1;  // -1 = the window's default font
  TextStyle style_;
  Color text_color_ = 0;
  Color disabled_text_color_ = 0;
  Rect text_padding_;
};

}  // namespace Controls
