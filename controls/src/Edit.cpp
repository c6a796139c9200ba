#include "controls/Edit.h"
#include "controls/Window.h"

namespace Controls {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t PreviousBoundary(const std::string& s, std::size_t i) {
  if (i == 0) return 0;
  --i;
  while (i > 0 && IsContinuation(s[i])) --i;
  return i;
}

std::size_t NextBoundary(const std::string& s, std::size_t i) {
  if (i >= s.size()) return s.size();
  ++i;
  while (i < s.size() && IsContinuation(s[i])) ++i;
  return i;
}

std::size_t CountChars(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += IsContinuation(c) ? 0 : 1;
  return n;
}

}  // namespace

Edit::Edit() { style_.halign = HAlign::Left; }

bool Edit::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "maxchar") {
    if (auto v = ParseInt(value); v && *v > 0) max_chars_ = static_cast<std::size_t>(*v);
  } else if (name == "readonly") {
    read_only_ = ParseBool(value);
  } else {
    return Label::SetAttribute(name, value);
  }
  return true;
}

void Edit::SetText(std::string text) {
  Label::SetText(std::move(text));
  caret_ = text_.size();
}

void Edit::DoEvent(Event& event) {
  if (!enabled_) return Label::DoEvent(event);
  switch (event.type) {
    case EventType::ButtonDown:
      caret_ = text_.size();
      Invalidate();
      break;
    case EventType::Char: {
      if (read_only_) break;
      std::string typed;
      for (char c : event.text) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) typed.push_back(c);  // one line only
      }
      if (typed.empty() || CountChars(text_) + CountChars(typed) > max_chars_) break;
      text_.insert(caret_, typed);
      caret_ += typed.size();
      Invalidate();
      Notify("textchanged");
      break;
    }
    case EventType::KeyDown: {
      const std::size_t before = caret_;
      if (event.key == KeyLeft) caret_ = PreviousBoundary(text_, caret_);
      if (event.key == KeyRight) caret_ = NextBoundary(text_, caret_);
      if (event.key == KeyHome) caret_ = 0;
      if (event.key == KeyEnd) caret_ = text_.size();
      if (!read_only_ && event.key == KeyBackspace && caret_ > 0) {
        caret_ = PreviousBoundary(text_, caret_);
        text_.erase(caret_, before - caret_);
        Notify("textchanged");
      }
      if (!read_only_ && event.key == KeyDelete && caret_ < text_.size()) {
        text_.erase(caret_, NextBoundary(text_, caret_) - caret_);
        Notify("textchanged");
      }
      if (event.key == KeyReturn) Notify("return");
      Invalidate();
      break;
    }
    default:
      Label::DoEvent(event);
  }
}

void Edit::PaintText(cairo_t* cr) {
  const Rect box = pos_.Deflate(text_padding_);
  TextStyle single = style_;
  single.multiline = false;
  scroll_ = 0;
  if (!focused_ || read_only_) {
    DrawText(cr, text_, Font(), CurrentTextColor(), box, single);
    return;
  }
  // While editing, the text scrolls so that the caret stays inside the box.
  const int caret_x = MeasureText(std::string_view(text_).substr(0, caret_), Font()).cx;
  const int scroll = scroll_ = std::max(0, caret_x - box.Width() + 2);
  single.halign = HAlign::Left;
  single.ellipsis = false;
  cairo_save(cr);
  cairo_rectangle(cr, box.left, box.top, box.Width(), box.Height());
  cairo_clip(cr);
  DrawText(cr, text_, Font(), CurrentTextColor(), Rect{box.left - scroll, box.top, box.right, box.bottom}, single);
  const int height = Font().size + 4;
  const int x = box.left + caret_x - scroll;
  const int top = box.top + (box.Height() - height) / 2;
  SetSourceColor(cr, CurrentTextColor() | 0xFF000000);
  cairo_rectangle(cr, x, top, 1, height);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace Controls
