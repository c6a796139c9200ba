#include "controls/Image.h"

#include <cstring>
#include <vector>

#include "controls/SkinPackage.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb/stb_image.h>

namespace Controls {

Image::~Image() { cairo_surface_destroy(surface_); }
int Image::Width() const { return cairo_image_surface_get_width(surface_); }
int Image::Height() const { return cairo_image_surface_get_height(surface_); }

std::unique_ptr<Image> Image::Decode(std::span<const std::byte> bytes) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
  int w = 0, h = 0, channels = 0;
  stbi_uc* rgba = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
                                        &w, &h, &channels, 4);
  if (!rgba) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    stbi_image_free(rgba);
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  unsigned char* dst = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * stride);
    const stbi_uc* src = rgba + static_cast<std::ptrdiff_t>(y) * w * 4;
    for (int x = 0; x < w; ++x) {
      const std::uint32_t r = src[4 * x], g = src[4 * x + 1], b = src[4 * x + 2], a = src[4 * x + 3];
      row[x] = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
    }
  }
  stbi_image_free(rgba);
  cairo_surface_mark_dirty(surface);
  return std::unique_ptr<Image>(new Image(surface));
}

std::unique_ptr<Image> Image::Masked(Color mask) const {
  const int w = Width(), h = Height();
  cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(copy);
    return nullptr;
  }
  cairo_surface_flush(surface_);
  cairo_surface_flush(copy);
  const unsigned char* src = cairo_image_surface_get_data(surface_);
  unsigned char* dst = cairo_image_surface_get_data(copy);
  const int src_stride = cairo_image_surface_get_stride(surface_);
  const int dst_stride = cairo_image_surface_get_stride(copy);
  for (int y = 0; y < h; ++y) {
    auto* in = reinterpret_cast<const std::uint32_t*>(src + static_cast<std::ptrdiff_t>(y) * src_stride);
    auto* out = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * dst_stride);
    for (int x = 0; x < w; ++x) out[x] = in[x] == mask ? 0 : in[x];
  }
  cairo_surface_mark_dirty(copy);
  return std::unique_ptr<Image>(new Image(copy));
}

ImageDescriptor ImageDescriptor::Parse(std::string_view text) {
  ImageDescriptor d;
  if (text.find('\'') == std::string_view::npos) {
    d.file = std::string(text);
    return d;
  }
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) break;
    std::string_view key = text.substr(i, eq - i);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    std::size_t open = text.find('\'', eq);
    if (open == std::string_view::npos) break;
    std::size_t close = text.find('\'', open + 1);
    if (close == std::string_view::npos) break;
    std::string_view value = text.substr(open + 1, close - open - 1);
    i = close + 1;
    if (key == "file") {
      d.file = std::string(value);
    } else if (key == "dest") {
      if (auto r = ParseRect(value)) d.dest = *r;
    } else if (key == "source") {
      if (auto r = ParseRect(value)) d.source = *r;
    } else if (key == "corner") {
      if (auto r = ParseRect(value)) d.corner = *r;
    } else if (key == "mask") {
      if (auto c = ParseColor(value)) d.mask = *c;
    } else if (key == "fade") {
      if (auto v = ParseInt(value)) d.fade = std::clamp(*v, 0, 255);
    } else if (key == "hole") {
      d.hole = ParseBool(value);
    } else if (key == "xtiled") {
      d.xtiled = ParseBool(value);
    } else if (key == "ytiled") {
      d.ytiled = ParseBool(value);
    }
  }
  return d;
}

const Image* ImageCache::Get(std::string_view file, std::optional<Color> mask) {
  std::string key = ToLower(file);
  for (char& c : key) {
    if (c == '\\') c = '/';
  }
  if (mask) key += "|" + std::to_string(*mask);
  if (auto it = images_.find(key); it != images_.end()) return it->second.get();
  auto bytes = loader_ ? loader_(file) : SharedSkin::Find(file);
  std::unique_ptr<Image> image;
  if (bytes) {
    ++decodes_;
    image = Image::Decode(*bytes);
    if (image && mask) image = image->Masked(*mask);
  }
  const Image* result = image.get();
  images_.emplace(std::move(key), std::move(image));  // a failure is remembered too
  return result;
}

