// The affine warp engine behind VXDllWarpAffineRotPre, VXDllWarpAffinePre, VXDllGetNewMaxAndMin
// and VXDllWarpAffine, and the one source-copy slot it shares with the perspective warp.
//
// Contents: AffineTransform (x' = a x + b y + c, y' = d x + e y + f), WarpBox (the output box,
// minimum inclusive, maximum exclusive), solveAffinePoints / invertAffine / affineBox (the
// set-up arithmetic), affineResample (the resampling kernel), and the source-copy slot.
//
// The resampling maps every output position (x, y) of the box back into the source with the
// inverse coefficients, u = trunc(a x + b y + c) and v = trunc(d x + e y + f), and copies source
// pixel (u, v) when it lies inside the source. The kernel gives exactly the pixels of that plain
// loop while walking each output row incrementally: see affine.cpp for how.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap/bitmap.hpp"

namespace pixmend {

struct AffineTransform {
  double a = 1, b = 0, c = 0;  // x' = a x + b y + c
  double d = 0, e = 1, f = 0;  // y' = d x + e y + f
  bool finite() const;
};

struct WarpBox {
  int minX = 0, minY = 0, maxX = 0, maxY = 0;  // [minX, maxX) x [minY, maxY)
  int width() const { return maxX - minX; }
  int height() const { return maxY - minY; }
  bool empty() const { return maxX <= minX || maxY <= minY; }
};

// Largest side and area of a warped raster (its box): the host image library's limits on an image
// buffer, which the warped bitmap becomes. A transform whose box is larger, or whose corners are
// not finite, is refused.
inline constexpr int kMaxWarpedSide = 1 << 24;
inline constexpr std::uint64_t kMaxWarpedPixels = std::uint64_t{1} << 32;

// Solves the two 3 x 4 systems (rows [x_i, y_i, 1, X_i] and [x_i, y_i, 1, Y_i], row-major) for
// the forward transform by elimination without pivoting, in place (both arrays are
// overwritten). A zero pivot gives non-finite coefficients, which the caller must test.
AffineTransform solveAffinePoints(double* xSystem, double* ySystem);

// The inverse transform (output position to source position). Not finite when det = 0.
AffineTransform invertAffine(const AffineTransform& forward);

// Box of the four source corners (0, 0), (W, 0), (W, H), (0, H) under `forward`, each corner
// coordinate truncated toward zero. False (box left empty) when a corner is not finite or the
// box exceeds kMaxWarpedSide / kMaxWarpedPixels.
bool affineBox(const AffineTransform& forward, int width, int height, WarpBox& box);

// Progress callback: the host's completion-bar update has this form.
using WarpProgressFunc = void (*)(void* context, const char* message, int percent);

struct WarpProgress {
  WarpProgressFunc func = nullptr;
  void* context = nullptr;
  const char* message = nullptr;
};

// Resamples `source` into `output` through `inverse` over `box`: for every box position (x, y)
// that falls inside the output (column x - minX < output.width, row y - minY < output.height),
// source pixel (trunc(a x + b y + c), trunc(d x + e y + f)) is ORed into output pixel
// (x - minX, y - minY) when it lies inside the source. Output padding bits are never touched.
// After each box row, percent = row * 100 / output.height is reported when it is a multiple of
// 5 and at most 100; 100 is reported at the end. Only the first `writableRows` rows of the
// output are written (the percents still count output.height). Allocates nothing.
void affineResample(ConstBitmapView source, const AffineTransform& inverse, const WarpBox& box,
                    BitmapView output, const WarpProgress& progress, int writableRows = 1 << 30);

// ---- The source-copy slot --------------------------------------------------------------------
// One process-wide slot holds the private copy of the source between a set-up and its warp, for
// the affine and the perspective warp alike: a new set-up of either kind releases what the slot
// held, so at most one warp is pending, and a warp only uses a copy that its own kind made.

enum class WarpKind { None, Affine, Perspective };

// Releases the slot, then copies a width x height source (of which `sourceSize` bytes are
// readable; rows beyond them read as background) into it for `kind`. Null (slot empty) when the
// size is not positive, beyond the limits, or the memory cannot be had.
const std::uint8_t* holdSourceCopy(WarpKind kind, const std::uint8_t* source, int width, int height,
                                   long long sourceSize);
// Like holdSourceCopy, but a source whose every byte is readable (`sourceSize` covers it) is read
// in place until it is about to change (rasterChanging, bitmap/selection.hpp), and copied only
// then. False when the set-up cannot hold it.
bool holdSource(WarpKind kind, const std::uint8_t* source, int width, int height, long long sourceSize);
// The pending source of `kind` as a view (empty when there is none or the slot holds the other kind).
ConstBitmapView heldSourceCopy(WarpKind kind);
// Frees the slot.
void releaseSourceCopy();

// Test hook: the next source copy cannot be had, once.
void failNextSourceCopy();

}  // namespace pixmend
