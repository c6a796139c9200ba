#include "controls/host/OffscreenHost.h"

#include <cstdio>

namespace Controls {

OffscreenHost::OffscreenHost(Size size) { Resize(size); }

OffscreenHost::~OffscreenHost() {
  if (surface_) cairo_surface_destroy(surface_);
}

void OffscreenHost::Resize(Size size) {
  size_ = size;
  if (surface_) cairo_surface_destroy(surface_);
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(size.cx, 1), std::max(size.cy, 1));
  dirty_ = Rect{0, 0, size.cx, size.cy};
}

void OffscreenHost::Invalidate(const Rect& area) {
  const Rect clipped = area.Intersect(Rect{0, 0, size_.cx, size_.cy});
  if (clipped.Empty()) return;
  if (dirty_.Empty()) {
    dirty_ = clipped;
  } else {
    dirty_ = Rect{std::min(dirty_.left, clipped.left), std::min(dirty_.top, clipped.top),
                  std::max(dirty_.right, clipped.right), std::max(dirty_.bottom, clipped.bottom)};
  }
}

int OffscreenHost::SetTimer(std::uint32_t interval_ms, std::function<void()> fire) {
  const int handle = next_timer_++;
  // A zero interval would fire forever at one instant; native timers round it up too.
  const std::uint32_t interval = std::max<std::uint32_t>(interval_ms, 1);
  timers_[handle] = Timer{interval, now_ + interval, std::move(fire)};
  return handle;
}

void OffscreenHost::KillTimer(int handle) { timers_.erase(handle); }

void OffscreenHost::Post(std::function<void()> work) {
  std::lock_guard guard(posted_lock_);
  posted_.push_back(std::move(work));
}

void OffscreenHost::ShowError(const std::string& text, const std::string& caption) {
  errors_.emplace_back(text, caption);
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

void OffscreenHost::PaintDirty() {
  if (!window_) return;
  window_->UpdateLayout();  // layout may invalidate more
  if (dirty_.Empty()) return;
  const Rect area = dirty_;
  dirty_ = Rect{};
  cairo_t* cr = cairo_create(surface_);
  cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
  cairo_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  window_->Paint(cr, area);
  cairo_destroy(cr);
  cairo_surface_flush(surface_);
  ++paints_;
}

void OffscreenHost::PaintAll() {
  Invalidate(Rect{0, 0, size_.cx, size_.cy});
  PaintDirty();
}

bool OffscreenHost::SavePng(const std::string& path) {
  PaintDirty();
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::uint32_t OffscreenHost::PixelAt(int x, int y) {
  PaintDirty();
  if (x < 0 || y < 0 || x >= size_.cx || y >= size_.cy) return 0;
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  return reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride)[x];
}

void OffscreenHost::MouseMove(Point p) {
  if (window_) window_->OnMouseMove(p);
}
void OffscreenHost::MouseDown(Point p) {
  if (window_) window_->OnButtonDown(p);
}
void OffscreenHost::MouseUp(Point p) {
  if (window_) window_->OnButtonUp(p);
}
void OffscreenHost::Click(Point p) {
  MouseMove(p);
  MouseDown(p);
  MouseUp(p);
}
void OffscreenHost::KeyDown(int key) {
  if (window_) window_->OnKeyDown(key);
}
void OffscreenHost::Type(const std::string& text) {
  if (window_) window_->OnChar(text);
}

void OffscreenHost::Advance(std::uint32_t ms) {
  const std::uint64_t end = now_ + ms;
  while (true) {
    // The earliest due timer; ties go to the older handle.
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.due <= end && (next == timers_.end() || it->second.due < next->second.due)) next = it;
    }
    if (next == timers_.end()) break;
    now_ = next->second.due;
    next->second.due += next->second.interval;
    auto fire = next->second.fire;  // the callback may kill or add timers
    fire();
  }
  now_ = end;
}

int OffscreenHost::RunPosted() {
  int ran = 0;
  while (true) {
    std::function<void()> work;
    {
      std::lock_guard guard(posted_lock_);
      if (posted_.empty()) break;
      work = std::move(posted_.front());
      posted_.pop_front();
    }
    work();
    ++ran;
  }
  return ran;
}

}  // namespace Controls
