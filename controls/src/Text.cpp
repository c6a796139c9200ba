#include "controls/Text.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <mutex>
#include <string>

#include "controls/Image.h"
#include "platform/resources.h"

namespace Controls {
namespace {

// Windows programs write "\r\n"; pango would count "\r" as a break of its own.
std::string NormaliseBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

PangoFontDescription* MakeDescription(const FontSpec& font) {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, font.name.empty() ? "sans-serif" : font.name.c_str());
  pango_font_description_set_absolute_size(d, std::max(font.size, 1) * PANGO_SCALE);
  pango_font_description_set_weight(d, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(d, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return d;
}

PangoLayout* MakeLayout(cairo_t* cr, std::string_view text, const FontSpec& font) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* d = MakeDescription(font);
  pango_layout_set_font_description(layout, d);
  pango_font_description_free(d);
  const std::string normalised = NormaliseBreaks(ValidUtf8(text));
  pango_layout_set_text(layout, normalised.data(), static_cast<int>(normalised.size()));
  if (font.underline) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  return layout;
}

// A small scratch surface for measuring outside painting.
cairo_t* ScratchContext() {
  static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  return cairo_create(surface);
}

}  // namespace

void DrawText(cairo_t* cr, std::string_view text, const FontSpec& font, Color color, const Rect& box,
              const TextStyle& style) {
  if (text.empty() || box.Empty()) return;
  PangoLayout* layout = MakeLayout(cr, text, font);
  pango_layout_set_width(layout, box.Width() * PANGO_SCALE);
  if (style.multiline) {
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  } else if (style.ellipsis) {
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  } else {
    pango_layout_set_width(layout, -1);
  }
  pango_layout_set_alignment(layout, style.halign == HAlign::Left     ? PANGO_ALIGN_LEFT
                                     : style.halign == HAlign::Center ? PANGO_ALIGN_CENTER
                                                                      : PANGO_ALIGN_RIGHT);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  int y = box.top;
  if (style.valign == VAlign::Center) y = box.top + (box.Height() - height) / 2;
  if (style.valign == VAlign::Bottom) y = box.bottom - height;
  cairo_save(cr);
  cairo_rectangle(cr, box.left, box.top, box.Width(), box.Height());
  cairo_clip(cr);
  SetSourceColor(cr, color);
  cairo_move_to(cr, box.left, y);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  g_object_unref(layout);
}

Size MeasureText(std::string_view text, const FontSpec& font, int wrap_width) {
  cairo_t* cr = ScratchContext();
  PangoLayout* layout = MakeLayout(cr, text, font);
  if (wrap_width > 0) {
    pango_layout_set_width(layout, wrap_width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  }
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  cairo_destroy(cr);
  return {width, height};
}

std::string ResolvedFamily(const FontSpec& font) {
  cairo_t* cr = ScratchContext();
  PangoContext* context = pango_cairo_create_context(cr);
  PangoFontDescription* d = MakeDescription(font);
  std::string family;
  if (PangoFont* loaded = pango_context_load_font(context, d)) {
    PangoFontDescription* real = pango_font_describe(loaded);
    if (const char* name = pango_font_description_get_family(real)) family = name;
    pango_font_description_free(real);
    g_object_unref(loaded);
  }
  pango_font_description_free(d);
  g_object_unref(context);
  cairo_destroy(cr);
  return family;
}

int CountMissingGlyphs(std::string_view text, const FontSpec& font) {
  cairo_t* cr = ScratchContext();
  PangoLayout* layout = MakeLayout(cr, text, font);
  const int missing = pango_layout_get_unknown_glyphs_count(layout);
  g_object_unref(layout);
  cairo_destroy(cr);
  return missing;
}

bool LoadFontRules(std::string_view xml) {
  const std::string text(xml);
  FcConfig* config = FcConfigGetCurrent();
  if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(text.c_str()), FcTrue)) return false;
  // Pango caches font choices in its font map; a fresh map sees the new rules.
  pango_cairo_font_map_set_default(nullptr);
  return true;
}

void LoadFontRulesFromResource(std::string_view type, int id) {
  static std::once_flag once;
  std::call_once(once, [&] {
    if (auto bytes = platform::FindResource(type, id)) {
      LoadFontRules(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    }
  });
}

}  // namespace Controls
