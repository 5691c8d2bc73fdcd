// Helpers of the image library's tests: temporary folders, the shared scans, libtiff's own
// decoding (the reference for our TIFF reader), owned bitmaps from the C calls, and plain
// pixel-loop versions of the kernels written straight from their definitions.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bitmap/bitmap.hpp"
#include "host/image/api.h"
#include "host/image/image.hpp"
#include "host/image/image_testing.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "support/random_bitmap.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::imagetest {

// A folder under the system's temporary directory, removed with its contents.
class TempDir : public pixmend::testsupport::ScratchDir {
 public:
  TempDir() : ScratchDir("image") {}
};

inline std::string testdata(const std::string& relative) {
  const std::string dir = PIXMEND_TESTDATA_DIR;
  return dir.empty() ? std::string() : dir + "/" + relative;
}

#define SKIP_WITHOUT_TESTDATA()                                                        \
  do {                                                                                 \
    struct stat st_ {};                                                                \
    if (std::string(PIXMEND_TESTDATA_DIR).empty() ||                                   \
        ::stat((std::string(PIXMEND_TESTDATA_DIR) + "/README.md").c_str(), &st_) != 0) \
      GTEST_SKIP() << "the shared test scans are not available";                       \
  } while (0)

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void copyFile(const std::string& from, const std::string& to) {
  writeBytes(to, readBytes(from));
}

// An owned bitmap with its size.
struct Bits {
  int width = 0, height = 0;
  std::vector<std::uint8_t> bytes;
  Point2d size() const { return {width, height}; }
  bool get(int x, int y) const { return ConstBitmapView(bytes.data(), width, height).get(x, y); }
  void put(int x, int y, bool ink) { BitmapView(bytes.data(), width, height).put(x, y, ink); }
  std::size_t ones() const { return testsupport::countInk(ConstBitmapView(bytes.data(), width, height)); }
  bool operator==(const Bits& o) const { return width == o.width && height == o.height && bytes == o.bytes; }
};

inline Bits blank(int width, int height) {
  Bits b;
  b.width = width;
  b.height = height;
  b.bytes.assign(bitmapBytes(width, height), 0);
  return b;
}

inline Bits randomBits(testsupport::Rng& rng, int width, int height, double density = 0.3) {
  const testsupport::RandomBitmap r = testsupport::randomBitmap(rng, width, height, density);
  Bits b;
  b.width = width;
  b.height = height;
  b.bytes = r.bits;
  return b;
}

// Reads a file with the library; rc is the call's result.
// The file's pixels as libtiff decodes them (min-is-white: 1 is ink).
inline Bits onDisk(const std::string& path) {
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  EXPECT_NE(tif, nullptr);
  std::uint32_t w = 0, h = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  Bits b = blank(static_cast<int>(w), static_cast<int>(h));
  for (std::uint32_t y = 0; y < h; ++y) TIFFReadScanline(tif, b.bytes.data() + y * rowBytes(b.width), y, 0);
  TIFFClose(tif);
  return b;
}

inline Bits bitsOf(const host::ImageBuffer& image) {
  Bits b = blank(image.width, image.height);
  std::memcpy(b.bytes.data(), image.data.get(), b.bytes.size());
  return b;
}

struct ReadResult {
  int rc = 0;
  Bits bits;
};
inline ReadResult readImage(const std::string& path, int type = IMAGEFILE_FROM_FILE) {
  ReadResult r;
  unsigned char* data = nullptr;
  Point2d size{0, 0};
  r.rc = mdlImage_readFileToBitMap(&data, &size, path.c_str(), type, 0, mdlImage_checkStop);
  if (r.rc == 0) {
    r.bits.width = size.x;
    r.bits.height = size.y;
    r.bits.bytes.assign(data, data + bitmapBytes(size.x, size.y));
    mdlImage_freeImage(data, &size, 1);
  }
  return r;
}

inline int writeImage(const std::string& path, int type, const Bits& bits) {
  const Point2d size = bits.size();
  return mdlImage_createFileFromBitMap(path.c_str(), type, &size, bits.bytes.data(), 0, 0, 0,
                                       mdlImage_checkStop);
}

