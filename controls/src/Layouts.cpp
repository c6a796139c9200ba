#include "controls/Layouts.h"

#include <vector>

#include "controls/Window.h"

namespace Controls {
namespace {

// Lays children along one axis. `vertical` picks the axis; the other axis
// gets the full inner extent unless the child has a fixed size there.
void StackChildren(const Rect& inner, int gap, std::vector<std::unique_ptr<Control>>& children, bool vertical) {
  std::vector<Control*> items;
  for (auto& c : children) {
    if (c->IsVisible() && !c->IsFloat()) items.push_back(c.get());
  }
  if (items.empty()) return;
  const int extent = vertical ? inner.Height() : inner.Width();
  const Size available{inner.Width(), inner.Height()};
  int used = gap * static_cast<int>(items.size() - 1);
  int shares = 0;
  for (Control* c : items) {
    const Rect& m = c->GetPadding();
    const Size want = c->EstimateSize(available);
    const int along = vertical ? want.cy : want.cx;
    if (along > 0) {
      used += along;
    } else {
      ++shares;
    }
    used += vertical ? m.top + m.bottom : m.left + m.right;
  }
  const int free_space = std::max(extent - used, 0);
  const int share = shares ? free_space / shares : 0;
  int remainder = shares ? free_space - share * shares : 0;
  int cursor = vertical ? inner.top : inner.left;
  for (Control* c : items) {
    const Rect& m = c->GetPadding();
    const Size want = c->EstimateSize(available);
    int along = vertical ? want.cy : want.cx;
    if (along <= 0) {
      along = share;
      if (--shares == 0) along += remainder;  // the last share takes the rounding
    }
    Rect r;
    if (vertical) {
      cursor += m.top;
      const int width = want.cx > 0 ? want.cx : inner.Width() - m.left - m.right;
      r = {inner.left + m.left, cursor, inner.left + m.left + width, cursor + along};
      cursor += along + m.bottom + gap;
    } else {
      cursor += m.left;
      const int height = want.cy > 0 ? want.cy : inner.Height() - m.top - m.bottom;
      r = {cursor, inner.top + m.top, cursor + along, inner.top + m.top + height};
      cursor += along + m.right + gap;
    }
    c->SetPos(r);
  }
}

}  // namespace

void VerticalLayout::SetPos(const Rect& rect) {
  Control::SetPos(rect);
  StackChildren(rect.Deflate(inset_), child_padding_, children_, true);
  PlaceFloating(rect);
}

void HorizontalLayout::SetPos(const Rect& rect) {
  Control::SetPos(rect);
  StackChildren(rect.Deflate(inset_), child_padding_, children_, false);
  PlaceFloating(rect);
}

bool TabLayout::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "selectedid") {
    if (auto v = ParseInt(value)) current_ = *v;
    return true;
  }
  return Container::SetAttribute(name, value);
}

void TabLayout::DoInit() {
  if (current_ < 0 || current_ >= Count()) current_ = 0;
  for (int i = 0; i < Count(); ++i) GetItemAt(i)->SetVisible(i == current_);
}

void TabLayout::SetPos(const Rect& rect) {
  Control::SetPos(rect);
  const Rect inner = rect.Deflate(inset_);
  for (auto& child : children_) {
    if (!child->IsVisible()) continue;
    child->SetPos(inner.Deflate(child->GetPadding()));
  }
}

bool TabLayout::SelectItem(int index, bool notify) {
  if (index < 0 || index >= Count()) return false;
  if (index == current_) return true;
  const int previous = current_;
  current_ = index;
  for (int i = 0; i < Count(); ++i) GetItemAt(i)->SetVisible(i == current_);
  NeedParentUpdate();
  if (notify) Notify("tabselect", current_, previous);
  return true;
}

}  // namespace Controls
