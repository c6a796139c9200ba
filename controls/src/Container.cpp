#include "controls/Control.h"
#include "controls/Window.h"

namespace Controls {

bool Container::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "inset") {
    if (auto r = ParseRect(value)) inset_ = *r;
  } else if (name == "childpadding") {
    if (auto v = ParseCoordinate(value)) child_padding_ = *v;
  } else {
    return Control::SetAttribute(name, value);
  }
  return true;
}

Control* Container::Add(std::unique_ptr<Control> child) {
  child->SetParent(this);
  children_.push_back(std::move(child));
  Control* added = children_.back().get();
  if (window_) window_->Adopt(added);  // the markup builder adds before any window is set
  NeedParentUpdate();
  return added;
}

Control* Container::GetItemAt(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return children_[static_cast<std::size_t>(index)].get();
}

int Container::GetItemIndex(const Control* child) const {
  for (int i = 0; i < Count(); ++i) {
    if (children_[static_cast<std::size_t>(i)].get() == child) return i;
  }
  return -1;
}

void Container::DoPaint(cairo_t* cr, const Rect& dirty) {
  const Rect area = pos_.Intersect(dirty);
  if (area.Empty()) return;
  Control::DoPaint(cr, dirty);
  cairo_save(cr);
  cairo_rectangle(cr, pos_.left, pos_.top, pos_.Width(), pos_.Height());
  cairo_clip(cr);
  for (auto& child : children_) {
    if (child->IsVisible()) child->DoPaint(cr, area);
  }
  cairo_restore(cr);
}

void Container::SetPos(const Rect& rect) {
  Control::SetPos(rect);
  // A bare container overlays its children on the inner area.
  const Rect inner = rect.Deflate(inset_);
  for (auto& child : children_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const Rect& m = child->GetPadding();
    Rect r = inner.Deflate(m);
    if (child->GetFixedWidth() > 0) r.right = r.left + child->GetFixedWidth();
    if (child->GetFixedHeight() > 0) r.bottom = r.top + child->GetFixedHeight();
    child->SetPos(r);
  }
  PlaceFloating(rect);
}

void Container::PlaceFloating(const Rect& rect) {
  for (auto& child : children_) {
    if (!child->IsVisible() || !child->IsFloat()) continue;
    child->SetPos(child->GetFloatPos().Offset(rect.left, rect.top));
  }
}

Control* Container::FindControlAt(Point p) {
  if (!visible_ || !pos_.Contains(p)) return nullptr;
  // The last painted child lies on top.
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    if (Control* hit = (*it)->FindControlAt(p)) return hit;
  }
  return this;
}

}  // namespace Controls
