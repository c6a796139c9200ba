#pragma once
// The plain control: position, size, visibility, background, border, and the
// hooks every control class overrides. Controls belong to the UI thread.
#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/Geometry.h"
#include "controls/Image.h"
#include "controls/Notify.h"
#include "controls/Values.h"

namespace Controls {

class Window;
class Container;

class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  virtual std::string_view GetClass() const { return "Control"; }
  virtual Container* AsContainer() { return nullptr; }

  // Applies one markup attribute; false when the class does not know it (the
  // value is then ignored). A value that does not parse changes nothing.
  virtual bool SetAttribute(std::string_view name, std::string_view value);

  // Called once the control belongs to a window (after the tree is built).
  virtual void DoInit() {}
  virtual void DoEvent(Event& event);
  virtual void DoPaint(cairo_t* cr, const Rect& dirty);
  virtual void SetPos(const Rect& rect);
  // The size the control wants inside `available`; 0 in a direction = a share of the free space.
  virtual Size EstimateSize(Size available) const { return fixed_; }
  virtual Control* FindControlAt(Point p);
  virtual bool IsFocusable() const { return false; }

  Window* GetWindow() const { return window_; }
  void SetWindow(Window* window) { window_ = window; }
  Container* GetParent() const { return parent_; }
  void SetParent(Container* parent) { parent_ = parent; }

  const std::string& GetName() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& GetText() const { return text_; }
  virtual void SetText(std::string text);
  const std::string& GetUserData() const { return user_data_; }

  const Rect& GetPos() const { return pos_; }
  int GetFixedWidth() const { return fixed_.cx; }
  int GetFixedHeight() const { return fixed_.cy; }
  void SetFixedWidth(int cx);
  void SetFixedHeight(int cy);
  const Rect& GetPadding() const { return padding_; }
  bool IsFloat() const { return float_; }
  const Rect& GetFloatPos() const { return float_pos_; }

  bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool visible);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool IsFocused() const { return focused_; }
  void SetFocus();

  Color GetBkColor() const { return bk_color_; }
  void SetBkColor(Color color);
  const std::string& GetBkImage() const { return bk_image_.Text(); }
  void SetBkImage(std::string descriptor);

  void Invalidate();
  // The control's size or visibility changed: its parent must lay out again.
  void NeedParentUpdate();

 protected:
  virtual void PaintBkColor(cairo_t* cr);
  virtual void PaintBkImage(cairo_t* cr);
  virtual void PaintStatusImage(cairo_t*) {}
  virtual void PaintText(cairo_t*) {}
  virtual void PaintBorder(cairo_t* cr);
  // Draws an image attribute over the control; false when nothing was drawn.
  bool DrawImage(cairo_t* cr, ImageRef& image);
  void FillRect(cairo_t* cr, const Rect& r, Color color) const;
  void Notify(const std::string& type, std::intptr_t wParam = 0, std::intptr_t lParam = 0);

  Window* window_ = nullptr;
  Container* parent_ = nullptr;
  std::string name_;
  std::string text_;
  std::string user_data_;
  Rect pos_;
  Size fixed_;
  Rect padding_;
  Rect float_pos_;
  bool float_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  bool focused_ = false;
  Color bk_color_ = 0;
  Color border_color_ = 0;
  int border_size_ = 0;
  Size border_round_;
  ImageRef bk_image_;

  friend class Window;
};

// A control holding others. Children are owned and painted in order, clipped
// to the container.
class Container : public Control {
 public:
  std::string_view GetClass() const override { return "Container"; }
  Container* AsContainer() override { return this; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  void DoPaint(cairo_t* cr, const Rect& dirty) override;
  void SetPos(const Rect& rect) override;
  Control* FindControlAt(Point p) override;

  // Takes ownership; the child joins this container's window.
  Control* Add(std::unique_ptr<Control> child);
  int Count() const { return static_cast<int>(children_.size()); }
  Control* GetItemAt(int index) const;
  int GetItemIndex(const Control* child) const;

 protected:
  // Places floating children at their "pos" relative to the container.
  void PlaceFloating(const Rect& rect);
  Rect inset_;
  int child_padding_ = 0;
  std::vector<std::unique_ptr<Control>> children_;
};

}  // namespace Controls
