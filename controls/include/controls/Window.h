#pragma once
// A window's control tree with everything the controls share: the host, fonts,
// images, timers, focus, mouse tracking and the notification listeners.
// Belongs to the UI thread; only SendNotify(..., async = true) may be called
// from other threads.
#include <cairo.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/Control.h"
#include "controls/Host.h"
#include "controls/Image.h"
#include "controls/Text.h"

namespace Controls {

// Creates controls for element names the library does not know; nullptr = none.
using ControlFactory = std::function<std::unique_ptr<Control>(std::string_view element)>;
using NotifyListener = std::function<void(Notification&)>;

class Window {
 public:
  explicit Window(Host& host);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Host& GetHost() const { return host_; }

  // --- built from markup (see Markup.h) ---
  void AttachRoot(std::unique_ptr<Control> root);
  // A subtree joined the window at run time: it belongs here and is initialised.
  void Adopt(Control* subtree);
  Control* GetRoot() const { return root_.get(); }
  Size GetInitSize() const { return init_size_; }
  void SetInitSize(Size size) { init_size_ = size; }
  const Rect& GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const Rect& rect) { caption_ = rect; }
  Size GetRoundCorner() const { return round_corner_; }
  void SetRoundCorner(Size size) { round_corner_ = size; }
  // Window attributes the library does not know, stored by name.
  void SetCustomAttribute(std::string_view name, std::string_view value);
  std::optional<std::string> GetCustomAttribute(std::string_view name) const;

  void AddFont(int id, FontSpec font, bool is_default);
  // The font with `id`, or the default font for -1 and unknown ids.
  const FontSpec& GetFont(int id) const;
  const FontSpec* FindFont(int id) const;

  // --- finding controls ---
  Control* FindControl(std::string_view name) const;
  Control* FindControlByText(std::string_view text) const;
  Control* FindControlAt(Point p);
  // True where pressing drags the window: inside the caption band and not on
  // a button, option or text control.
  bool IsCaptionPoint(Point p);

  // --- layout and painting ---
  void NeedUpdate() { need_layout_ = true; }
  void UpdateLayout();
  // Paints the part `dirty` of the window, laying out first when needed.
  void Paint(cairo_t* cr, const Rect& dirty);
  void Invalidate(const Rect& area);
  ImageCache& Images() { return images_; }

  // --- input from the host ---
  void OnMouseMove(Point p);
  void OnMouseLeave();
  void OnButtonDown(Point p);
  void OnButtonUp(Point p);
  void OnKeyDown(int key);
  void OnChar(std::string_view text);
  Control* GetFocus() const { return focus_; }
  void SetFocus(Control* control);
  Control* GetHot() const { return hot_; }

  // --- timers: repeating, per control and id; they arrive as Timer events ---
  bool SetTimer(Control* control, int id, std::uint32_t interval_ms);
  void KillTimer(Control* control, int id);
  void KillTimers(Control* control);

  // --- notifications ---
  void AddNotifier(NotifyListener listener);
  void SendNotify(Control* sender, std::string type, std::intptr_t wParam = 0, std::intptr_t lParam = 0,
                  bool async = false);
  void SendNotify(Notification notification, bool async = false);

  // A control is going away: forget every reference to it.
  void ReapControl(Control* control);

 private:
  void Deliver(Notification& n);
  Event MakeEvent(EventType type, Point p) const;
  void SendEvent(Control* target, EventType type, Point p);

  Host& host_;
  std::unique_ptr<Control> root_;
  Size init_size_;
  Rect caption_;
  Size round_corner_;
  std::map<std::string, std::string, std::less<>> custom_;
  std::map<int, FontSpec> fonts_;
  FontSpec default_font_;
  ImageCache images_;
  bool need_layout_ = true;
  Size laid_out_;
  Control* focus_ = nullptr;
  Control* hot_ = nullptr;
  Control* captured_ = nullptr;
  Point last_mouse_;
  std::map<std::pair<Control*, int>, int> timers_;
  std::vector<NotifyListener> listeners_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace Controls
