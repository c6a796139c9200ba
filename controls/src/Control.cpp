#include "controls/Control.h"

#include <cmath>

#include "controls/Window.h"

namespace Controls {

Control::~Control() {
  if (window_) window_->ReapControl(this);
}

bool Control::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "name") {
    name_ = std::string(value);
  } else if (name == "text") {
    SetText(std::string(value));
  } else if (name == "userdata") {
    user_data_ = std::string(value);
  } else if (name == "width") {
    if (auto v = ParseCoordinate(value)) SetFixedWidth(*v);
  } else if (name == "height") {
    if (auto v = ParseCoordinate(value)) SetFixedHeight(*v);
  } else if (name == "pos") {
    if (auto r = ParseRect(value)) {
      float_pos_ = *r;
      SetFixedWidth(r->Width());
      SetFixedHeight(r->Height());
    }
  } else if (name == "float") {
    float_ = ParseBool(value);
  } else if (name == "padding") {
    if (auto r = ParseRect(value)) padding_ = *r;
  } else if (name == "visible") {
    SetVisible(ParseBool(value));
  } else if (name == "enabled") {
    SetEnabled(ParseBool(value));
  } else if (name == "bkcolor") {
    if (auto c = ParseColor(value)) bk_color_ = *c;
  } else if (name == "bkimage") {
    bk_image_.Set(std::string(value));
  } else if (name == "bordercolor") {
    if (auto c = ParseColor(value)) border_color_ = *c;
  } else if (name == "bordersize") {
    if (auto v = ParseCoordinate(value)) border_size_ = std::max(*v, 0);
  } else if (name == "borderround") {
    if (auto s = ParseSize(value)) border_round_ = *s;
  } else {
    return false;
  }
  return true;
}

void Control::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Invalidate();
}

void Control::SetFixedWidth(int cx) {
  if (cx < 0 || cx > kMaxCoordinate || cx == fixed_.cx) return;
  fixed_.cx = cx;
  NeedParentUpdate();
}

void Control::SetFixedHeight(int cy) {
  if (cy < 0 || cy > kMaxCoordinate || cy == fixed_.cy) return;
  fixed_.cy = cy;
  NeedParentUpdate();
}

void Control::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (!visible_ && window_) {
    if (focused_) window_->SetFocus(nullptr);
  }
  NeedParentUpdate();
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Invalidate();
}

void Control::SetFocus() {
  if (window_) window_->SetFocus(this);
}

void Control::SetBkColor(Color color) {
  bk_color_ = color;
  Invalidate();
}

void Control::SetBkImage(std::string descriptor) {
  bk_image_.Set(std::move(descriptor));
  Invalidate();
}

void Control::Invalidate() {
  if (window_ && visible_) window_->Invalidate(pos_);
}

void Control::NeedParentUpdate() {
  if (!window_) return;
  window_->NeedUpdate();
  // The area the control left or takes belongs to its parent.
  window_->Invalidate(parent_ ? parent_->GetPos() : pos_);
}

void Control::SetPos(const Rect& rect) {
  if (rect == pos_) return;
  if (window_) window_->Invalidate(pos_);
  pos_ = rect;
  Invalidate();
}

Control* Control::FindControlAt(Point p) { return visible_ && pos_.Contains(p) ? this : nullptr; }

void Control::DoEvent(Event& event) {
  if (event.type == EventType::Timer) {
    Notify("timer", event.timer_id);
  } else if (event.type == EventType::SetFocus) {
    focused_ = true;
    Invalidate();
  } else if (event.type == EventType::KillFocus) {
    focused_ = false;
    Invalidate();
  }
}

void Control::DoPaint(cairo_t* cr, const Rect& dirty) {
  if (pos_.Intersect(dirty).Empty()) return;
  cairo_save(cr);
  cairo_rectangle(cr, pos_.left, pos_.top, pos_.Width(), pos_.Height());
  cairo_clip(cr);
  PaintBkColor(cr);
  PaintBkImage(cr);
  PaintStatusImage(cr);
  PaintText(cr);
  PaintBorder(cr);
  cairo_restore(cr);
}

namespace {

// A rectangle with corner ellipses of `round` (w, h) pixels, as a path.
void RoundedPath(cairo_t* cr, double x, double y, double w, double h, Size round) {
  const double rx = std::min(round.cx / 2.0, w / 2), ry = std::min(round.cy / 2.0, h / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  const double corners[4][3] = {{x + w - rx, y + ry, -M_PI / 2}, {x + w - rx, y + h - ry, 0},
                                {x + rx, y + h - ry, M_PI / 2}, {x + rx, y + ry, M_PI}};
  for (const auto& c : corners) {
    cairo_save(cr);
    cairo_translate(cr, c[0], c[1]);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, c[2], c[2] + M_PI / 2);
    cairo_restore(cr);
  }
  cairo_close_path(cr);
}

}  // namespace

void Control::FillRect(cairo_t* cr, const Rect& r, Color color) const {
  if (color == 0) return;  // 0 means no colour at all
  SetSourceColor(cr, color);
  RoundedPath(cr, r.left, r.top, r.Width(), r.Height(), border_round_);
  cairo_fill(cr);
}

void Control::PaintBkColor(cairo_t* cr) { FillRect(cr, pos_, bk_color_); }

void Control::PaintBkImage(cairo_t* cr) { DrawImage(cr, bk_image_); }

void Control::PaintBorder(cairo_t* cr) {
  if (border_size_ <= 0 || border_color_ == 0) return;
  SetSourceColor(cr, border_color_);
  const double half = border_size_ / 2.0;
  RoundedPath(cr, pos_.left + half, pos_.top + half, pos_.Width() - border_size_, pos_.Height() - border_size_,
              border_round_);
  cairo_set_line_width(cr, border_size_);
  cairo_stroke(cr);
}

bool Control::DrawImage(cairo_t* cr, ImageRef& image) {
  if (!window_ || image.Empty()) return false;
  return image.Draw(cr, window_->Images(), pos_);
}

void Control::Notify(const std::string& type, std::intptr_t wParam, std::intptr_t lParam) {
  if (window_) window_->SendNotify(this, type, wParam, lParam);
}

}  // namespace Controls