void ImageRef::Set(std::string text) {
  text_ = std::move(text);
  parsed_.reset();
  failed_ = false;
}

bool ImageRef::Draw(cairo_t* cr, ImageCache& cache, const Rect& bounds) {
  if (text_.empty() || failed_) return false;
  if (!parsed_) parsed_ = ImageDescriptor::Parse(text_);
  const ImageDescriptor& d = *parsed_;
  const Image* image = d.file.empty() ? nullptr : cache.Get(d.file, d.mask);
  if (!image) {
    failed_ = true;
    return false;
  }
  Rect source{0, 0, image->Width(), image->Height()};
  if (d.source) source = d.source->Intersect(source);
  if (source.Empty()) return false;
  Rect target = bounds;
  if (d.dest != Rect{}) target = d.dest.Offset(bounds.left, bounds.top);
  cairo_save(cr);
  cairo_rectangle(cr, bounds.left, bounds.top, bounds.Width(), bounds.Height());
  cairo_clip(cr);
  DrawNineGrid(cr, *image, source, target, d.corner, d.fade, d.hole, d.xtiled, d.ytiled);
  cairo_restore(cr);
  return true;
}

namespace {

void DrawCell(cairo_t* cr, cairo_surface_t* surface, const Rect& src, const Rect& dst, double alpha, bool xtile,
              bool ytile) {
  if (src.Empty() || dst.Empty()) return;
  cairo_surface_t* part = cairo_surface_create_for_rectangle(surface, src.left, src.top, src.Width(), src.Height());
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
  cairo_matrix_t m;
  const double sx = xtile ? 1.0 : static_cast<double>(src.Width()) / dst.Width();
  const double sy = ytile ? 1.0 : static_cast<double>(src.Height()) / dst.Height();
  cairo_matrix_init_scale(&m, sx, sy);
  cairo_matrix_translate(&m, -dst.left, -dst.top);
  cairo_pattern_set_matrix(pattern, &m);
  cairo_pattern_set_extend(pattern, (xtile || ytile) ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
  if (src.Width() == dst.Width() && src.Height() == dst.Height()) cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_save(cr);
  cairo_rectangle(cr, dst.left, dst.top, dst.Width(), dst.Height());
  cairo_clip(cr);
  cairo_set_source(cr, pattern);
  if (alpha >= 1.0) {
    cairo_paint(cr);
  } else {
    cairo_paint_with_alpha(cr, alpha);
  }
  cairo_restore(cr);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(part);
}

}  // namespace

void SetSourceColor(cairo_t* cr, Color c) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                        ((c >> 24) & 0xFF) / 255.0);
}

void DrawNineGrid(cairo_t* cr, const Image& image, Rect s, const Rect& t, const Rect& c, int fade, bool hole,
                  bool xtiled, bool ytiled) {
  if (fade <= 0) return;
  const double alpha = fade / 255.0;
  // Column and row edges of source and target; the corners keep their size.
  const int sx[4] = {s.left, s.left + c.left, s.right - c.right, s.right};
  const int sy[4] = {s.top, s.top + c.top, s.bottom - c.bottom, s.bottom};
  const int tx[4] = {t.left, t.left + c.left, t.right - c.right, t.right};
  const int ty[4] = {t.top, t.top + c.top, t.bottom - c.bottom, t.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const bool centre_row = row == 1, centre_col = col == 1;
      if (hole && centre_row && centre_col) continue;
      DrawCell(cr, image.Surface(), Rect{sx[col], sy[row], sx[col + 1], sy[row + 1]},
               Rect{tx[col], ty[row], tx[col + 1], ty[row + 1]}, alpha, xtiled && centre_col && centre_row,
               ytiled && centre_row && centre_col);
    }
  }
}

}  // namespace Controls
