// The affine warp engine: set-up from coefficients or from three point pairs, the output box,
// the resampling kernel, the exported VXDll functions, and the source-copy slot shared with the
// perspective warp.
//
// How the kernel stays exact and fast. The plain loop computes, for every output pixel,
// u = trunc(a x + b y + c) and v = trunc(d x + e y + f) in doubles and tests both against the
// source. Along one output row (y fixed) each of these values is a monotone function of x,
// rounding included, so the columns whose source position is inside the source form one span,
// found exactly by binary search on the same double expressions; no pixel inside the span needs
// a range test. Inside the span u and v advance by constant steps in 32.32 fixed point,
// re-anchored from the exact double value at the start of every 64-pixel output word. The fixed
// value stays within 2^-16 of the double one, so its integer part is the double's whenever it
// is not that close to a whole number; the rare positions that are (about one in 30000) are
// computed in doubles exactly as the plain loop does. Coefficients with few fraction bits
// (scalings by powers of two, whole-pixel shifts, quarter turns) make every double operation
// exact, and the fixed point then needs no margin at all. Rows whose magnitudes are too large
// for the bound to hold fall back to the plain per-pixel computation. 64 output bits are
// gathered into a word before they are ORed into the row.
#include "transform/affine.hpp"

#include "bitmap/selection.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "include/pixmend/vxdll.h"

