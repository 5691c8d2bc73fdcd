// Opaque, transparent and smart paste and the bounding box of a bitmap's ink.
//
//   combineBits          one row: n bits from any bit offset to any bit offset
//   blit                 a rectangle, clipped against both bitmaps, one combineBits per row
//   inkBox               the ink's bounding box from a few word scans per row
//   VXDllPaste, VXDllPasteTransparent, VXDllSmartPasteInit, VXDllSmartPaste   the exports
//
// How a row is combined: the destination bytes are taken eight at a time as one 64-bit word in
// the bitmap's bit order (the first byte most significant), so pixel k of the chunk is bit 63 - k.
// The source bits that land on a chunk start at a fixed bit offset from a source byte, the same
// for every chunk of the row; they are gathered with one 8-byte load and one extra byte, shifted
// into place, combined with the chunk and stored. Only the first and the last chunk of a row
// need masks (to keep the bits before and after the pasted run, padding bits among them) and
// byte-by-byte loads (to read and write no byte outside the run); every chunk between them is a
// plain load, shift, combine and store.
#include "bitmap/paste.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

#include "bitmap/selection.hpp"
#include "pixmend/vxdll.h"

namespace pixmend {
namespace {

inline std::uint64_t toBitOrder(std::uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return v;
#else
  return __builtin_bswap64(v);
#endif
}

// Eight bytes as one word, the first byte most significant.
inline std::uint64_t load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return toBitOrder(v);
}

inline void store64(std::uint8_t* p, std::uint64_t v) {
  v = toBitOrder(v);
  std::memcpy(p, &v, 8);
}

// The first `count` (< 8) bytes of a word, for the ends of a run.
inline std::uint64_t loadPartial(const std::uint8_t* p, std::size_t count) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < count; ++i) v |= static_cast<std::uint64_t>(p[i]) << (56 - 8 * i);
  return v;
}

inline void storePartial(std::uint8_t* p, std::size_t count, std::uint64_t v) {
  for (std::size_t i = 0; i < count; ++i) p[i] = static_cast<std::uint8_t>(v >> (56 - 8 * i));
}

template <RasterOp op>
inline std::uint64_t apply(std::uint64_t d, std::uint64_t s) {
  if constexpr (op == RasterOp::Copy) {
    (void)d;
    return s;
  } else if constexpr (op == RasterOp::Or) {
    return d | s;
  } else {
    return d & ~s;
  }
}

// One row: n >= 1 bits from bit s (0..7) of src[0] onto bit d (0..7) of dst[0].
template <RasterOp op>
void combineRow(std::uint8_t* dst, unsigned d, const std::uint8_t* src, unsigned s, std::size_t n) {
  const std::size_t total = d + n;  // bits of the touched destination bytes up to the run's end
  const std::size_t destBytes = (total + 7) / 8;
  const std::ptrdiff_t srcBytes = static_cast<std::ptrdiff_t>((s + n + 7) / 8);
  const std::size_t chunks = (total + 63) / 64;
  // Destination bit p (from dst[0]'s top bit) comes from source bit p + s - d, so chunk k's
  // source word is the 64 bits from bit r of byte 8k + base.
  const int shift = static_cast<int>(s) - static_cast<int>(d);
  const std::ptrdiff_t base = shift < 0 ? -1 : 0;
  const unsigned r = static_cast<unsigned>(shift < 0 ? shift + 8 : shift);

  // Source word of an end chunk: bytes outside the run's source bytes read as 0 (they only
  // feed masked-off bits).
  auto sourceWordAtEnd = [&](std::size_t k) {
    const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(8 * k) + base;
    const std::ptrdiff_t need = r ? 9 : 8;
    if (first >= 0 && first + need <= srcBytes) {
      const std::uint64_t a = load64(src + first);
      return r ? (a << r) | (src[first + 8] >> (8 - r)) : a;
    }
    std::uint64_t a = 0;
    for (std::ptrdiff_t i = 0; i < 8; ++i) {
      const std::ptrdiff_t at = first + i;
      if (at >= 0 && at < srcBytes) a |= static_cast<std::uint64_t>(src[at]) << (56 - 8 * i);
    }
    if (r == 0) return a;
    const std::ptrdiff_t at = first + 8;
    const unsigned extra = (at >= 0 && at < srcBytes) ? src[at] : 0u;
    return (a << r) | (extra >> (8 - r));
  };
  auto endChunk = [&](std::size_t k, std::uint64_t mask) {
    const std::size_t at = 8 * k;
    const std::size_t count = std::min<std::size_t>(8, destBytes - at);
    const std::uint64_t old = count == 8 ? load64(dst + at) : loadPartial(dst + at, count);
    const std::uint64_t value = (old & ~mask) | (apply<op>(old, sourceWordAtEnd(k)) & mask);
    if (count == 8) {
      store64(dst + at, value);
    } else {
      storePartial(dst + at, count, value);
    }
  };

  const std::uint64_t headMask = ~std::uint64_t{0} >> d;
  const std::size_t tailBits = total - 64 * (chunks - 1);  // 1..64
  const std::uint64_t tailMask = ~std::uint64_t{0} << (64 - tailBits);
  if (chunks == 1) {
    endChunk(0, headMask & tailMask);
    return;
  }
  endChunk(0, headMask);
  // Between the ends every source byte read lies inside the run (the next chunk still has
  // pixels, so the source bit after this chunk's last one exists).
  const std::uint8_t* from = src + 8 + base;
  std::uint8_t* to = dst + 8;
  const std::size_t middle = chunks - 2;
  if (r == 0) {
    for (std::size_t k = 0; k < middle; ++k, from += 8, to += 8) {
      store64(to, apply<op>(op == RasterOp::Copy ? 0 : load64(to), load64(from)));
    }
  } else {
    const unsigned back = 8 - r;
    for (std::size_t k = 0; k < middle; ++k, from += 8, to += 8) {
      const std::uint64_t word = (load64(from) << r) | (from[8] >> back);
      store64(to, apply<op>(op == RasterOp::Copy ? 0 : load64(to), word));
    }
  }
  endChunk(chunks - 1, tailMask);
}

