#pragma once
// A window on the offscreen host that records every notification it sends.
#include <string>
#include <vector>

#include "controls/Controls.h"
#include "controls/Markup.h"
#include "controls/SkinPackage.h"
#include "controls/Text.h"
#include "controls/host/OffscreenHost.h"

namespace Controls::testing {

struct Recorded {
  std::string type;
  Control* sender;
  std::intptr_t wParam;
  std::intptr_t lParam;
};

// Stands in for the installer's own animated label, which these tests do not build.
inline std::unique_ptr<Control> SequenceStandIn(std::string_view element) {
  if (EqualsNoCase(element, "SequenceLabel")) return std::make_unique<Label>();
  return nullptr;
}

inline void OpenEmbeddedSkin() {
  SharedSkin::Open("ZIPRES", 147);
  LoadFontRulesFromResource("FONTCONFIG", 1);
}

class TestWindow {
 public:
  explicit TestWindow(Size size = {600, 400}) : host(size), window(host) {
    host.Attach(&window);
    window.AddNotifier([this](Notification& n) { log.push_back({n.type, n.sender, n.wParam, n.lParam}); });
  }
  MarkupResult Build(std::string_view markup, const ControlFactory& factory = {}) {
    return BuildFromText(window, markup, factory);
  }
  template <typename T = Control>
  T* Find(std::string_view name) {
    return dynamic_cast<T*>(window.FindControl(name));
  }
  Point Centre(Control* c) {
    window.UpdateLayout();
    const Rect& r = c->GetPos();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  int Count(std::string_view type) const {
    int n = 0;
    for (const auto& r : log) n += r.type == type;
    return n;
  }

  OffscreenHost host;
  Window window;
  std::vector<Recorded> log;
};

// Channels of a premultiplied pixel.
inline int Alpha(std::uint32_t p) { return static_cast<int>(p >> 24); }
inline int Red(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
inline int Green(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
inline int Blue(std::uint32_t p) { return static_cast<int>(p & 0xFF); }

}  // namespace Controls::testing
