// Opaque, transparent and smart paste and the bounding box of a bitmap's ink.
//
//   combineBits          one row: n bits from any bit offset to any bit offset
//   blit                 a rectangle, clipped against both bitmaps, one row at a time
//   inkBox               the ink's bounding box from a few word scans per row
//   VXDllPaste, VXDllPasteTransparent, VXDllSmartPasteInit, VXDllSmartPaste   the exports
//
// How a row is combined. Destination bit p (counted from the top bit of the run's first byte)
// comes from source bit p + s - d, where d and s are the run's bit offsets in its first
// destination and source bytes. Write s - d = 8 * base + r with r in 0..7: then destination
// byte k is made of the low 8 - r bits of source byte k + base and the top r bits of the byte
// after it, (src[k + base] << r) | (src[k + base + 1] >> (8 - r)), the same shift for every byte
// of the row. Only the first and the last destination byte of the run hold bits that must stay
// (bits before and after the run, padding bits among them): those two are combined under a mask,
// reading no source byte outside the run. Every byte between them is whole, and every source byte
// it needs lies inside the run, so the middle is a plain loop of loads, shifts, combines and
// stores; it runs 32 bytes at a time with AVX2 where the processor has it, 16 with SSE2, and
// 8 (one 64-bit word taken in the bitmap's bit order) elsewhere and on short rows.
#include "bitmap/paste.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PIXMEND_X86 1
#endif

#include "bitmap/selection.hpp"
#include "pixmend/vxdll.h"

namespace pixmend {
namespace {

// The first `count` (< 8) bytes of a word, for the ends of a scan.
inline std::uint64_t loadPartial(const std::uint8_t* p, std::size_t count) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < count; ++i) v |= static_cast<std::uint64_t>(p[i]) << (56 - 8 * i);
  return v;
}

template <RasterOp op, typename T>
inline T apply(T d, T s) {
  if constexpr (op == RasterOp::Copy) {
    (void)d;
    return s;
  } else if constexpr (op == RasterOp::Or) {
    return static_cast<T>(d | s);
  } else {
    return static_cast<T>(d & ~s);
  }
}

// The middle of a row: dst[k] = op(dst[k], (src[k] << r) | (src[k + 1] >> (8 - r))) for k in
// [0, count); src[count] is readable.
//
// Each stage works in blocks (32, 16 or 8 bytes). Rather than leave a short remainder, its last
// block ends exactly at count and overlaps the block before it; the AVX2 stage also aligns its
// stores by letting the second block start on a 32-byte boundary, overlapping the first. Both
// overlaps are harmless because every block's value is op(original dst, source) and the first
// and last blocks are computed from the destination before anything is stored, then stored
// last: an overlapped byte gets the same value twice. (Loading bytes that were just stored by
// a block at another offset would also stall the processor.)
template <RasterOp op>
inline std::uint64_t wordValue(const std::uint8_t* dst, const std::uint8_t* src, unsigned r) {
  const std::uint64_t value = (loadWord(src) << r) | (src[8] >> (8 - r));  // a byte >> 8 is 0: right for r = 0
  return apply<op>(op == RasterOp::Copy ? 0 : loadWord(dst), value);
}

template <RasterOp op>
void middleWords(std::uint8_t* dst, const std::uint8_t* src, unsigned r, std::size_t count) {
  if (count < 8) {
    for (std::size_t k = 0; k < count; ++k) {
      dst[k] = apply<op>(dst[k], static_cast<std::uint8_t>((src[k] << r) | (src[k + 1] >> (8 - r))));
    }
    return;
  }
  const std::uint64_t last = wordValue<op>(dst + count - 8, src + count - 8, r);
  for (std::size_t k = 0; k + 8 <= count; k += 8) storeWord(dst + k, wordValue<op>(dst + k, src + k, r));
  storeWord(dst + count - 8, last);
}

#ifdef PIXMEND_X86
// Bytes cannot be shifted as such: shift 16-bit lanes and drop the bits that crossed into the
// neighbouring byte.
template <RasterOp op>
inline __m128i sse2Value(const std::uint8_t* dst, const std::uint8_t* src, __m128i left, __m128i right,
                         __m128i keepHigh, __m128i keepLow) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 1));
  const __m128i v = _mm_or_si128(_mm_and_si128(_mm_sll_epi16(a, left), keepHigh),
                                 _mm_and_si128(_mm_srl_epi16(b, right), keepLow));
  if constexpr (op == RasterOp::Or) return _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dst)), v);
  if constexpr (op == RasterOp::AndNot) {
    return _mm_andnot_si128(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst)));
  }
  (void)dst;
  return v;
}