template <RasterOp op>
void blitRows(BitmapView dest, long long dx, long long dy, ConstBitmapView src, long long sx, long long sy,
              long long w, long long rows) {
  for (long long j = 0; j < rows; ++j) {
    const std::size_t db = static_cast<std::size_t>(dx), sb = static_cast<std::size_t>(sx);
    combineRow<op>(dest.row(static_cast<int>(dy + j)) + db / 8, static_cast<unsigned>(db % 8),
                   src.row(static_cast<int>(sy + j)) + sb / 8, static_cast<unsigned>(sb % 8),
                   static_cast<std::size_t>(w));
  }
}

// First ink pixel of a row in [from, to), or -1.
int firstInk(const std::uint8_t* row, int from, int to) {
  if (from >= to) return -1;
  const std::size_t end = (static_cast<std::size_t>(to) + 7) / 8;
  std::size_t b = static_cast<std::size_t>(from) / 8;
  std::uint64_t keep = ~std::uint64_t{0} >> (from & 7);
  while (b < end) {
    const std::size_t count = std::min<std::size_t>(8, end - b);
    const std::uint64_t w = (count == 8 ? load64(row + b) : loadPartial(row + b, count)) & keep;
    keep = ~std::uint64_t{0};
    if (w != 0) {
      const int x = static_cast<int>(b * 8) + __builtin_clzll(w);
      return x < to ? x : -1;
    }
    b += count;
  }
  return -1;
}

// Last ink pixel of a row in [from, to), or -1.
int lastInk(const std::uint8_t* row, int from, int to) {
  if (from >= to) return -1;
  const std::size_t start = static_cast<std::size_t>(from) / 8;
  std::size_t e = (static_cast<std::size_t>(to) + 7) / 8;
  bool rightmost = true;
  while (e > start) {
    const std::size_t b = e - start >= 8 ? e - 8 : start;
    const std::size_t count = e - b;
    std::uint64_t w = count == 8 ? load64(row + b) : loadPartial(row + b, count);
    if (rightmost) {  // drop the bits at and after `to` (padding among them)
      const std::size_t keep = static_cast<std::size_t>(to) - b * 8;
      if (keep < 64) w &= ~(~std::uint64_t{0} >> keep);
      rightmost = false;
    }
    if (w != 0) {
      const int x = static_cast<int>(b * 8) + 63 - __builtin_ctzll(w);
      return x >= from ? x : -1;
    }
    e = b;
  }
  return -1;
}

}  // namespace

void combineBits(std::uint8_t* dest, std::size_t destBit, const std::uint8_t* src, std::size_t srcBit,
                 std::size_t n, RasterOp op) {
  if (n == 0 || dest == nullptr || src == nullptr) return;
  dest += destBit / 8;
  src += srcBit / 8;
  const unsigned d = static_cast<unsigned>(destBit % 8), s = static_cast<unsigned>(srcBit % 8);
  switch (op) {
    case RasterOp::Copy: combineRow<RasterOp::Copy>(dest, d, src, s, n); break;
    case RasterOp::Or: combineRow<RasterOp::Or>(dest, d, src, s, n); break;
    case RasterOp::AndNot: combineRow<RasterOp::AndNot>(dest, d, src, s, n); break;
  }
}

void blit(BitmapView dest, int dx, int dy, ConstBitmapView src, int sx, int sy, int w, int h, RasterOp op) {
  if (dest.empty() || src.empty() || w <= 0 || h <= 0) return;
  // The rectangle's own columns i and rows j that land inside both bitmaps (64-bit: offsets
  // near the ends of the int range must not overflow).
  const long long i0 = std::max({0LL, -static_cast<long long>(dx), -static_cast<long long>(sx)});
  const long long i1 = std::min({static_cast<long long>(w), static_cast<long long>(dest.width) - dx,
                                 static_cast<long long>(src.width) - sx});
  const long long j0 = std::max({0LL, -static_cast<long long>(dy), -static_cast<long long>(sy)});
  const long long j1 = std::min({static_cast<long long>(h), static_cast<long long>(dest.height) - dy,
                                 static_cast<long long>(src.height) - sy});
  if (i0 >= i1 || j0 >= j1) return;
  const long long ddx = dx + i0, ddy = dy + j0, ssx = sx + i0, ssy = sy + j0, cols = i1 - i0, rows = j1 - j0;
  switch (op) {
    case RasterOp::Copy: blitRows<RasterOp::Copy>(dest, ddx, ddy, src, ssx, ssy, cols, rows); break;
    case RasterOp::Or: blitRows<RasterOp::Or>(dest, ddx, ddy, src, ssx, ssy, cols, rows); break;
    case RasterOp::AndNot: blitRows<RasterOp::AndNot>(dest, ddx, ddy, src, ssx, ssy, cols, rows); break;
  }
}

