#pragma once
// A progress bar.
#include "controls/Label.h"

namespace Controls {

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