namespace pixmend {

namespace {

// ---- The source-copy slot --------------------------------------------------------------------

struct FreeDeleter {
  void operator()(std::uint8_t* p) const { std::free(p); }
};

// The pending warp's source: the caller's bitmap itself (`borrowed`) while it is whole and
// unchanged, else a private copy (`bytes`).
struct SourceSlot {
  WarpKind kind = WarpKind::None;
  std::unique_ptr<std::uint8_t, FreeDeleter> bytes;
  const std::uint8_t* borrowed = nullptr;
  int width = 0;
  int height = 0;
};

SourceSlot& slot() {
  static SourceSlot s;
  return s;
}

bool g_failNextCopy = false;

// ---- Resampling ------------------------------------------------------------------------------

constexpr double kFixOne = 4294967296.0;                // 2^32: 32 fraction bits
constexpr std::int64_t kMargin = std::int64_t{1} << 16;  // 2^-16, the fixed point's error bound
constexpr std::int64_t kNearMask = 0xFFFE0000;           // fraction bits at and above 2 * margin
constexpr double kFastBound = 1073741824.0;              // 2^30: magnitudes the bound holds for
constexpr double kExactBound = 1048576.0;                // 2^20: 32 fraction bits stay exact below it

// One coordinate of the inverse along an output row: value(x) = a x + p + c with p = b y, which
// is the plain loop's a x + b y + c evaluated in the same order.
struct RowMap {
  double a, p, c;
  double value(double x) const { return a * x + p + c; }
};

// First k in [lo, hi) where pred(k) holds, for a predicate that is false and then true; hi when
// it never holds.
template <typename Pred>
int firstTrue(int lo, int hi, Pred pred) {
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (pred(mid))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

// The columns k in [0, cols) of a row where -1 < value(minX + k) < limit, that is where the
// truncated value lies in [0, limit). value is monotone in k, so they form one span.
void spanOf(const RowMap& m, double minX, int cols, double limit, int& lo, int& hi) {
  auto at = [&](int k) { return m.value(minX + k); };
  if (m.a > 0) {
    lo = firstTrue(0, cols, [&](int k) { return at(k) > -1.0; });
    hi = firstTrue(lo, cols, [&](int k) { return !(at(k) < limit); });
  } else if (m.a < 0) {
    lo = firstTrue(0, cols, [&](int k) { return at(k) < limit; });
    hi = firstTrue(lo, cols, [&](int k) { return !(at(k) > -1.0); });
  } else {
    const double r = at(0);
    lo = 0;
    hi = (r > -1.0 && r < limit) ? cols : 0;
  }
}

// ORs the bits of `word` (bit 63 = column `firstColumn`, a multiple of 64) into the row,
// touching only the row's own bytes.
inline void orWord(std::uint8_t* row, std::size_t stride, int firstColumn, std::uint64_t word) {
  const std::size_t offset = static_cast<std::size_t>(firstColumn) / 8;
  std::uint8_t* p = row + offset;
  if (offset + 8 <= stride) {
    storeWord(p, loadWord(p) | word);
    return;
  }
  for (std::size_t i = 0; offset + i < stride; ++i) p[i] |= static_cast<std::uint8_t>(word >> (56 - 8 * i));
}

inline bool sourceBit(const ConstBitmapView& s, std::int64_t u, std::int64_t v) {
  return ((s.data[static_cast<std::size_t>(v) * s.stride + static_cast<std::size_t>(u >> 3)] >> (7 - (u & 7))) & 1) != 0;
}

// The plain per-pixel computation, for rows whose magnitudes are too large for the fixed point.
void resampleRowPlain(const ConstBitmapView& src, const RowMap& mu, const RowMap& mv, double minX, int cols,
                      std::uint8_t* out) {
  const double w = src.width, h = src.height;
  for (int k = 0; k < cols; ++k) {
    const double ru = mu.value(minX + k), rv = mv.value(minX + k);
    if (!(ru > -1.0 && ru < w && rv > -1.0 && rv < h)) continue;
    if (sourceBit(src, static_cast<std::int64_t>(ru), static_cast<std::int64_t>(rv)))
      out[k >> 3] |= pixelMask(k);
  }
}

void resampleRow(const ConstBitmapView& src, const AffineTransform& t, int minX, int y, int cols, std::uint8_t* out,
                 std::size_t outStride) {
  const double yd = y, x0 = minX;
  const RowMap mu{t.a, t.b * yd, t.c}, mv{t.d, t.e * yd, t.f};
  const double xFar = std::max(std::fabs(x0), std::fabs(x0 + cols - 1));
  auto bound = [&](const RowMap& m) { return std::fabs(m.a) * xFar + std::fabs(m.p) + std::fabs(m.c); };
  // Both bounds also keep every intermediate value finite, so the span search sees no NaN.
  if (!(bound(mu) < kFastBound && bound(mv) < kFastBound && std::fabs(t.a) < kFastBound &&
        std::fabs(t.d) < kFastBound)) {
    resampleRowPlain(src, mu, mv, x0, cols, out);
    return;
  }
  int uLo = 0, uHi = 0, vLo = 0, vHi = 0;
  spanOf(mu, x0, cols, src.width, uLo, uHi);
  spanOf(mv, x0, cols, src.height, vLo, vHi);
  const int k0 = std::max(uLo, vLo), k1 = std::min(uHi, vHi);
  if (k0 >= k1) return;

  const std::int64_t du = std::llrint(t.a * kFixOne), dv = std::llrint(t.d * kFixOne);
  // Coefficients with at most 32 fraction bits and small magnitudes (scalings by powers of two,
  // whole-pixel shifts, quarter turns) make every double operation of the plain loop exact, and
  // the fixed point then carries the very same values: no margin, no position to recompute.
  auto dyadic = [](double v) { return std::fabs(v) < kExactBound && v * kFixOne == std::trunc(v * kFixOne); };
  const bool exact = bound(mu) < kExactBound && bound(mv) < kExactBound && dyadic(mu.a) && dyadic(mu.p) &&
                     dyadic(mu.c) && dyadic(mv.a) && dyadic(mv.p) && dyadic(mv.c);
  const std::int64_t margin = exact ? 0 : kMargin;
  for (int w0 = k0 & ~63; w0 < k1; w0 += 64) {
    const int ks = std::max(k0, w0), ke = std::min(k1, w0 + 64);
    // Anchor at the word's first column from the exact double values (inside the span, so
    // they are small and the scaled values fit easily).
    std::int64_t ub = std::llrint(mu.value(x0 + ks) * kFixOne) + margin;
    std::int64_t vb = std::llrint(mv.value(x0 + ks) * kFixOne) + margin;
    std::uint64_t acc = 0;
    if (exact && dv == 0) {
      // Rows map to rows (scalings, shifts, mirrors): one source row for the whole word.
      const std::uint8_t* srcRow = src.row(static_cast<int>(std::max<std::int64_t>(vb >> 32, 0)));
      for (int k = ks; k < ke; ++k) {
        const std::int64_t iu = std::max<std::int64_t>(ub >> 32, 0);
        acc = (acc << 1) | ((srcRow[iu >> 3] >> (7 - (iu & 7))) & 1u);
        ub += du;
      }
    } else if (exact) {
      for (int k = ks; k < ke; ++k) {
        // floor of a value in (-1, limit); a value in (-1, 0) truncates to 0.
        const std::int64_t iu = std::max<std::int64_t>(ub >> 32, 0), iv = std::max<std::int64_t>(vb >> 32, 0);
        acc = (acc << 1) | static_cast<std::uint64_t>(sourceBit(src, iu, iv));
        ub += du;
        vb += dv;
      }
    } else if (ub >= 0 && vb >= 0 && ub + du * (ke - 1 - ks) >= 0 && vb + dv * (ke - 1 - ks) >= 0) {
      // Both coordinates stay at or above 0 across the word (they are monotone): no value in
      // (-1, 0) to hold at 0, so the stepped values index the source as they are.
      const std::uint8_t* const data = src.data;
      const std::size_t stride = src.stride;
      for (int k = ks; k < ke; ++k) {
        std::uint64_t bit;
        if (((ub & kNearMask) == 0) | ((vb & kNearMask) == 0)) {
          const auto iu = static_cast<std::int64_t>(mu.value(x0 + k));
          const auto iv = static_cast<std::int64_t>(mv.value(x0 + k));
          bit = static_cast<std::uint64_t>(sourceBit(src, iu, iv));
        } else {
          const auto iu = static_cast<std::uint64_t>(ub >> 32), iv = static_cast<std::uint64_t>(vb >> 32);
          bit = (data[iv * stride + (iu >> 3)] >> (7 - (iu & 7))) & 1u;
        }
        acc = (acc << 1) | bit;
        ub += du;
        vb += dv;
      }
    } else {
      for (int k = ks; k < ke; ++k) {
        std::int64_t iu, iv;
        if (((ub & kNearMask) == 0) | ((vb & kNearMask) == 0)) {
          // Within the margin of a whole number: the fixed point cannot decide, the doubles do.
          iu = static_cast<std::int64_t>(mu.value(x0 + k));
          iv = static_cast<std::int64_t>(mv.value(x0 + k));
        } else {
          iu = std::max<std::int64_t>(ub >> 32, 0);
          iv = std::max<std::int64_t>(vb >> 32, 0);
        }
        acc = (acc << 1) | static_cast<std::uint64_t>(sourceBit(src, iu, iv));
        ub += du;
        vb += dv;
      }
    }
    orWord(out, outStride, w0, acc << (w0 + 64 - ke));
  }
}

void report(const WarpProgress& progress, int percent) {
  if (progress.func != nullptr) progress.func(progress.context, progress.message, percent);
}

}  // namespace

// ---- Set-up arithmetic ---------------------------------------------------------------------------

bool AffineTransform::finite() const {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) && std::isfinite(e) &&
         std::isfinite(f);
}

namespace {

// Elimination without pivoting on one 3 x 4 system, in place; returns (s0, s1, s2).
void solveSystem(double* m, double s[3]) {
  auto at = [m](int r, int k) -> double& { return m[r * 4 + k]; };
  for (int i = 0; i < 2; ++i)
    for (int r = i + 1; r < 3; ++r)
      for (int k = i + 1; k < 4; ++k) at(r, k) = at(r, k) - (at(i, k) / at(i, i)) * at(r, i);
  s[2] = at(2, 3) / at(2, 2);
  s[1] = (at(1, 3) - s[2] * at(1, 2)) / at(1, 1);
  s[0] = (at(0, 3) - (s[1] * at(0, 1) + s[2] * at(0, 2))) / at(0, 0);
}

}  // namespace

AffineTransform solveAffinePoints(double* xSystem, double* ySystem) {
  double sx[3], sy[3];
  solveSystem(xSystem, sx);
  solveSystem(ySystem, sy);
  AffineTransform t;
  t.a = sx[0];
  t.b = sx[1];
  t.c = sx[2];
  t.d = sy[0];
  t.e = sy[1];
  t.f = sy[2];
  return t;
}

AffineTransform invertAffine(const AffineTransform& t) {
  const double det = t.a * t.e - t.b * t.d;
  const double q = 1 / det;
  AffineTransform i;
  i.a = t.e * q;
  i.b = -t.b * q;
  i.c = (t.f * t.b - t.e * t.c) * q;
  i.d = -t.d * q;
  i.e = t.a * q;
  i.f = (t.d * t.c - t.f * t.a) * q;
  return i;
}

bool affineBox(const AffineTransform& t, int width, int height, WarpBox& box) {
  box = WarpBox{};
  const double w = width, h = height;
  const double xs[4] = {t.c, t.a * w + t.c, t.b * h + t.a * w + t.c, t.b * h + t.c};
  const double ys[4] = {t.f, t.d * w + t.f, t.e * h + t.d * w + t.f, t.e * h + t.f};
  long long minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int i = 0; i < 4; ++i) {
    // Only values that truncate to an int are usable; the limits below are far inside that.
    if (!(std::fabs(xs[i]) < 2147483648.0 && std::fabs(ys[i]) < 2147483648.0)) return false;
    const long long x = static_cast<int>(xs[i]), y = static_cast<int>(ys[i]);
    minX = i == 0 ? x : std::min(minX, x);
    maxX = i == 0 ? x : std::max(maxX, x);
    minY = i == 0 ? y : std::min(minY, y);
    maxY = i == 0 ? y : std::max(maxY, y);
  }
  const long long bw = maxX - minX, bh = maxY - minY;
  if (bw > kMaxWarpedSide || bh > kMaxWarpedSide || static_cast<std::uint64_t>(bw * bh) > kMaxWarpedPixels) return false;
  box.minX = static_cast<int>(minX);
  box.maxX = static_cast<int>(maxX);
  box.minY = static_cast<int>(minY);
  box.maxY = static_cast<int>(maxY);
  return true;
}

