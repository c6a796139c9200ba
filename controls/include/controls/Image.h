#pragma once
// Images of the skin: decoding, the per-window cache and image descriptors.
#include <cairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "controls/Geometry.h"
#include "controls/Values.h"

namespace Controls {

// A decoded image: a premultiplied ARGB32 cairo surface.
class Image {
 public:
  // Decodes PNG (or any format stb_image reads) bytes; nothing on failure.
  static std::unique_ptr<Image> Decode(std::span<const std::byte> bytes);
  // The pixels of an image whose value equals `mask` become fully transparent.
  // The value is compared after premultiplication.
  std::unique_ptr<Image> Masked(Color mask) const;
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  cairo_surface_t* Surface() const { return surface_; }
  int Width() const;
  int Height() const;

 private:
  explicit Image(cairo_surface_t* s) : surface_(s) {}
  cairo_surface_t* surface_;
};

// A parsed image descriptor: a plain path, or key='value' pairs.
struct ImageDescriptor {
  std::string file;
  Rect dest;                       // all zero = the whole control
  std::optional<Rect> source;      // absent = the whole image
  Rect corner;                     // nine-grid margins
  std::optional<Color> mask;
  int fade = 255;
  bool hole = false;
  bool xtiled = false;
  bool ytiled = false;

  static ImageDescriptor Parse(std::string_view text);
};

// Images of one window, decoded once and kept by file name. Looks files up in
// the shared skin package unless a loader is given.
class ImageCache {
 public:
  using Loader = std::optional<std::span<const std::byte>> (*)(std::string_view);
  explicit ImageCache(Loader loader = nullptr) : loader_(loader) {}
  // Nothing when the file is missing or cannot be decoded (and that is remembered).
  const Image* Get(std::string_view file, std::optional<Color> mask = std::nullopt);
  int DecodeCount() const { return decodes_; }

 private:
  Loader loader_;
  std::map<std::string, std::unique_ptr<Image>, std::less<>> images_;
  int decodes_ = 0;
};

// An image attribute of a control: the descriptor text, parsed on first use.
// When its image cannot be loaded it is marked failed and never tried again.
class ImageRef {
 public:
  ImageRef() = default;
  explicit ImageRef(std::string text) { Set(std::move(text)); }
  void Set(std::string text);
  const std::string& Text() const { return text_; }
  bool Empty() const { return text_.empty(); }
  // Paints into `bounds` (the control's rectangle); false when nothing was drawn.
  bool Draw(cairo_t* cr, ImageCache& cache, const Rect& bounds);
  bool Failed() const { return failed_; }

 private:
  std::string text_;
  std::optional<ImageDescriptor> parsed_;
  bool failed_ = false;
};

// Makes an ARGB colour the cairo source.
void SetSourceColor(cairo_t* cr, Color color);

// Draws `source` of `image` into `target` as a nine-grid with `corner` margins.
void DrawNineGrid(cairo_t* cr, const Image& image, Rect source, const Rect& target, const Rect& corner, int fade,
                  bool hole, bool xtiled, bool ytiled);

}  // namespace Controls
