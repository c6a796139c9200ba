#include "controls/Progress.h"

#include <algorithm>

#include "controls/Window.h"

namespace Controls {

bool Progress::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "foreimage") {
    fore_image_.Set(std::string(value));
  } else if (name == "min") {
    if (auto v = ParseInt(value)) min_ = *v;
  } else if (name == "max") {
    if (auto v = ParseInt(value)) max_ = *v;
  } else if (name == "value") {
    if (auto v = ParseInt(value)) SetValue(*v);
  } else {
    return Label::SetAttribute(name, value);
  }
  return true;
}

void Progress::SetValue(int value) {
  value = std::clamp(value, min_, std::max(min_, max_));
  if (value == value_) return;
  value_ = value;
  Invalidate();
}

void Progress::SetForeImage(std::string descriptor) {
  fore_image_.Set(std::move(descriptor));
  Invalidate();
}

Rect Progress::ForeRect() const {
  Rect r = pos_;
  if (max_ <= min_) {
    r.right = r.left;
    return r;
  }
  const long long share = static_cast<long long>(pos_.Width()) * (value_ - min_) / (max_ - min_);
  r.right = r.left + static_cast<int>(share);
  return r;
}

void Progress::PaintStatusImage(cairo_t* cr) {
  const Rect fore = ForeRect();
  if (fore.Empty()) return;
  // The fore image is laid out over the whole bar and cut at the value, so a
  // stretchable image keeps its ends at every value.
  cairo_save(cr);
  cairo_rectangle(cr, fore.left, fore.top, fore.Width(), fore.Height());
  cairo_clip(cr);
  DrawImage(cr, fore_image_);
  cairo_restore(cr);
}

}  // namespace Controls