namespace {

// Output columns per band. An output row reads the source along a slanted line: with v moving by
// d per column, a row of n columns touches n |d| source rows, and the next output row touches
// nearly the same ones. Taken band by band, the source lines of one band's rows stay in the
// processor's cache from one output row to the next; a whole row of a turned A0 sheet touches
// some 10000 source rows, more than the cache holds. A band reaches about kBandSourceRows source
// rows, and is a whole number of 64-column words so that each output word is made exactly as in
// a whole row.
constexpr double kBandSourceRows = 512;
constexpr int kMinBand = 1024;
constexpr int kRowsPerBandPass = 256;

int bandColumns(const AffineTransform& t, int cols) {
  const double step = std::fabs(t.d);
  if (!(step * cols > kBandSourceRows)) return cols;
  const double band = kBandSourceRows / step;
  const int columns = band < kMinBand ? kMinBand : static_cast<int>(std::min<double>(band, cols));
  return (columns + 63) & ~63;
}

}  // namespace

void affineResample(ConstBitmapView source, const AffineTransform& inverse, const WarpBox& box, BitmapView output,
                    const WarpProgress& progress, int writableRows) {
  if (!box.empty() && !source.empty() && output.data != nullptr && output.width > 0 && output.height > 0) {
    const int rows = std::min({box.height(), output.height, std::max(writableRows, 0)});
    const int cols = std::min(box.width(), output.width);
    const int band = bandColumns(inverse, cols);
    const long long boxRows = box.height();
    // Rows go in passes of kRowsPerBandPass (for the progress report); each pass goes band by
    // band, each band row by row. Every output word is made by one band, from the same values.
    for (long long r0 = 0; r0 < boxRows; r0 += kRowsPerBandPass) {
      const long long r1 = std::min<long long>(boxRows, r0 + kRowsPerBandPass);
      const long long last = std::min<long long>(r1, rows);
      for (int c0 = 0; c0 < cols; c0 += band) {
        const int width = std::min(band, cols - c0);
        const std::size_t skip = static_cast<std::size_t>(c0) / 8;
        for (long long r = r0; r < last; ++r)
          resampleRow(source, inverse, box.minX + c0, box.minY + static_cast<int>(r), width,
                      output.row(static_cast<int>(r)) + skip, output.stride - skip);
      }
      bool beyond = false;
      for (long long r = r0; r < r1; ++r) {
        const long long percent = r * 100 / output.height;
        if (percent > 100) {
          beyond = true;  // the rest of the box lies below the output and reports nothing
          break;
        }
        if (percent % 5 == 0) report(progress, static_cast<int>(percent));
      }
      if (beyond) break;
    }
  }
  report(progress, 100);
}

