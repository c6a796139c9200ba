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
  // Sizes are bounded, but many children can still add up past an int.
  const long long extent = vertical ? inner.Height() : inner.Width();
  const Size available{inner.Width(), inner.Height()};
  long long used = static_cast<long long>(gap) * static_cast<long long>(items.size() - 1);
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
  const int free_space = static_cast<int>(std::max(extent - used, 0LL));
  const int share = shares ? free_space / shares : 0;
  int remainder = shares ? free_space - share * shares : 0;
  long long cursor = vertical ? inner.top : inner.left;
  constexpr long long kFar = 1LL << 30;  // far beyond any window: such children are simply not seen
  for (Control* c : items) {
    const Rect& m = c->GetPadding();
    const Size want = c->EstimateSize(available);
    int along = vertical ? want.cy : want.cx;
    if (along <= 0) {
      along = share;
      if (--shares == 0) along += remainder;  // the last share takes the rounding
    }
    Rect r;
    const int start = static_cast<int>(std::min(cursor + (vertical ? m.top : m.left), kFar));
    const int end = static_cast<int>(std::min<long long>(start + static_cast<long long>(along), kFar));
    if (vertical) {
      const int width = want.cx > 0 ? want.cx : inner.Width() - m.left - m.right;
      r = {inner.left + m.left, start, inner.left + m.left + width, end};
      cursor += static_cast<long long>(m.top) + along + m.bottom + gap;
    } else {
      const int height = want.cy > 0 ? want.cy : inner.Height() - m.top - m.bottom;
      r = {start, inner.top + m.top, end, inner.top + m.top + height};
      cursor += static_cast<long long>(m.left) + along + m.right + gap;
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
