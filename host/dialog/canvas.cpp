// The off-screen canvas of a window: RGB pixels, the host's palette, a built-in 5 x 7 bitmap
// font (each character in a 6 x 10 cell), and PNG output.
#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/dialog/dialog.hpp"

namespace pixmend::host {
namespace {

constexpr int kAdvance = 6;
constexpr int kLineHeight = 10;

// Glyphs of the characters 0x20 to 0x7e, five columns each, bit 0 the top row.
constexpr std::uint8_t kGlyphs[95][5] = {
    {0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x5F, 0x00, 0x00}, {0x00, 0x07, 0x00, 0x07, 0x00},
    {0x14, 0x7F, 0x14, 0x7F, 0x14}, {0x24, 0x2A, 0x7F, 0x2A, 0x12}, {0x23, 0x13, 0x08, 0x64, 0x62},
    {0x36, 0x49, 0x55, 0x22, 0x50}, {0x00, 0x05, 0x03, 0x00, 0x00}, {0x00, 0x1C, 0x22, 0x41, 0x00},
    {0x00, 0x41, 0x22, 0x1C, 0x00}, {0x08, 0x2A, 0x1C, 0x2A, 0x08}, {0x08, 0x08, 0x3E, 0x08, 0x08},
    {0x00, 0x50, 0x30, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08}, {0x00, 0x60, 0x60, 0x00, 0x00},
    {0x20, 0x10, 0x08, 0x04, 0x02}, {0x3E, 0x51, 0x49, 0x45, 0x3E}, {0x00, 0x42, 0x7F, 0x40, 0x00},
    {0x42, 0x61, 0x51, 0x49, 0x46}, {0x21, 0x41, 0x45, 0x4B, 0x31}, {0x18, 0x14, 0x12, 0x7F, 0x10},
    {0x27, 0x45, 0x45, 0x45, 0x39}, {0x3C, 0x4A, 0x49, 0x49, 0x30}, {0x01, 0x71, 0x09, 0x05, 0x03},
    {0x36, 0x49, 0x49, 0x49, 0x36}, {0x06, 0x49, 0x49, 0x29, 0x1E}, {0x00, 0x36, 0x36, 0x00, 0x00},
    {0x00, 0x56, 0x36, 0x00, 0x00}, {0x08, 0x14, 0x22, 0x41, 0x00}, {0x14, 0x14, 0x14, 0x14, 0x14},
    {0x00, 0x41, 0x22, 0x14, 0x08}, {0x02, 0x01, 0x51, 0x09, 0x06}, {0x32, 0x49, 0x79, 0x41, 0x3E},
    {0x7E, 0x11, 0x11, 0x11, 0x7E}, {0x7F, 0x49, 0x49, 0x49, 0x36}, {0x3E, 0x41, 0x41, 0x41, 0x22},
    {0x7F, 0x41, 0x41, 0x22, 0x1C}, {0x7F, 0x49, 0x49, 0x49, 0x41}, {0x7F, 0x09, 0x09, 0x01, 0x01},
    {0x3E, 0x41, 0x41, 0x51, 0x32}, {0x7F, 0x08, 0x08, 0x08, 0x7F}, {0x00, 0x41, 0x7F, 0x41, 0x00},
    {0x20, 0x40, 0x41, 0x3F, 0x01}, {0x7F, 0x08, 0x14, 0x22, 0x41}, {0x7F, 0x40, 0x40, 0x40, 0x40},
    {0x7F, 0x02, 0x04, 0x02, 0x7F}, {0x7F, 0x04, 0x08, 0x10, 0x7F}, {0x3E, 0x41, 0x41, 0x41, 0x3E},
    {0x7F, 0x09, 0x09, 0x09, 0x06}, {0x3E, 0x41, 0x51, 0x21, 0x5E}, {0x7F, 0x09, 0x19, 0x29, 0x46},
    {0x46, 0x49, 0x49, 0x49, 0x31}, {0x01, 0x01, 0x7F, 0x01, 0x01}, {0x3F, 0x40, 0x40, 0x40, 0x3F},
    {0x1F, 0x20, 0x40, 0x20, 0x1F}, {0x7F, 0x20, 0x18, 0x20, 0x7F}, {0x63, 0x14, 0x08, 0x14, 0x63},
    {0x03, 0x04, 0x78, 0x04, 0x03}, {0x61, 0x51, 0x49, 0x45, 0x43}, {0x00, 0x7F, 0x41, 0x41, 0x00},
    {0x02, 0x04, 0x08, 0x10, 0x20}, {0x00, 0x41, 0x41, 0x7F, 0x00}, {0x04, 0x02, 0x01, 0x02, 0x04},
    {0x40, 0x40, 0x40, 0x40, 0x40}, {0x00, 0x01, 0x02, 0x04, 0x00}, {0x20, 0x54, 0x54, 0x54, 0x78},
    {0x7F, 0x48, 0x44, 0x44, 0x38}, {0x38, 0x44, 0x44, 0x44, 0x20}, {0x38, 0x44, 0x44, 0x48, 0x7F},
    {0x38, 0x54, 0x54, 0x54, 0x18}, {0x08, 0x7E, 0x09, 0x01, 0x02}, {0x08, 0x54, 0x54, 0x54, 0x3C},
    {0x7F, 0x08, 0x04, 0x04, 0x78}, {0x00, 0x44, 0x7D, 0x40, 0x00}, {0x20, 0x40, 0x44, 0x3D, 0x00},
    {0x7F, 0x10, 0x28, 0x44, 0x00}, {0x00, 0x41, 0x7F, 0x40, 0x00}, {0x7C, 0x04, 0x18, 0x04, 0x78},
    {0x7C, 0x08, 0x04, 0x04, 0x78}, {0x38, 0x44, 0x44, 0x44, 0x38}, {0x7C, 0x14, 0x14, 0x14, 0x08},
    {0x08, 0x14, 0x14, 0x18, 0x7C}, {0x7C, 0x08, 0x04, 0x04, 0x08}, {0x48, 0x54, 0x54, 0x54, 0x20},
    {0x04, 0x3F, 0x44, 0x40, 0x20}, {0x3C, 0x40, 0x40, 0x20, 0x7C}, {0x1C, 0x20, 0x40, 0x20, 0x1C},
    {0x3C, 0x40, 0x30, 0x40, 0x3C}, {0x44, 0x28, 0x10, 0x28, 0x44}, {0x0C, 0x50, 0x50, 0x50, 0x3C},
    {0x44, 0x64, 0x54, 0x4C, 0x44}, {0x00, 0x08, 0x36, 0x41, 0x00}, {0x00, 0x00, 0x7F, 0x00, 0x00},
    {0x00, 0x41, 0x36, 0x08, 0x00}, {0x08, 0x04, 0x08, 0x10, 0x08},
};
// Any other byte (controls, the bytes of non-ASCII characters) shows as a small box.
constexpr std::uint8_t kUnknown[5] = {0x7F, 0x41, 0x41, 0x41, 0x7F};

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

bool writeAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string pattern = dir + "/." + base + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    if (error != nullptr) *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  ::fchmod(fd, 0644);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool ok = done == bytes.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(name.data(), path.c_str()) != 0) {
    if (error != nullptr) *error = "cannot write " + path + ": " + std::strerror(errno);
    ::unlink(name.data());
    return false;
  }
  return true;
}

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
    const std::uint8_t* glyph = ch >= 0x20 && ch <= 0x7e ? kGlyphs[ch - 0x20] : kUnknown;
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
  return writeAtomically(path, bytes, error);
}

}  // namespace pixmend::host