// ---- The source-copy slot --------------------------------------------------------------------------

namespace {

// The borrowed source is about to change or be freed: the copy is taken now, or, when it cannot
// be had, the warp is given up (it then writes nothing, as after a refused set-up).
void sourceChanging(const void* block, std::size_t bytes) {
  SourceSlot& s = slot();
  if (s.borrowed == nullptr || block == nullptr) return;
  const auto from = reinterpret_cast<std::uintptr_t>(block);
  const auto begin = reinterpret_cast<std::uintptr_t>(s.borrowed);
  const std::uintptr_t end = begin + bitmapBytes(s.width, s.height);
  if (bytes == 0 ? !(from >= begin && from < end) : !(from < end && from + bytes > begin)) return;
  const std::size_t size = bitmapBytes(s.width, s.height);
  std::unique_ptr<std::uint8_t, FreeDeleter> copy(static_cast<std::uint8_t*>(std::malloc(size)));
  if (!copy) {
    releaseSourceCopy();
    return;
  }
  std::memcpy(copy.get(), s.borrowed, size);
  s.bytes = std::move(copy);
  s.borrowed = nullptr;
}

}  // namespace

const std::uint8_t* holdSourceCopy(WarpKind kind, const std::uint8_t* source, int width, int height,
                                   long long sourceSize) {
  releaseSourceCopy();
  if (g_failNextCopy) {
    g_failNextCopy = false;
    return nullptr;
  }
  if (source == nullptr || width <= 0 || height <= 0 || width > kMaxWarpedSide || height > kMaxWarpedSide ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxWarpedPixels)
    return nullptr;
  const std::size_t bytes = bitmapBytes(width, height);
  std::unique_ptr<std::uint8_t, FreeDeleter> copy(static_cast<std::uint8_t*>(std::calloc(bytes, 1)));
  if (!copy) return nullptr;
  const std::size_t readable = sourceSize > 0 ? static_cast<std::size_t>(sourceSize) : 0;
  std::memcpy(copy.get(), source, std::min(bytes, readable));
  SourceSlot& s = slot();
  s.bytes = std::move(copy);
  s.kind = kind;
  s.width = width;
  s.height = height;
  return s.bytes.get();
}