// Opens a TIFF with libtiff, its messages dropped (tests look at pixels and tags).
inline TIFF* quietOpen(const std::string& path, const char* mode = "r") {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  auto quiet = [](TIFF*, void*, const char*, const char*, va_list) { return 1; };
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  TIFF* tif = TIFFOpenExt(path.c_str(), mode, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

// Whether the file's samples show ink as 0, by the TIFF rules: min-is-black stores white as 1; a
// palette shows each sample in its colour map's colour, and the darker entry is ink.
inline bool storesInkAsZero(TIFF* tif) {
  std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  if (photometric == PHOTOMETRIC_MINISBLACK) return true;
  std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
  if (photometric != PHOTOMETRIC_PALETTE || !TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) return false;
  const double grey0 = 0.299 * r[0] + 0.587 * g[0] + 0.114 * b[0];
  const double grey1 = 0.299 * r[1] + 0.587 * g[1] + 0.114 * b[1];
  return grey0 < grey1;
}

enum class Samples { AsStored, AsInk };

// libtiff's own decoding of page 1: strips with TIFFReadEncodedStrip, tiles with
// TIFFReadEncodedTile, rows packed, padding bits 0. Samples::AsStored gives the sample values as
// stored; Samples::AsInk applies the photometric interpretation (1 = black on paper), which is
// how every viewer shows the file.
inline bool libtiffDecode(const std::string& path, Bits& out, Samples samples = Samples::AsStored) {
  TIFF* tif = quietOpen(path);
  if (tif == nullptr) return false;
  const bool invert = samples == Samples::AsInk && storesInkAsZero(tif);
  std::uint32_t w = 0, h = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  out = blank(static_cast<int>(w), static_cast<int>(h));
  const std::size_t stride = rowBytes(static_cast<int>(w));
  if (TIFFIsTiled(tif)) {
    std::uint32_t tw = 0, tl = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tl);
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
    const std::size_t ts = (tw + 7) / 8;
    for (std::uint32_t y = 0; y < h; y += tl)
      for (std::uint32_t x = 0; x < w; x += tw) {
        std::fill(tile.begin(), tile.end(), 0);
        TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, 0), tile.data(),
                            static_cast<tmsize_t>(tile.size()));
        for (std::uint32_t r = 0; r < tl && y + r < h; ++r)
          for (std::uint32_t c = 0; c < tw && x + c < w; ++c)
            out.put(static_cast<int>(x + c), static_cast<int>(y + r),
                    (tile[r * ts + c / 8] >> (7 - c % 8)) & 1);
      }
  } else {
    std::uint32_t rps = h;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
    if (rps == 0 || rps > h) rps = h;
    for (std::uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
      const std::uint64_t row0 = static_cast<std::uint64_t>(s) * rps;
      if (row0 >= h) break;
      const std::uint64_t rows = std::min<std::uint64_t>(rps, h - row0);
      TIFFReadEncodedStrip(tif, s, out.bytes.data() + row0 * stride, static_cast<tmsize_t>(rows * stride));
    }
  }
  if (invert)
    for (std::uint8_t& byte : out.bytes) byte = static_cast<std::uint8_t>(~byte);
  if (w % 8 != 0)
    for (std::uint32_t y = 0; y < h; ++y)
      out.bytes[y * stride + stride - 1] &= static_cast<std::uint8_t>(0xFF00u >> (w % 8));
  TIFFClose(tif);
  return true;
}

// How a viewer shows page 1 (Samples::AsInk).
inline bool libtiffLook(const std::string& path, Bits& out) {
  return libtiffDecode(path, out, Samples::AsInk);
}

inline std::uint16_t photometricOf(const std::string& path) {
  TIFF* tif = quietOpen(path);
  if (tif == nullptr) return 0xFFFF;
  std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFClose(tif);
  return photometric;
}

// ---- Reference kernels: one pixel at a time, from the definitions ----------------------------

// Counter-clockwise as displayed by quarterTurns x 90 degrees.
inline Bits refRotate(const Bits& in, int quarterTurns) {
  const int W = in.width, H = in.height;
  Bits out = (quarterTurns % 2 == 1) ? blank(H, W) : blank(W, H);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      bool v = false;
      switch (quarterTurns & 3) {
        case 0:
          v = in.get(x, y);
          break;
        case 1:
          v = in.get(W - 1 - y, x);
          break;
        case 2:
          v = in.get(W - 1 - x, H - 1 - y);
          break;
        default:
          v = in.get(y, H - 1 - x);
          break;
      }
      out.put(x, y, v);
    }
  return out;
}

// direction 0: top and bottom exchange; 1: left and right. Padding bits kept per row place.
inline Bits refMirror(const Bits& in, int direction) {
  Bits out = in;
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x)
      out.put(x, y, direction == 0 ? in.get(x, in.height - 1 - y) : in.get(in.width - 1 - x, y));
  return out;
}

inline Bits refExtract(const Bits& in, int left, int top, int right, int bottom) {
  Bits out = blank(right - left, bottom - top);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      const int sx = left + x, sy = top + y;
      if (sx >= 0 && sy >= 0 && sx < in.width && sy < in.height) out.put(x, y, in.get(sx, sy));
    }
  return out;
}

// Even-odd test of a point against a closed polygon, with the same edge rule as the kernel:
// an edge counts when py is in [its top, its bottom), a crossing at exactly px counts as left.
inline bool insidePolygon(const std::vector<DPoint2d>& p, double px, double py) {
  if (p.size() < 3) return false;
  bool inside = false;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const DPoint2d a = p[i], b = p[(i + 1) % p.size()];
    if (a.y == b.y) continue;
    const double top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    if (py < top || py >= bottom) continue;
    const double x = a.x + (py - a.y) * ((b.x - a.x) / (b.y - a.y));  // as the kernel rounds
    if (x <= px) inside = !inside;
  }
  return inside;
}

inline Bits refPolygon(const Bits& in, const std::vector<DPoint2d>& p, bool outside, bool ink) {
  Bits out = in;
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x)
      if (insidePolygon(p, x + 0.5, y + 0.5) != outside) out.put(x, y, ink);
  return out;
}

}  // namespace pixmend::imagetest
