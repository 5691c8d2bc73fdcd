// The perspective warp behind VXDllWarpPerspectivePre and VXDllWarpPerspective: a projective
// mapping between two quadrilaterals expressed in triangle (barycentric) coordinates.
//
// Contents: Quad, PerspectiveCoefficients and perspectiveCoefficients (the eleven numbers of a
// quad pair), mapTriangle (triangle coordinates of one quad to a point of the other), and
// perspectiveResample (the resampling kernel). The set-up and its state live in perspective.cpp.
#pragma once

#include "bitmap/bitmap.hpp"

namespace pixmend {

struct QuadPoint {
  double x = 0, y = 0;
};

// v00 and v11 are opposite corners, v10 and v01 the other two.
struct Quad {
  QuadPoint v00, v10, v11, v01;
};

struct PerspectiveCoefficients {
  double gA = 0, gB = 0, alphaB = 0, betaB = 0, alphaA = 0, betaA = 0;
  double k6 = 0, k7 = 0, k8 = 0, k9 = 0, k10 = 0;
};

// Coefficients of the pair (A, B); false when a quad's opposite corners are closer than 0.00001
// (the record is then partly written and must not be used).
bool perspectiveCoefficients(const Quad& a, const Quad& b, PerspectiveCoefficients& k);

// Triangle coordinates (s, t) of quad A mapped to the point of quad B: with D = s k9 + t k10 + k8,
// sigma = s k6 / D and tau = t k7 / D, the point (1 - sigma - tau) B.v00 + sigma B.v10 + tau B.v01.
QuadPoint mapTriangle(const PerspectiveCoefficients& k, const Quad& b, double s, double t);

// What the resampling needs from the set-up: the coefficients from the output quad to the
// source rectangle (pre-quad (0, 0), (a - 1, 0), (a - 1, b - 1), (0, b - 1)) and the x of the
// output quad's v01 corner.
struct PerspectiveMapping {
  PerspectiveCoefficients k;
  double postV01x = 0;
};

// For every output row i (filled from the bottom: i = 0 is the last row) and column j:
// t = i / (n - 1), s = (j - postV01x t) / (c - 1), mapped to the source rectangle; a position
// P with 1 <= P.x < a - 1 and 1 <= P.y < b - 1 gets source pixel (floor P.x, floor P.y), set or
// clear; the other output pixels keep their value. Allocates nothing.
void perspectiveResample(ConstBitmapView source, const PerspectiveMapping& mapping, BitmapView output);

}  // namespace pixmend
