#pragma once
// Boxes that stack children and the page stack.
#include "controls/Control.h"

namespace Controls {

// Stacks children top to bottom: fixed heights are kept, the others share
// what is left. Children take the full width unless they have a fixed one.
class VerticalLayout : public Container {
 public:
  std::string_view GetClass() const override { return "VerticalLayout"; }
  void SetPos(const Rect& rect) override;
};

// Stacks children left to right, the same way.
class HorizontalLayout : public Container {
 public:
  std::string_view GetClass() const override { return "HorizontalLayout"; }
  void SetPos(const Rect& rect) override;
};

// Shows one child at a time. Selecting another page sends "tabselect" with
// the new index as wParam and the previous one as lParam; selecting the page
// already shown changes nothing and sends nothing.
class TabLayout : public Container {
 public:
  std::string_view GetClass() const override { return "TabLayout"; }
  bool SetAttribute(std::string_view name, std::string_view value) override;
  void DoInit() override;
  void SetPos(const Rect& rect) override;
  int GetCurSel() const { return current_; }
  bool SelectItem(int index, bool notify = true);

 private:
  int current_ = 0;
};

}  // namespace Controls
