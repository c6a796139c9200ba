#pragma once
// Builds a window from a markup file of the skin package.
//
// Element and class names compare ignoring case, attribute names exactly;
// attributes apply in document order. Elements whose class is unknown go to
// the factory; one nobody creates is skipped together with its children.
#include <string>
#include <string_view>

#include "controls/Window.h"

namespace Controls {

// Nesting deeper than this is refused as a load failure instead of letting
// the tree (and every walk over it) grow without bound.
inline constexpr int kMaxMarkupDepth = 256;
// Larger markup files are refused.
inline constexpr std::size_t kMaxMarkupBytes = 4 * 1024 * 1024;

struct MarkupResult {
  bool ok = false;
  std::string error;  // why loading failed, for the diagnostic log
};

// Builds `window` from markup text (UTF-8, an optional byte-order mark).
MarkupResult BuildFromText(Window& window, std::string_view markup, const ControlFactory& factory = {});

// Looks `file` up in the shared skin package and builds `window` from it.
MarkupResult BuildFromPackage(Window& window, std::string_view file, const ControlFactory& factory = {});

// Opens the package in resource (type, id) unless it is already open, then
// builds `window` from `file` in it. This is what creating a skinned window does.
MarkupResult BuildFromResource(Window& window, std::string_view resource_type, int resource_id, std::string_view file,
                               const ControlFactory& factory = {});

// The library's built-in classes; nullptr for unknown names.
std::unique_ptr<Control> CreateBuiltinControl(std::string_view element);

// What a window does when its markup fails: the host shows "加载资源文件失败"
// with the caption "Quorvane" and the process ends with exit code 1.
[[noreturn]] void FailMarkupLoad(Host& host);

// BuildFromPackage / BuildFromResource, ending the process through
// FailMarkupLoad on failure (a missing package counts as a markup failure).
void BuildFromPackageOrExit(Window& window, std::string_view file, const ControlFactory& factory = {});
void BuildFromResourceOrExit(Window& window, std::string_view resource_type, int resource_id, std::string_view file,
                             const ControlFactory& factory = {});

}  // namespace Controls
