// Geometry the view and design groups share: small matrix helpers over RotMatrix and Transform,
// and the curves of ellipses and arcs (points on them, chords that follow them within a
// tolerance, their exact extremes).
//
// A curve is P(t) = centre + cos t x U + sin t x V for t from `start` through `sweep` (radians;
// negative sweeps run clockwise). U and V are the element's semi-axes as vectors: U = primary
// axis x column 0 of its rotation, V = secondary axis x column 1.
#pragma once

#include <cstddef>
#include <vector>

#include "host/types.h"

namespace pixmend::host::geometry {

// ---- Matrices (row-major; column j of a rotation is an axis) ---------------------------------------
RotMatrix identity();
RotMatrix multiply(const RotMatrix& a, const RotMatrix& b);  // a x b
DPoint3d apply(const RotMatrix& m, const DPoint3d& p);       // m x p
double determinant(const RotMatrix& m);
// False (out untouched) when `m` is singular or not finite.
bool invert(const RotMatrix& m, RotMatrix* out);
DPoint3d column(const RotMatrix& m, int j);
void setColumn(RotMatrix& m, int j, const DPoint3d& v);
// The linear part (columns 0-2) and translation (column 3) of a transform.
RotMatrix linearPart(const Transform& t);
Transform compose(const Transform& a, const Transform& b);  // a after b: a(b(p))
DPoint3d transformPoint(const Transform& t, const DPoint3d& p);
// False when `t` is singular or not finite.
bool invert(const Transform& t, Transform* out);

DPoint3d add(const DPoint3d& a, const DPoint3d& b);
DPoint3d subtract(const DPoint3d& a, const DPoint3d& b);
DPoint3d scaled(const DPoint3d& a, double s);
double dot(const DPoint3d& a, const DPoint3d& b);
DPoint3d cross(const DPoint3d& a, const DPoint3d& b);
double length(const DPoint3d& a);
bool finite(const DPoint3d& a);

// ---- Curves ----------------------------------------------------------------------------------------
struct Curve {
  DPoint3d centre{};
  DPoint3d u{};  // primary semi-axis vector
  DPoint3d v{};  // secondary semi-axis vector
  double start = 0;
  double sweep = 0;
};

DPoint3d pointAt(const Curve& c, double t);

// The most chords a curve is cut into: a tolerance finer than this allows is met as closely as
// it can be.
constexpr int kMaxChords = 4096;

// Appends points of the curve from its start to its end inclusive (a whole ellipse ends where it
// began), each chord between them no further than `tolerance` from the curve.
void strokeCurve(const Curve& c, double tolerance, std::vector<DPoint3d>* out);

// The lowest and highest coordinates the curve reaches (exact: the extremes of each coordinate
// are found where its derivative vanishes, not taken from the box of the axes).
void curveRange(const Curve& c, DPoint3d* low, DPoint3d* high);

// The same curve with perpendicular axes (the principal axes of an ellipse whose U and V were
// made oblique by an affine map); `start` is shifted so every point stays where it was.
// False when the axes collapse (a singular map).
bool principalAxes(const Curve& in, Curve* out);

}  // namespace pixmend::host::geometry
