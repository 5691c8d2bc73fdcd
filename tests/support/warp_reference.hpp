// Plain pixel-loop versions of the affine and perspective warps, written straight from their
// documented algorithms: every output position of the box (or of the output) in turn, the
// double arithmetic exactly as written, one pixel at a time. The engines in transform/ must give
// the same bits.
//
// Where the engines mend the documented loops, these do the same, so that a difference is always
// a fault: the affine warp reads source row v (not v - 1) and drops box positions outside the
// caller's output (instead of letting them run into the padding and the next row); set-ups that
// the engines refuse (non-finite numbers, degenerate quads) are reported as refused.
#pragma once

#include <cstdint>
#include <vector>

namespace pixmend::testsupport {

// ---- Affine ------------------------------------------------------------------------------------

struct AffineSetup {
  bool ok = false;                             // false: refused, box empty
  double a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;  // inverse coefficients
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// Set-up from forward coefficients: box of the truncated corners, then the inverse.
AffineSetup affineSetUp(double a, double b, double c, double d, double e, double f, int width, int height);

// Forward coefficients from three point pairs (rows [x, y, 1, X] / [x, y, 1, Y]), elimination
// without pivoting; the arrays are overwritten.
void affineSolve(double* xSystem, double* ySystem, double out[6]);

// The resampling loop: ORs into `output` (outputWidth x outputHeight, stride ceil(w / 8)) and
// appends every progress percent to `percents` when given.
void affineWarp(const AffineSetup& setup, const std::uint8_t* source, int sourceWidth, int sourceHeight,
                std::uint8_t* output, int outputWidth, int outputHeight, std::vector<int>* percents = nullptr);

// ---- Perspective -------------------------------------------------------------------------------

struct Point {
  double x = 0, y = 0;
};
struct QuadRef {
  Point v00, v10, v11, v01;
};
struct PerspectiveSetup {
  bool ok = false;
  QuadRef pre, post;   // the replaced quads
  double k[11] = {};   // gA, gB, alphaB, betaB, alphaA, betaA, k6 .. k10 (post -> pre)
  int width = 0, height = 0;
};

// The set-up for a source of a x b pixels and the 16 corner ints (v00, v10, v11, v01; each pre x,
// pre y, post x, post y).
PerspectiveSetup perspectiveSetUp(int a, int b, const int* corners);

// The resampling loop into an outputWidth x outputHeight output (pixels failing the range test
// keep their value).
void perspectiveWarp(const PerspectiveSetup& setup, const std::uint8_t* source, int a, int b, std::uint8_t* output,
                     int outputWidth, int outputHeight);

}  // namespace pixmend::testsupport
