#pragma once
// What a native window gives the control library. The GTK host provides it on
// screen; the offscreen host provides it for tests and benchmarks.
//
// Every call except Post() is made on the UI thread.
#include <cstdint>
#include <functional>
#include <string>

#include "controls/Geometry.h"

namespace Controls {

enum class Cursor { Arrow, Hand, IBeam };

class Host {
 public:
  virtual ~Host() = default;

  virtual Size ClientSize() const = 0;
  // The window's content changed inside `area` and must be painted again.
  virtual void Invalidate(const Rect& area) = 0;
  // A repeating timer; `fire` runs on the UI thread every `interval_ms`
  // until KillTimer(handle). Handles are never 0.
  virtual int SetTimer(std::uint32_t interval_ms, std::function<void()> fire) = 0;
  virtual void KillTimer(int handle) = 0;
  // Runs `work` later on the UI thread. Safe from any thread.
  virtual void Post(std::function<void()> work) = 0;
  virtual void SetCapture(bool captured) = 0;
  virtual void SetCursor(Cursor cursor) = 0;
  // A modal error message with an error icon.
  virtual void ShowError(const std::string& text, const std::string& caption) = 0;
  // Milliseconds on the host's clock, for notification time stamps.
  virtual std::uint64_t Now() const = 0;
};

}  // namespace Controls
