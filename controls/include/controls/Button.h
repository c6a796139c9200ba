#pragma once
// A label that can be pressed: state images and colours, "click" on release inside.
#include "controls/Label.h"

namespace Controls {

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

}  // namespace Controls