InkBox inkBox(ConstBitmapView src) {
  InkBox box;
  if (src.empty()) return box;
  const int w = src.width;
  int top = 0;
  int lo = -1;
  for (; top < src.height; ++top) {
    lo = firstInk(src.row(top), 0, w);
    if (lo >= 0) break;
  }
  if (lo < 0) return box;
  int hi = lastInk(src.row(top), lo, w);
  // The last row with ink, searched from the bottom; then the rows between only need looking
  // at left of the leftmost and right of the rightmost ink found so far.
  int bottom = src.height - 1;
  for (; bottom > top; --bottom) {
    const int first = firstInk(src.row(bottom), 0, w);
    if (first >= 0) {
      lo = std::min(lo, first);
      hi = std::max(hi, lastInk(src.row(bottom), first, w));
      break;
    }
  }
  for (int y = top + 1; y < bottom && (lo > 0 || hi < w - 1); ++y) {
    const int left = firstInk(src.row(y), 0, lo);
    if (left >= 0) lo = left;
    const int right = lastInk(src.row(y), hi + 1, w);
    if (right >= 0) hi = right;
  }
  box.empty = false;
  box.minX = lo;
  box.maxX = hi;
  box.minY = top;
  box.maxY = bottom;
  return box;
}

namespace {

// The destination of an exported paste: its height is unknown, so it is taken as reaching the
// placement's last row; rows above 0 and columns outside the width are clipped by blit.
void exportedPaste(unsigned char* dest, const unsigned char* src, long long destX, long long destY, int srcWidth,
                   int srcHeight, int destWidth, RasterOp op) {
  if (dest == nullptr || src == nullptr || srcWidth <= 0 || srcHeight <= 0 || destWidth <= 0) return;
  // A placement outside the int range cannot overlap the destination.
  if (destX < INT_MIN || destX > INT_MAX || destY < INT_MIN || destY > INT_MAX) return;
  const long long reach = destY + srcHeight;
  if (reach <= 0) return;
  const BitmapView to(dest, destWidth, static_cast<int>(std::min<long long>(reach, INT_MAX)));
  const ConstBitmapView from(src, srcWidth, srcHeight);
  blit(to, static_cast<int>(destX), static_cast<int>(destY), from, 0, 0, srcWidth, srcHeight, op);
}

}  // namespace
}  // namespace pixmend

using pixmend::RasterOp;

extern "C" {

PIXMEND_API void VXDllPaste(unsigned char* dest, const unsigned char* src, int destX, int destY, int srcWidth,
                            int srcHeight, int destWidth) {
  pixmend::exportedPaste(dest, src, destX, destY, srcWidth, srcHeight, destWidth, RasterOp::Copy);
}

PIXMEND_API void VXDllPasteTransparent(unsigned char* dest, const unsigned char* src, int destX, int destY,
                                       int srcWidth, int srcHeight, int destWidth) {
  pixmend::exportedPaste(dest, src, destX, destY, srcWidth, srcHeight, destWidth, RasterOp::Or);
}

PIXMEND_API void VXDllSmartPasteInit(const unsigned char* src, int* maxX, int* minX, int* maxY, int* minY, int width,
                                     int height) {
  pixmend::InkBox box;
  if (src != nullptr && width > 0 && height > 0) box = pixmend::inkBox(pixmend::ConstBitmapView(src, width, height));
  // An empty buffer reports the starting values: minX = width > maxX = 0, minY = height > maxY = 0.
  if (maxX != nullptr) *maxX = box.empty ? 0 : box.maxX;
  if (minX != nullptr) *minX = box.empty ? width : box.minX;
  if (maxY != nullptr) *maxY = box.empty ? 0 : box.maxY;
  if (minY != nullptr) *minY = box.empty ? height : box.minY;
}

PIXMEND_API void VXDllSmartPaste(unsigned char* dest, const unsigned char* src, int offsetX, int offsetY,
                                 int destWidth, int reserved, int srcWidth, int srcHeight) {
  (void)reserved;
  const pixmend::SelectionState& s = pixmend::selectionState();
  pixmend::exportedPaste(dest, src, static_cast<long long>(s.minX) - offsetX,
                         static_cast<long long>(s.minY) - offsetY, srcWidth, srcHeight, destWidth, RasterOp::Or);
}

}  // extern "C"
