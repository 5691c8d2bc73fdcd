// The 1-bit bitmap layout shared by every kernel, the host image library and the commands.
//
// A bitmap is W x H pixels in rows of ceil(W / 8) bytes, row 0 first in memory (the top of the
// raster). Within a byte the most significant bit is the leftmost pixel. 1 = ink, 0 = background.
// The (8 - W % 8) % 8 bits at the end of a row belong to no pixel: kernels never read them as
// pixels and never change them. Pixel (x, y) is bit y * 8 * stride + x counted from the start.
//
// Kernels take a view (data, width, height, stride) rather than raw pointers, and are written
// against it once. The views do not own memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pixmend {

// Bytes per row of a bitmap `width` pixels wide; 0 for non-positive widths.
constexpr std::size_t rowBytes(int width) { return width > 0 ? (static_cast<std::size_t>(width) + 7) / 8 : 0; }

// Total bytes of a width x height bitmap; 0 when either is non-positive.
constexpr std::size_t bitmapBytes(int width, int height) {
  return height > 0 ? rowBytes(width) * static_cast<std::size_t>(height) : 0;
}

// Mask of pixel x within its byte.
constexpr std::uint8_t pixelMask(int x) { return static_cast<std::uint8_t>(0x80u >> (x & 7)); }

// Eight bytes of a row as one word in pixel order: bit 63 is the first byte's most significant
// bit, the leftmost of the 64 pixels. The word kernels read and write rows through these two.
inline std::uint64_t loadWord(const std::uint8_t* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return w;
#else
  return __builtin_bswap64(w);
#endif
}

inline void storeWord(std::uint8_t* p, std::uint64_t w) {
#if !(defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
  w = __builtin_bswap64(w);
#endif
  std::memcpy(p, &w, 8);
}

// Exchanges ink and background in `count` bytes, a word at a time. Every bit flips, padding bits
// too: callers that hand whole rows over clear or keep those themselves.
inline void invertBytes(std::uint8_t* data, std::size_t count) {
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, data + i, 8);
    w = ~w;
    std::memcpy(data + i, &w, 8);
  }
  for (; i < count; ++i) data[i] = static_cast<std::uint8_t>(~data[i]);
}

template <typename Byte>
struct BasicBitmapView {
  Byte* data = nullptr;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;  // bytes per row, at least rowBytes(width)

  BasicBitmapView() = default;
  // A packed bitmap: stride = ceil(width / 8).
  BasicBitmapView(Byte* d, int w, int h) : data(d), width(w), height(h), stride(rowBytes(w)) {}
  BasicBitmapView(Byte* d, int w, int h, std::size_t s) : data(d), width(w), height(h), stride(s) {}
  // A view of mutable bytes converts to a read-only view.
  template <typename Other>
  BasicBitmapView(const BasicBitmapView<Other>& o)  // NOLINT(google-explicit-constructor)
      : data(o.data), width(o.width), height(o.height), stride(o.stride) {}

  bool empty() const { return width <= 0 || height <= 0 || data == nullptr; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  Byte* row(int y) const { return data + static_cast<std::size_t>(y) * stride; }
  std::size_t bytes() const { return height > 0 ? stride * static_cast<std::size_t>(height) : 0; }

  // Unchecked pixel access: the caller guarantees contains(x, y).
  bool get(int x, int y) const { return (row(y)[x >> 3] & pixelMask(x)) != 0; }
  void set(int x, int y) const { row(y)[x >> 3] |= pixelMask(x); }
  void clear(int x, int y) const { row(y)[x >> 3] &= static_cast<std::uint8_t>(~pixelMask(x)); }
  void put(int x, int y, bool ink) const { ink ? set(x, y) : clear(x, y); }

  // Checked access: pixels outside the bitmap read as background and ignore writes.
  bool at(int x, int y) const { return contains(x, y) && get(x, y); }
  void putChecked(int x, int y, bool ink) const {
    if (contains(x, y)) put(x, y, ink);
  }
};

using BitmapView = BasicBitmapView<std::uint8_t>;
using ConstBitmapView = BasicBitmapView<const std::uint8_t>;

}  // namespace pixmend