bool holdSource(WarpKind kind, const std::uint8_t* source, int width, int height, long long sourceSize) {
  const std::size_t bytes = bitmapBytes(width, height);
  if (g_failNextCopy || source == nullptr || width <= 0 || height <= 0 || width > kMaxWarpedSide ||
      height > kMaxWarpedSide ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxWarpedPixels ||
      sourceSize < 0 || static_cast<std::size_t>(sourceSize) < bytes)
    return holdSourceCopy(kind, source, width, height, sourceSize) != nullptr;
  releaseSourceCopy();
  addRasterChangeObserver(sourceChanging);
  SourceSlot& s = slot();
  s.borrowed = source;
  s.kind = kind;
  s.width = width;
  s.height = height;
  return true;
}

ConstBitmapView heldSourceCopy(WarpKind kind) {
  const SourceSlot& s = slot();
  if (s.kind != kind) return {};
  if (s.bytes) return {s.bytes.get(), s.width, s.height};
  if (s.borrowed != nullptr) return {s.borrowed, s.width, s.height};
  return {};
}

void releaseSourceCopy() {
  SourceSlot& s = slot();
  s.bytes.reset();
  s.borrowed = nullptr;
  s.kind = WarpKind::None;
  s.width = s.height = 0;
}

void failNextSourceCopy() { g_failNextCopy = true; }

}  // namespace pixmend

// ---- The exported functions -------------------------------------------------------------------------

