#pragma once
// Text controls: label, button, check box, edit and progress bar.
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

class Button : public Label {
 public:
  Button();
  std::string_view GetClass() const override { return "Button"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  void DoEvent(Event& event) override;
  bool IsFocusable() const override { return true; }
  void SetEnabled(bool enabled) override;

  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }
  // Sends "click" as a mouse release inside the button would.
  virtual bool Activate();

 protected:
  void PaintBkColor(cairo_t* cr) override;
  void PaintStatusImage(cairo_t* cr) override;
  Color CurrentTextColor() const override;

  ImageRef normal_image_, hot_image_, pushed_image_, disabled_image_, focused_image_;
  Color hot_bk_color_ = 0, pushed_bk_color_ = 0;
  Color hot_text_color_ = 0, pushed_text_color_ = 0;
  bool hot_ = false;
  bool pressed_ = false;  // the mouse went down inside and is held
  bool pushed_ = false;   // pressed and currently inside
};

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

 protected:
  void PaintText(cairo_t* cr) override;

  std::size_t caret_ = 0;
  std::size_t max_chars_ = 255;
  bool read_only_ = false;
};

// Background image and a fore image that covers the bar's share up to the value.
class Progress : public Label {
 public:
  std::string_view GetClass() const override { return "Progress"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  int GetValue() const { return value_; }
  // Clamped into [min, max].
  void SetValue(int value);
  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  void SetForeImage(std::string descriptor);
  // The part of the bar the fore image covers at the current value.
  Rect ForeRect() const;

 protected:
  void PaintStatusImage(cairo_t* cr) override;

  ImageRef fore_image_;
  int min_ = 0, max_ = 100, value_ = 0;
};

}  // namespace Controls
