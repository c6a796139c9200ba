#include "controls/Markup.h"

#include <pugixml.hpp>

#include <cstdlib>
#include <vector>

#include "controls/Controls.h"
#include "controls/SkinPackage.h"

namespace Controls {
namespace {

bool IsBuilderElement(std::string_view name) {
  return EqualsNoCase(name, "Window") || EqualsNoCase(name, "Font") || EqualsNoCase(name, "Image") ||
         EqualsNoCase(name, "Default") || EqualsNoCase(name, "MultiLanguage") || EqualsNoCase(name, "Include");
}

std::string Value(const pugi::xml_attribute& a) { return DecodeEntities(a.value()); }

// A face name holds at most 31 characters, like the native font records.
std::string LimitFaceName(std::string name) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && ++chars > 31) {
      name.resize(i);
      break;
    }
  }
  return name;
}

void AddFont(Window& window, const pugi::xml_node& node) {
  FontSpec font;
  int id = -1;
  bool is_default = false;
  for (const pugi::xml_attribute& a : node.attributes()) {
    const std::string_view name = a.name();
    const std::string value = Value(a);
    if (name == "id") {
      if (auto v = ParseInt(value)) id = *v;
    } else if (name == "name") {
      font.name = LimitFaceName(value);
    } else if (name == "size") {
      if (auto v = ParseInt(value); v && *v > 0) font.size = *v;
    } else if (name == "bold") {
      font.bold = ParseBool(value);
    } else if (name == "underline") {
      font.underline = ParseBool(value);
    } else if (name == "italic") {
      font.italic = ParseBool(value);
    } else if (name == "default") {
      is_default = ParseBool(value);
    }
  }
  if (id >= 0) window.AddFont(id, std::move(font), is_default);
}

void ApplyWindowAttributes(Window& window, const pugi::xml_node& node) {
  for (const pugi::xml_attribute& a : node.attributes()) {
    const std::string_view name = a.name();
    const std::string value = Value(a);
    if (name == "size") {
      if (auto s = ParseSize(value)) window.SetInitSize(*s);
    } else if (name == "caption") {
      if (auto r = ParseRect(value)) window.SetCaptionRect(*r);
    } else if (name == "roundcorner") {
      if (auto s = ParseSize(value)) window.SetRoundCorner(*s);
    } else {
      window.SetCustomAttribute(name, value);
    }
  }
}

std::unique_ptr<Control> Create(const pugi::xml_node& node, const ControlFactory& factory) {
  const std::string_view element = node.name();
  if (IsBuilderElement(element)) return nullptr;
  if (auto c = CreateBuiltinControl(element)) return c;
  return factory ? factory(element) : nullptr;
}

void ApplyAttributes(Control& control, const pugi::xml_node& node) {
  for (const pugi::xml_attribute& a : node.attributes()) control.SetAttribute(a.name(), Value(a));
}

}  // namespace

std::unique_ptr<Control> CreateBuiltinControl(std::string_view element) {
  const std::string name = ToLower(element);
  if (name == "control") return std::make_unique<Control>();
  if (name == "container") return std::make_unique<Container>();
  if (name == "verticallayout") return std::make_unique<VerticalLayout>();
  if (name == "horizontallayout") return std::make_unique<HorizontalLayout>();
  if (name == "tablayout") return std::make_unique<TabLayout>();
  if (name == "label") return std::make_unique<Label>();
  if (name == "button") return std::make_unique<Button>();
  if (name == "checkbox") return std::make_unique<CheckBox>();
  if (name == "edit") return std::make_unique<Edit>();
  if (name == "progress") return std::make_unique<Progress>();
  return nullptr;
}

MarkupResult BuildFromText(Window& window, std::string_view text, const ControlFactory& factory) {
  if (text.empty()) return {false, "empty markup"};
  if (text.size() > kMaxMarkupBytes) return {false, "markup larger than 4 MiB"};
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  pugi::xml_document doc;
  // Entities are decoded by DecodeEntities: only the five standard ones.
  const pugi::xml_parse_result parsed =
      doc.load_buffer(text.data(), text.size(), pugi::parse_minimal, pugi::encoding_utf8);
  if (!parsed) return {false, std::string("markup does not parse: ") + parsed.description()};
  const pugi::xml_node top = doc.first_child();
  if (!top) return {false, "markup has no element"};

  if (EqualsNoCase(top.name(), "Window")) {
    for (const pugi::xml_node& child : top.children()) {
      if (child.type() == pugi::node_element && EqualsNoCase(child.name(), "Font")) AddFont(window, child);
    }
    ApplyWindowAttributes(window, top);
  }

  // The first element that makes a control is the root of the tree.
  std::unique_ptr<Control> root;
  pugi::xml_node root_node;
  for (const pugi::xml_node& child : top.children()) {
    if (child.type() != pugi::node_element) continue;
    if ((root = Create(child, factory))) {
      root_node = child;
      break;
    }
  }
  if (!root) return {false, "markup has no root control"};
  ApplyAttributes(*root, root_node);

  // Depth-first with an explicit stack: children in document order, each
  // fully configured before it joins its parent.
  struct Pending {
    pugi::xml_node node;
    Container* parent;
    int depth;
  };
  std::vector<Pending> stack;
  auto push_children = [&](const pugi::xml_node& node, Control* control, int depth) {
    Container* box = control->AsContainer();
    if (!box) return;  // children of a plain control have nowhere to go
    std::vector<pugi::xml_node> kids;
    for (const pugi::xml_node& c : node.children()) {
      if (c.type() == pugi::node_element) kids.push_back(c);
    }
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) stack.push_back({*it, box, depth + 1});
  };
  push_children(root_node, root.get(), 1);
  while (!stack.empty()) {
    Pending p = stack.back();
    stack.pop_back();
    if (p.depth > kMaxMarkupDepth) return {false, "markup nested too deeply"};
    std::unique_ptr<Control> control = Create(p.node, factory);
    if (!control) continue;  // skipped with its children
    ApplyAttributes(*control, p.node);
    Control* added = p.parent->Add(std::move(control));
    push_children(p.node, added, p.depth);
  }
  window.AttachRoot(std::move(root));
  return {true, {}};
}

MarkupResult BuildFromPackage(Window& window, std::string_view file, const ControlFactory& factory) {
  auto bytes = SharedSkin::Find(file);
  if (!bytes) return {false, "markup file not in the skin package"};
  return BuildFromText(window, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                       factory);
}

MarkupResult BuildFromResource(Window& window, std::string_view resource_type, int resource_id, std::string_view file,
                               const ControlFactory& factory) {
  if (!SharedSkin::Open(resource_type, resource_id)) return {false, "skin package missing or unreadable"};
  return BuildFromPackage(window, file, factory);
}

void FailMarkupLoad(Host& host) {
  host.ShowError("加载资源文件失败", "Quorvane");
  std::exit(1);
}

void BuildFromPackageOrExit(Window& window, std::string_view file, const ControlFactory& factory) {
  if (!BuildFromPackage(window, file, factory).ok) FailMarkupLoad(window.GetHost());
}

void BuildFromResourceOrExit(Window& window, std::string_view resource_type, int resource_id, std::string_view file,
                             const ControlFactory& factory) {
  if (!BuildFromResource(window, resource_type, resource_id, file, factory).ok) FailMarkupLoad(window.GetHost());
}

}  // namespace Controls
