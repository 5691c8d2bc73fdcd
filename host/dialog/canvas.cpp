// The off-screen canvas of a window: RGB pixels, the host's palette, a built-in 5 x 7 bitmap
// font (common/glyphs.hpp; each character in a 6 x 10 cell), and PNG output.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/glyphs.hpp"
#include "host/dialog/dialog.hpp"
#include "host/files/files.hpp"

namespace pixmend::host {
namespace {

constexpr int kAdvance = 6;
constexpr int kLineHeight = 10;

constexpr RgbColorDef kPalette[16] = {
    {0, 0, 0},       {0, 0, 255},     {0, 170, 0},    {0, 200, 200},  {220, 0, 0},   {200, 0, 200},
    {230, 210, 0},   {255, 255, 255}, {128, 128, 128}, {200, 200, 200}, {0, 0, 128}, {0, 100, 0},
    {128, 0, 0},     {140, 90, 30},   {255, 140, 0},  {236, 233, 225},
};

void pngToMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void pngFlush(png_structp) {}

}  // namespace

int textWidth(const std::string& s) { return static_cast<int>(std::min<std::size_t>(s.size(), 100000)) * kAdvance; }
int fontHeight() { return kLineHeight; }

RgbColorDef paletteColour(int index) { return kPalette[index >= 0 && index < 16 ? index : 0]; }

void Canvas::resize(int w, int h) {
  width = std::clamp(w, 1, kMaxDialogSide);
  height = std::clamp(h, 1, kMaxDialogSide);
  rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
  fill(BSIRect{{0, 0}, {width, height}}, 15);
}

void Canvas::pixel(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3];
  p[0] = r;
  p[1] = g;
  p[2] = b;
}

void Canvas::fill(const BSIRect& rect, int colour) {
  const RgbColorDef c = paletteColour(colour);
  const int x0 = std::max(rect.origin.x, 0), y0 = std::max(rect.origin.y, 0);
  const int x1 = std::min(rect.corner.x, width), y1 = std::min(rect.corner.y, height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) pixel(x, y, c.red, c.green, c.blue);
  }
}

void Canvas::frame(const BSIRect& rect, int colour) {
  const int x1 = rect.corner.x - 1, y1 = rect.corner.y - 1;
  line(rect.origin.x, rect.origin.y, x1, rect.origin.y, colour);
  line(rect.origin.x, y1, x1, y1, colour);
  line(rect.origin.x, rect.origin.y, rect.origin.x, y1, colour);
  line(x1, rect.origin.y, x1, y1, colour);
}

void Canvas::line(int x1, int y1, int x2, int y2, int colour) {
  const RgbColorDef c = paletteColour(colour);
  // Clamp far-away end points first so a wild coordinate cannot make the walk run for long.
  auto clampCoord = [](int v) { return std::clamp(v, -2 * kMaxDialogSide, 2 * kMaxDialogSide); };
  x1 = clampCoord(x1), y1 = clampCoord(y1), x2 = clampCoord(x2), y2 = clampCoord(y2);
  const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    pixel(x1, y1, c.red, c.green, c.blue);
    if (x1 == x2 && y1 == y2) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x1 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y1 += sy;
    }
  }
}

void Canvas::text(const std::string& s, int x, int y, int colour, const BSIRect* clip) {
  const RgbColorDef c = paletteColour(colour);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const int cx = x + static_cast<int>(i) * kAdvance;
    if (cx >= width || (clip != nullptr && cx >= clip->corner.x)) break;
    const auto ch = static_cast<unsigned char>(s[i]);
    const std::uint8_t* glyph = glyphs::of(ch);
    for (int col = 0; col < 5; ++col) {
      for (int row = 0; row < 7; ++row) {
        if ((glyph[col] >> row & 1) == 0) continue;
        const int px = cx + col, py = y + 1 + row;
        if (clip != nullptr && (px < clip->origin.x || py < clip->origin.y || px >= clip->corner.x ||
                                py >= clip->corner.y)) {
          continue;
        }
        pixel(px, py, c.red, c.green, c.blue);
      }
    }
  }
}

bool Canvas::savePng(const std::string& path, std::string* error) const {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    if (error != nullptr) *error = "cannot start the PNG writer";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows[static_cast<std::size_t>(y)] =
        const_cast<png_bytep>(rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3);
  }
  // libpng reports errors by longjmp; nothing here owns memory that a jump would leak.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    if (error != nullptr) *error = "PNG encoding failed";
    return false;
  }
  png_set_write_fn(png, &bytes, pngToMemory, pngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rows.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  std::string why;
  if (writeFileAtomically(path, bytes.data(), bytes.size(), &why)) return true;
  if (error != nullptr) *error = "cannot write " + path + ": " + why;
  return false;
}

}  // namespace pixmend::host
