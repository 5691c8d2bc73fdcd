// Pixel-loop reference versions of the buffer operations.
#include "support/bitmap_reference.hpp"

#include <cstring>

namespace pixmend::testsupport {
namespace {

long long strideOf(int width) { return (static_cast<long long>(width) + 7) / 8; }

bool getPixel(const unsigned char* bits, int width, int x, int y) {
  const long long b = y * 8 * strideOf(width) + x;
  return (bits[b / 8] & (0x80 >> (b % 8))) != 0;
}

void putPixel(unsigned char* bits, int width, int x, int y, bool ink) {
  const long long b = y * 8 * strideOf(width) + x;
  const unsigned char mask = static_cast<unsigned char>(0x80 >> (b % 8));
  if (ink) {
    bits[b / 8] |= mask;
  } else {
    bits[b / 8] &= static_cast<unsigned char>(~mask);
  }
}

}  // namespace

void paste(unsigned char* dest, const unsigned char* src, int destX, int destY, int srcWidth, int srcHeight,
           int destWidth, int destHeight, bool transparent) {
  for (int i = 0; i < srcWidth; ++i) {
    for (int j = 0; j < srcHeight; ++j) {
      const long long x = static_cast<long long>(destX) + i, y = static_cast<long long>(destY) + j;
      if (x < 0 || y < 0 || x >= destWidth || y >= destHeight) continue;
      const bool ink = getPixel(src, srcWidth, i, j);
      if (ink || !transparent) putPixel(dest, destWidth, static_cast<int>(x), static_cast<int>(y), ink);
    }
  }
}

void blit(unsigned char* dest, int destWidth, int destHeight, int dx, int dy, const unsigned char* src,
          int srcWidth, int srcHeight, int sx, int sy, int w, int h, RasterOp op) {
  for (int i = 0; i < w; ++i) {
    for (int j = 0; j < h; ++j) {
      const long long fx = static_cast<long long>(sx) + i, fy = static_cast<long long>(sy) + j;
      const long long tx = static_cast<long long>(dx) + i, ty = static_cast<long long>(dy) + j;
      if (fx < 0 || fy < 0 || fx >= srcWidth || fy >= srcHeight) continue;
      if (tx < 0 || ty < 0 || tx >= destWidth || ty >= destHeight) continue;
      const bool s = getPixel(src, srcWidth, static_cast<int>(fx), static_cast<int>(fy));
      const bool d = getPixel(dest, destWidth, static_cast<int>(tx), static_cast<int>(ty));
      const bool out = op == RasterOp::Copy ? s : op == RasterOp::Or ? (d || s) : (d && !s);
      putPixel(dest, destWidth, static_cast<int>(tx), static_cast<int>(ty), out);
    }
  }
}

void smartPasteInit(const unsigned char* src, int* maxX, int* minX, int* maxY, int* minY, int width, int height) {
  *maxX = 0;
  *minX = width;
  *maxY = 0;
  *minY = height;
  for (int i = 0; i < width; ++i) {
    for (int j = 0; j < height; ++j) {
      if (!getPixel(src, width, i, j)) continue;
      if (i > *maxX) *maxX = i;
      if (j > *maxY) *maxY = j;
      if (i < *minX) *minX = i;
      if (j < *minY) *minY = j;
    }
  }
}

void getDelBuffer(const SelectionState& s, int size, unsigned char* buffer) {
  if (size > 0) std::memset(buffer, 0, static_cast<std::size_t>(size));
  if (!s.live()) return;
  const long long bw = static_cast<long long>(s.maxX) - s.minX;
  const long long stride = (bw + 7) / 8;
  const int height = s.usableHeight();
  for (int x = 0; x < s.width; ++x) {
    if (x < s.minX || x >= s.maxX) continue;
    for (int y = 0; y < height; ++y) {
      if (y < s.minY || y >= s.maxY) continue;
      if (!getPixel(s.mark.get(), s.width, x, y)) continue;
      const long long b = (y - s.minY) * 8 * stride + (x - s.minX);
      if (b / 8 >= size) continue;
      buffer[b / 8] |= static_cast<unsigned char>(0x80 >> (b % 8));
    }
  }
}

void deleteSelected(const SelectionState& s, unsigned char* dest) {
  if (!s.live()) return;
  const int height = s.usableHeight();
  for (int x = 0; x < s.width; ++x) {
    if (x < s.minX || x >= s.maxX) continue;
    for (int y = 0; y < height; ++y) {
      if (y < s.minY || y >= s.maxY) continue;
      if (getPixel(s.mark.get(), s.width, x, y)) putPixel(dest, s.width, x, y, false);
    }
  }
}

}  // namespace pixmend::testsupport