template <RasterOp op>
void middleSse2(std::uint8_t* dst, const std::uint8_t* src, unsigned r, std::size_t count) {
  if (count < 16) {
    middleWords<op>(dst, src, r, count);
    return;
  }
  const __m128i left = _mm_cvtsi32_si128(static_cast<int>(r)), right = _mm_cvtsi32_si128(static_cast<int>(8 - r));
  const __m128i keepHigh = _mm_set1_epi8(static_cast<char>((0xFFu << r) & 0xFFu));
  const __m128i keepLow = _mm_set1_epi8(static_cast<char>(0xFFu >> (8 - r)));
  const __m128i last = sse2Value<op>(dst + count - 16, src + count - 16, left, right, keepHigh, keepLow);
  for (std::size_t k = 0; k + 16 <= count; k += 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k),
                     sse2Value<op>(dst + k, src + k, left, right, keepHigh, keepLow));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + count - 16), last);
}

template <RasterOp op>
__attribute__((target("avx2"))) inline __m256i avx2Value(const std::uint8_t* dst, const std::uint8_t* src,
                                                         __m128i left, __m128i right, __m256i keepHigh,
                                                         __m256i keepLow) {
  const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
  const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 1));
  const __m256i v = _mm256_or_si256(_mm256_and_si256(_mm256_sll_epi16(a, left), keepHigh),
                                    _mm256_and_si256(_mm256_srl_epi16(b, right), keepLow));
  if constexpr (op == RasterOp::Or) {
    return _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst)), v);
  }
  if constexpr (op == RasterOp::AndNot) {
    return _mm256_andnot_si256(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst)));
  }
  (void)dst;
  return v;
}

template <RasterOp op>
__attribute__((target("avx2"))) void middleAvx2(std::uint8_t* dst, const std::uint8_t* src, unsigned r,
                                                std::size_t count) {
  if (count < 32) {
    middleSse2<op>(dst, src, r, count);
    return;
  }
  const __m128i left = _mm_cvtsi32_si128(static_cast<int>(r)), right = _mm_cvtsi32_si128(static_cast<int>(8 - r));
  const __m256i keepHigh = _mm256_set1_epi8(static_cast<char>((0xFFu << r) & 0xFFu));
  const __m256i keepLow = _mm256_set1_epi8(static_cast<char>(0xFFu >> (8 - r)));
  const __m256i first = avx2Value<op>(dst, src, left, right, keepHigh, keepLow);
  const __m256i last = avx2Value<op>(dst + count - 32, src + count - 32, left, right, keepHigh, keepLow);
  // Aligned blocks from the first 32-byte boundary after dst on (1..32 bytes in).
  for (std::size_t k = 32 - (reinterpret_cast<std::uintptr_t>(dst) & 31); k + 32 <= count; k += 32) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(dst + k),
                       avx2Value<op>(dst + k, src + k, left, right, keepHigh, keepLow));
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), first);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + count - 32), last);
}
#endif

using Middle = void (*)(std::uint8_t*, const std::uint8_t*, unsigned, std::size_t);

constexpr bool haveSse2() {
#ifdef PIXMEND_X86
  return true;  // every x86-64 processor has it, and the compiler assumes it there
#else
  return false;
#endif
}

bool haveAvx2() {
#ifdef PIXMEND_X86
  static const bool avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return avx2;
#else
  return false;
#endif
}

KernelLevel bestLevel() { return haveAvx2() ? KernelLevel::Avx2 : haveSse2() ? KernelLevel::Sse2 : KernelLevel::Words; }

template <RasterOp op>
Middle middleFor(KernelLevel level) {
#ifdef PIXMEND_X86
  if (level == KernelLevel::Avx2 && haveAvx2()) return middleAvx2<op>;
  if (level != KernelLevel::Words) return middleSse2<op>;
#else
  (void)level;
#endif
  return middleWords<op>;
}

