#include "controls/Window.h"

#include <vector>

namespace Controls {
namespace {

// Visits `root` and every descendant without recursion; stops when `visit` returns true.
template <typename Visit>
Control* Walk(Control* root, Visit visit) {
  std::vector<Control*> stack;
  if (root) stack.push_back(root);
  while (!stack.empty()) {
    Control* c = stack.back();
    stack.pop_back();
    if (visit(c)) return c;
    if (Container* box = c->AsContainer()) {
      for (int i = box->Count() - 1; i >= 0; --i) stack.push_back(box->GetItemAt(i));
    }
  }
  return nullptr;
}

}  // namespace

Window::Window(Host& host) : host_(host) {
  default_font_.name = "微软雅黑";
  default_font_.size = 12;
}

Window::~Window() {
  *alive_ = false;
  for (auto& [key, handle] : timers_) host_.KillTimer(handle);
  timers_.clear();
  focus_ = hot_ = captured_ = nullptr;
  // Controls would call back into ReapControl while the tree goes away.
  Walk(root_.get(), [](Control* c) {
    c->SetWindow(nullptr);
    return false;
  });
  root_.reset();
}

void Window::AttachRoot(std::unique_ptr<Control> root) {
  root_ = std::move(root);
  Adopt(root_.get());
  need_layout_ = true;
  host_.Invalidate(Rect{0, 0, host_.ClientSize().cx, host_.ClientSize().cy});
}

void Window::Adopt(Control* subtree) {
  std::vector<Control*> all;
  Walk(subtree, [&](Control* c) {
    c->SetWindow(this);
    all.push_back(c);
    return false;
  });
  for (Control* c : all) c->DoInit();
  NeedUpdate();
}

void Window::SetCustomAttribute(std::string_view name, std::string_view value) {
  custom_.insert_or_assign(std::string(name), std::string(value));
}

std::optional<std::string> Window::GetCustomAttribute(std::string_view name) const {
  auto it = custom_.find(name);
  if (it == custom_.end()) return std::nullopt;
  return it->second;
}

void Window::AddFont(int id, FontSpec font, bool is_default) {
  if (is_default) default_font_ = font;
  fonts_.insert_or_assign(id, std::move(font));
}

const FontSpec* Window::FindFont(int id) const {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? nullptr : &it->second;
}

const FontSpec& Window::GetFont(int id) const {
  const FontSpec* f = FindFont(id);
  return f ? *f : default_font_;
}

Control* Window::FindControl(std::string_view name) const {
  if (name.empty()) return nullptr;
  return Walk(root_.get(), [&](Control* c) { return c->GetName() == name; });
}

Control* Window::FindControlByText(std::string_view text) const {
  return Walk(root_.get(), [&](Control* c) { return c->GetText() == text; });
}

Control* Window::FindControlAt(Point p) {
  UpdateLayout();
  return root_ ? root_->FindControlAt(p) : nullptr;
}

bool Window::IsCaptionPoint(Point p) {
  const Size size = host_.ClientSize();
  const bool in_band = p.x >= caption_.left && p.x < size.cx - caption_.right && p.y >= caption_.top &&
                       p.y < caption_.bottom;
  if (!in_band) return false;
  Control* c = FindControlAt(p);
  if (!c) return true;
  const std::string_view cls = c->GetClass();
  return cls != "Button" && cls != "Option" && cls != "Text";
}

void Window::UpdateLayout() {
  const Size size = host_.ClientSize();
  if (!root_ || (!need_layout_ && size == laid_out_)) return;
  need_layout_ = false;
  laid_out_ = size;
  root_->SetPos(Rect{0, 0, size.cx, size.cy});
  // Setting positions may ask for another pass; one is always enough here.
  need_layout_ = false;
}

void Window::Paint(cairo_t* cr, const Rect& dirty) {
  UpdateLayout();
  if (root_ && root_->IsVisible()) root_->DoPaint(cr, dirty);
}

void Window::Invalidate(const Rect& area) {
  if (!area.Empty()) host_.Invalidate(area);
}

Event Window::MakeEvent(EventType type, Point p) const {
  Event e;
  e.type = type;
  e.mouse = p;
  e.timestamp = host_.Now();
  return e;
}

void Window::SendEvent(Control* target, EventType type, Point p) {
  if (!target) return;
  Event e = MakeEvent(type, p);
  target->DoEvent(e);
}

void Window::OnMouseMove(Point p) {
  last_mouse_ = p;
  if (captured_) {
    SendEvent(captured_, EventType::MouseMove, p);
    return;
  }
  Control* now = FindControlAt(p);
  if (now != hot_) {
    Control* old = hot_;
    hot_ = now;
    SendEvent(old, EventType::MouseLeave, p);
    SendEvent(hot_, EventType::MouseEnter, p);
    Cursor cursor = Cursor::Arrow;
    if (hot_ && hot_->GetClass() == "Edit") {
      cursor = Cursor::IBeam;
    } else if (hot_ && hot_->IsFocusable() && hot_->IsEnabled()) {
      cursor = Cursor::Hand;  // anything that can be pressed
    }
    host_.SetCursor(cursor);
  }
  SendEvent(hot_, EventType::MouseMove, p);
}

void Window::OnMouseLeave() {
  if (captured_) return;
  Control* old = hot_;
  hot_ = nullptr;
  SendEvent(old, EventType::MouseLeave, last_mouse_);
}

void Window::OnButtonDown(Point p) {
  OnMouseMove(p);
  Control* target = FindControlAt(p);
  if (!target || !target->IsEnabled()) return;
  if (target->IsFocusable()) SetFocus(target);
  captured_ = target;
  host_.SetCapture(true);
  SendEvent(target, EventType::ButtonDown, p);
}

void Window::OnButtonUp(Point p) {
  last_mouse_ = p;
  Control* target = captured_;
  captured_ = nullptr;
  host_.SetCapture(false);
  if (target) SendEvent(target, EventType::ButtonUp, p);
  OnMouseMove(p);
}

void Window::OnKeyDown(int key) {
  if (!focus_) return;
  Event e = MakeEvent(EventType::KeyDown, last_mouse_);
  e.key = key;
  focus_->DoEvent(e);
}

void Window::OnChar(std::string_view text) {
  if (!focus_) return;
  Event e = MakeEvent(EventType::Char, last_mouse_);
  e.text = std::string(text);
  focus_->DoEvent(e);
}

void Window::SetFocus(Control* control) {
  if (control == focus_) return;
  Control* old = focus_;
  focus_ = control;
  SendEvent(old, EventType::KillFocus, last_mouse_);
  SendEvent(focus_, EventType::SetFocus, last_mouse_);
}

bool Window::SetTimer(Control* control, int id, std::uint32_t interval_ms) {
  if (!control) return false;
  KillTimer(control, id);
  std::weak_ptr<bool> alive = alive_;
  const int handle = host_.SetTimer(interval_ms, [this, alive, control, id] {
    if (alive.expired() || !*alive.lock()) return;
    if (timers_.find({control, id}) == timers_.end()) return;
    Event e = MakeEvent(EventType::Timer, last_mouse_);
    e.timer_id = id;
    control->DoEvent(e);
  });
  if (handle == 0) return false;
  timers_[{control, id}] = handle;
  return true;
}

void Window::KillTimer(Control* control, int id) {
  auto it = timers_.find({control, id});
  if (it == timers_.end()) return;
  host_.KillTimer(it->second);
  timers_.erase(it);
}

void Window::KillTimers(Control* control) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == control) {
      host_.KillTimer(it->second);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

void Window::AddNotifier(NotifyListener listener) { listeners_.push_back(std::move(listener)); }

void Window::SendNotify(Control* sender, std::string type, std::intptr_t wParam, std::intptr_t lParam, bool async) {
  Notification n;
  n.type = std::move(type);
  n.sender = sender;
  n.wParam = wParam;
  n.lParam = lParam;
  SendNotify(std::move(n), async);
}

void Window::SendNotify(Notification n, bool async) {
  if (!async) {
    n.timestamp = host_.Now();
    n.mouse = last_mouse_;
    Deliver(n);
    return;
  }
  // Queued notifications may come from worker threads: nothing of the window
  // is touched until the host runs the work on the UI thread.
  std::weak_ptr<bool> alive = alive_;
  host_.Post([this, alive, n]() mutable {
    auto token = alive.lock();
    if (!token || !*token) return;
    n.timestamp = host_.Now();
    n.mouse = last_mouse_;
    Deliver(n);
  });
}

void Window::Deliver(Notification& n) {
  // A listener may add listeners; deliver to those present now.
  const std::size_t count = listeners_.size();
  for (std::size_t i = 0; i < count; ++i) listeners_[i](n);
}

void Window::ReapControl(Control* control) {
  if (focus_ == control) focus_ = nullptr;
  if (hot_ == control) hot_ = nullptr;
  if (captured_ == control) {
    captured_ = nullptr;
    host_.SetCapture(false);
  }
  KillTimers(control);
}

}  // namespace Controls
