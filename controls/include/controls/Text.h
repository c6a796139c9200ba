#pragma once
// Text drawing with pango: fonts of the markup and the alignment rules of labels.
#include <cairo.h>

#include <string>
#include <string_view>

#include "controls/Geometry.h"
#include "controls/Values.h"

namespace Controls {

struct FontSpec {
  std::string name;
  int size = 12;  // character height in pixels
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Center, Bottom };

struct TextStyle {
  HAlign halign = HAlign::Left;
  VAlign valign = VAlign::Center;
  bool multiline = false;
  bool ellipsis = true;  // a single line too long for its box ends in "…"
};

// Draws `text` inside `box`, clipped to it. "\r\n" breaks a line; a multi-line
// style also wraps at word or character boundaries.
void DrawText(cairo_t* cr, std::string_view text, const FontSpec& font, Color color, const Rect& box,
              const TextStyle& style);

// The pixel size `text` takes on one line (or wrapped to `wrap_width` when > 0).
Size MeasureText(std::string_view text, const FontSpec& font, int wrap_width = 0);

// The family fontconfig really uses for `font` (after aliases).
std::string ResolvedFamily(const FontSpec& font);
// How many characters of `text` no installed font can show (drawn as boxes).
int CountMissingGlyphs(std::string_view text, const FontSpec& font);

// Loads extra fontconfig rules (aliases for face names the skin uses). Call
// before the first text is drawn; later calls replace the font map.
bool LoadFontRules(std::string_view fontconfig_xml);

// Loads the rules from resource (type, id) when the executable carries them.
// Safe to call more than once; only the first call does anything.
void LoadFontRulesFromResource(std::string_view type, int id);

}  // namespace Controls