namespace {

using pixmend::AffineTransform;
using pixmend::WarpBox;

// The one pending affine warp: inverse coefficients, box and source size of the last set-up.
struct AffineWarpState {
  AffineTransform inverse;
  WarpBox box;
  int sourceWidth = 0;
  int sourceHeight = 0;
};

AffineWarpState g_affine;

// Fixes the warp for `forward`. A refused set-up (no source, a size that is not positive or too
// large, non-finite coefficients or inverse, a box beyond the limits, no memory for the copy)
// leaves the box empty and holds no copy, so the warp writes nothing and frees nothing.
void setUpAffine(const unsigned char* source, int width, int height, long long sourceSize,
                 const AffineTransform& forward) {
  pixmend::releaseSourceCopy();
  g_affine = AffineWarpState{};
  if (source == nullptr || width <= 0 || height <= 0 || !forward.finite()) return;
  const AffineTransform inverse = pixmend::invertAffine(forward);
  if (!inverse.finite()) return;
  WarpBox box;
  if (!pixmend::affineBox(forward, width, height, box)) return;
  if (!pixmend::holdSource(pixmend::WarpKind::Affine, source, width, height, sourceSize)) return;
  g_affine.inverse = inverse;
  g_affine.box = box;
  g_affine.sourceWidth = width;
  g_affine.sourceHeight = height;
}

}  // namespace

extern "C" {

PIXMEND_API void VXDllWarpAffineRotPre(const unsigned char* source, double a, double d, double b, double e, double c,
                                       double f, int sourceWidth, int sourceHeight, int outputWidth, int outputHeight,
                                       int sourceSize) {
  (void)outputWidth;  // the caller's own size; the box comes from the transform
  (void)outputHeight;
  AffineTransform forward;
  forward.a = a;
  forward.b = b;
  forward.c = c;
  forward.d = d;
  forward.e = e;
  forward.f = f;
  setUpAffine(source, sourceWidth, sourceHeight, sourceSize, forward);
}

PIXMEND_API void VXDllWarpAffinePre(const unsigned char* source, int sourceWidth, int sourceHeight,
                                    int* outputWidthOut, int* outputHeightOut, double* xSystem, double* ySystem,
                                    int sourceSize) {
  if (xSystem != nullptr && ySystem != nullptr) {
    setUpAffine(source, sourceWidth, sourceHeight, sourceSize, pixmend::solveAffinePoints(xSystem, ySystem));
  } else {
    pixmend::releaseSourceCopy();
    g_affine = AffineWarpState{};
  }
  if (outputWidthOut != nullptr) *outputWidthOut = g_affine.box.width();
  if (outputHeightOut != nullptr) *outputHeightOut = g_affine.box.height();
}

PIXMEND_API void VXDllGetNewMaxAndMin(int* minX, int* minY, int* maxX, int* maxY) {
  if (minX != nullptr) *minX = g_affine.box.minX;
  if (minY != nullptr) *minY = g_affine.box.minY;
  if (maxX != nullptr) *maxX = g_affine.box.maxX;
  if (maxY != nullptr) *maxY = g_affine.box.maxY;
}

PIXMEND_API void VXDllWarpAffine(unsigned char* output, int sourceWidth, int sourceHeight, int outputWidth,
                                 int outputHeight, int outputSize, void (*progress)(void*, const char*, int),
                                 void* progressContext, const char* progressMessage) {
  const pixmend::WarpProgress report{progress, progressContext, progressMessage};
  // The output is about to be written: a source read in place there is copied first.
  if (output != nullptr && outputWidth > 0 && outputHeight > 0)
    pixmend::rasterChanging(output, pixmend::bitmapBytes(outputWidth, outputHeight));
  const pixmend::ConstBitmapView source = pixmend::heldSourceCopy(pixmend::WarpKind::Affine);
  if (source.empty() || output == nullptr || sourceWidth != g_affine.sourceWidth ||
      sourceHeight != g_affine.sourceHeight || outputWidth <= 0 || outputHeight <= 0) {
    pixmend::affineResample({}, g_affine.inverse, WarpBox{}, {}, report);
  } else {
    const pixmend::BitmapView out(output, outputWidth, outputHeight);
    // A byte size that the caller gives and that is too small for its own height keeps the
    // writes inside the buffer: only the whole rows it holds are written.
    int rows = outputHeight;
    if (outputSize > 0 && static_cast<std::size_t>(outputSize) < out.bytes())
      rows = static_cast<int>(static_cast<std::size_t>(outputSize) / out.stride);
    pixmend::affineResample(source, g_affine.inverse, g_affine.box, out, report, rows);
  }
  if (!pixmend::heldSourceCopy(pixmend::WarpKind::Affine).empty()) pixmend::releaseSourceCopy();
}

}  // extern "C"
