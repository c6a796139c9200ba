#pragma once
// Notifications a window hands to its code, and input events a control receives.
#include <cstdint>
#include <string>

#include "controls/Geometry.h"

namespace Controls {

class Control;

struct Notification {
  std::string type;  // "click", "selectchanged", "tabselect", "timer" or a window's own
  Control* sender = nullptr;
  std::uint64_t timestamp = 0;
  Point mouse;
  std::intptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

enum class EventType {
  MouseEnter,
  MouseLeave,
  MouseMove,
  ButtonDown,
  ButtonUp,
  KeyDown,
  Char,
  SetFocus,
  KillFocus,
  Timer,
};

// Key codes the library itself understands; hosts translate theirs.
enum Key : int {
  KeyBackspace = 8,
  KeyTab = 9,
  KeyReturn = 13,
  KeyEscape = 27,
  KeyEnd = 35,
  KeyHome = 36,
  KeyLeft = 37,
  KeyRight = 39,
  KeyDelete = 46,
};

struct Event {
  EventType type = EventType::MouseMove;
  Point mouse;
  int key = 0;          // KeyDown
  std::string text;     // Char: UTF-8 text typed
  int timer_id = 0;     // Timer
  std::uint64_t timestamp = 0;
};

}  // namespace Controls
