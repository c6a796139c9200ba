#pragma once
// A host without a screen, for tests and benchmarks: the window paints into
// an image surface, input is injected, timers follow a virtual clock and
// posted work runs when the test asks for it.
#include <cairo.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "controls/Host.h"
#include "controls/Window.h"

namespace Controls {

class OffscreenHost : public Host {
 public:
  explicit OffscreenHost(Size size = {600, 400});
  ~OffscreenHost() override;

  void Attach(Window* window) { window_ = window; }
  void Resize(Size size);

  // Host
  Size ClientSize() const override { return size_; }
  void Invalidate(const Rect& area) override;
  int SetTimer(std::uint32_t interval_ms, std::function<void()> fire) override;
  void KillTimer(int handle) override;
  void Post(std::function<void()> work) override;
  void SetCapture(bool captured) override { captured_ = captured; }
  void SetCursor(Cursor cursor) override { cursor_ = cursor; }
  void ShowError(const std::string& text, const std::string& caption) override;
  std::uint64_t Now() const override { return now_; }

  // Painting: the invalid area (or everything) into the surface.
  void PaintDirty();
  void PaintAll();
  bool SavePng(const std::string& path);
  // The premultiplied ARGB value of a pixel after painting.
  std::uint32_t PixelAt(int x, int y);
  cairo_surface_t* Surface() const { return surface_; }
  const Rect& DirtyArea() const { return dirty_; }
  int PaintCount() const { return paints_; }

  // Input, in window coordinates.
  void MouseMove(Point p);
  void MouseDown(Point p);
  void MouseUp(Point p);
  void Click(Point p);
  void KeyDown(int key);
  void Type(const std::string& text);

  // Virtual time: fires every timer that falls due, in time order.
  void Advance(std::uint32_t ms);
  // Runs posted work until none is left (work may post more); returns how many ran.
  int RunPosted();
  int ActiveTimers() const { return static_cast<int>(timers_.size()); }

  bool Captured() const { return captured_; }
  Cursor CurrentCursor() const { return cursor_; }
  const std::vector<std::pair<std::string, std::string>>& Errors() const { return errors_; }

 private:
  struct Timer {
    std::uint32_t interval;
    std::uint64_t due;
    std::function<void()> fire;
  };

  Window* window_ = nullptr;
  Size size_;
  cairo_surface_t* surface_ = nullptr;
  Rect dirty_;
  int paints_ = 0;
  std::uint64_t now_ = 0;
  int next_timer_ = 1;
  std::map<int, Timer> timers_;
  std::mutex posted_lock_;
  std::deque<std::function<void()>> posted_;
  bool captured_ = false;
  Cursor cursor_ = Cursor::Arrow;
  std::vector<std::pair<std::string, std::string>> errors_;
};

}  // namespace Controls