// One row: n >= 1 bits from bit s (0..7) of src[0] onto bit d (0..7) of dst[0].
template <RasterOp op>
void combineRow(std::uint8_t* dst, unsigned d, const std::uint8_t* src, unsigned s, std::size_t n, Middle middle) {
  const std::size_t total = d + n;  // bits of the touched destination bytes up to the run's end
  const std::size_t destBytes = (total + 7) / 8;
  const std::ptrdiff_t srcBytes = static_cast<std::ptrdiff_t>((s + n + 7) / 8);
  const int shift = static_cast<int>(s) - static_cast<int>(d);
  const std::ptrdiff_t base = shift < 0 ? -1 : 0;
  const unsigned r = static_cast<unsigned>(shift - 8 * base);

  // An end byte of the run: source bytes outside the run read as 0 (they only feed bits that
  // the mask keeps from changing).
  auto end = [&](std::size_t k, unsigned mask) {
    const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(k) + base;
    const unsigned a = (i >= 0 && i < srcBytes) ? src[i] : 0u;
    const unsigned b = (i + 1 >= 0 && i + 1 < srcBytes) ? src[i + 1] : 0u;
    const auto value = static_cast<std::uint8_t>((a << r) | (b >> (8 - r)));
    const std::uint8_t old = dst[k];
    dst[k] = static_cast<std::uint8_t>((old & ~mask) | (apply<op>(old, value) & mask));
  };
  const unsigned head = 0xFFu >> d;
  const unsigned tail = (0xFFu << (8 * destBytes - total)) & 0xFFu;
  if (destBytes == 1) {
    end(0, head & tail);
    return;
  }
  end(0, head);
  // Middle byte k needs source bytes k + base and k + base + 1; the last of them is the source
  // byte of the run's last destination byte, so all lie inside the run.
  if (destBytes > 2) middle(dst + 1, src + 1 + base, r, destBytes - 2);
  end(destBytes - 1, tail);
}

template <RasterOp op>
void blitRows(BitmapView dest, long long dx, long long dy, ConstBitmapView src, long long sx, long long sy,
              long long w, long long rows) {
  const Middle middle = middleFor<op>(bestLevel());
  const std::size_t db = static_cast<std::size_t>(dx), sb = static_cast<std::size_t>(sx);
  for (long long j = 0; j < rows; ++j) {
    combineRow<op>(dest.row(static_cast<int>(dy + j)) + db / 8, static_cast<unsigned>(db % 8),
                   src.row(static_cast<int>(sy + j)) + sb / 8, static_cast<unsigned>(sb % 8),
                   static_cast<std::size_t>(w), middle);
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
    const std::uint64_t w = (count == 8 ? loadWord(row + b) : loadPartial(row + b, count)) & keep;
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
    std::uint64_t w = count == 8 ? loadWord(row + b) : loadPartial(row + b, count);
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
  combineBitsAt(bestLevel(), dest, destBit, src, srcBit, n, op);
}

void combineBitsAt(KernelLevel level, std::uint8_t* dest, std::size_t destBit, const std::uint8_t* src,
                   std::size_t srcBit, std::size_t n, RasterOp op) {
  if (n == 0 || dest == nullptr || src == nullptr) return;
  dest += destBit / 8;
  src += srcBit / 8;
  const unsigned d = static_cast<unsigned>(destBit % 8), s = static_cast<unsigned>(srcBit % 8);
  switch (op) {
    case RasterOp::Copy: combineRow<RasterOp::Copy>(dest, d, src, s, n, middleFor<RasterOp::Copy>(level)); break;
    case RasterOp::Or: combineRow<RasterOp::Or>(dest, d, src, s, n, middleFor<RasterOp::Or>(level)); break;
    case RasterOp::AndNot:
      combineRow<RasterOp::AndNot>(dest, d, src, s, n, middleFor<RasterOp::AndNot>(level));
      break;
  }
}

bool kernelLevelAvailable(KernelLevel level) {
  switch (level) {
    case KernelLevel::Words: return true;
    case KernelLevel::Sse2: return haveSse2();
    case KernelLevel::Avx2: return haveAvx2();
  }
  return false;
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
  // The rows the paste may write: a selection still reading them takes its snapshot first.
  const long long top = std::max<long long>(destY, 0);
  rasterChanging(to.row(static_cast<int>(top)), static_cast<std::size_t>(reach - top) * to.stride);
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
