// Matrices and the curves of ellipses and arcs (geometry.hpp).
#include "host/view/geometry.hpp"

#include <algorithm>
#include <cmath>

namespace pixmend::host::geometry {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;

double component(const DPoint3d& p, int k) {
  return k == 0 ? p.x : k == 1 ? p.y : p.z;
}

void setComponent(DPoint3d& p, int k, double value) {
  (k == 0 ? p.x : k == 1 ? p.y : p.z) = value;
}

// Whether the parameter t lies on the curve's sweep.
bool onSweep(const Curve& c, double t) {
  if (std::fabs(c.sweep) >= kTwoPi) return true;
  double d = std::fmod(c.sweep >= 0 ? t - c.start : c.start - t, kTwoPi);
  if (d < 0) d += kTwoPi;
  return d <= std::fabs(c.sweep);
}

}  // namespace

RotMatrix identity() {
  return RotMatrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

RotMatrix multiply(const RotMatrix& a, const RotMatrix& b) {
  RotMatrix out{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      out.form3d[i][j] =
          a.form3d[i][0] * b.form3d[0][j] + a.form3d[i][1] * b.form3d[1][j] + a.form3d[i][2] * b.form3d[2][j];
  return out;
}

DPoint3d apply(const RotMatrix& m, const DPoint3d& p) {
  const auto& f = m.form3d;
  return {f[0][0] * p.x + f[0][1] * p.y + f[0][2] * p.z, f[1][0] * p.x + f[1][1] * p.y + f[1][2] * p.z,
          f[2][0] * p.x + f[2][1] * p.y + f[2][2] * p.z};
}

double determinant(const RotMatrix& m) {
  const auto& f = m.form3d;
  return f[0][0] * (f[1][1] * f[2][2] - f[1][2] * f[2][1]) -
         f[0][1] * (f[1][0] * f[2][2] - f[1][2] * f[2][0]) +
         f[0][2] * (f[1][0] * f[2][1] - f[1][1] * f[2][0]);
}

bool invert(const RotMatrix& m, RotMatrix* out) {
  const auto& f = m.form3d;
  const double det = determinant(m);
  double largest = 0;
  for (const auto& row : f)
    for (double v : row) largest = std::max(largest, std::fabs(v));
  // Singular relative to the matrix's own size (a matrix of tiny entries may still be regular).
  if (!std::isfinite(det) || !(largest > 0) || std::fabs(det) <= 1e-14 * largest * largest * largest)
    return false;
  RotMatrix r{};
  r.form3d[0][0] = (f[1][1] * f[2][2] - f[1][2] * f[2][1]) / det;
  r.form3d[0][1] = (f[0][2] * f[2][1] - f[0][1] * f[2][2]) / det;
  r.form3d[0][2] = (f[0][1] * f[1][2] - f[0][2] * f[1][1]) / det;
  r.form3d[1][0] = (f[1][2] * f[2][0] - f[1][0] * f[2][2]) / det;
  r.form3d[1][1] = (f[0][0] * f[2][2] - f[0][2] * f[2][0]) / det;
  r.form3d[1][2] = (f[0][2] * f[1][0] - f[0][0] * f[1][2]) / det;
  r.form3d[2][0] = (f[1][0] * f[2][1] - f[1][1] * f[2][0]) / det;
  r.form3d[2][1] = (f[0][1] * f[2][0] - f[0][0] * f[2][1]) / det;
  r.form3d[2][2] = (f[0][0] * f[1][1] - f[0][1] * f[1][0]) / det;
  *out = r;
  return true;
}

DPoint3d column(const RotMatrix& m, int j) {
  return {m.form3d[0][j], m.form3d[1][j], m.form3d[2][j]};
}

void setColumn(RotMatrix& m, int j, const DPoint3d& v) {
  m.form3d[0][j] = v.x, m.form3d[1][j] = v.y, m.form3d[2][j] = v.z;
}

RotMatrix linearPart(const Transform& t) {
  RotMatrix m{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m.form3d[i][j] = t.form3d[i][j];
  return m;
}

Transform compose(const Transform& a, const Transform& b) {
  const RotMatrix m = multiply(linearPart(a), linearPart(b));
  const DPoint3d move = transformPoint(a, {b.form3d[0][3], b.form3d[1][3], b.form3d[2][3]});
  Transform out{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out.form3d[i][j] = m.form3d[i][j];
  out.form3d[0][3] = move.x, out.form3d[1][3] = move.y, out.form3d[2][3] = move.z;
  return out;
}

DPoint3d transformPoint(const Transform& t, const DPoint3d& p) {
  const auto& f = t.form3d;
  return {f[0][0] * p.x + f[0][1] * p.y + f[0][2] * p.z + f[0][3],
          f[1][0] * p.x + f[1][1] * p.y + f[1][2] * p.z + f[1][3],
          f[2][0] * p.x + f[2][1] * p.y + f[2][2] * p.z + f[2][3]};
}

bool invert(const Transform& t, Transform* out) {
  RotMatrix inverse;
  if (!invert(linearPart(t), &inverse)) return false;
  const DPoint3d move = apply(inverse, {-t.form3d[0][3], -t.form3d[1][3], -t.form3d[2][3]});
  if (!finite(move)) return false;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out->form3d[i][j] = inverse.form3d[i][j];
  out->form3d[0][3] = move.x, out->form3d[1][3] = move.y, out->form3d[2][3] = move.z;
  return true;
}

DPoint3d add(const DPoint3d& a, const DPoint3d& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
DPoint3d subtract(const DPoint3d& a, const DPoint3d& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
DPoint3d scaled(const DPoint3d& a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
double dot(const DPoint3d& a, const DPoint3d& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
DPoint3d cross(const DPoint3d& a, const DPoint3d& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(const DPoint3d& a) {
  return std::sqrt(dot(a, a));
}
bool finite(const DPoint3d& a) {
  return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

DPoint3d pointAt(const Curve& c, double t) {
  return add(c.centre, add(scaled(c.u, std::cos(t)), scaled(c.v, std::sin(t))));
}

void strokeCurve(const Curve& c, double tolerance, std::vector<DPoint3d>* out) {
  // The curve is a circle of radius 1 under the linear map [U V]: a chord of the circle over a
  // step dt lies within 1 - cos(dt / 2) of it, and the map stretches no distance by more than
  // its largest singular value.
  const double g11 = dot(c.u, c.u), g22 = dot(c.v, c.v), g12 = dot(c.u, c.v);
  const double stretch = std::sqrt((g11 + g22) / 2 + std::hypot((g11 - g22) / 2, g12));
  double step = kPi / 2;  // never coarser than four chords a turn
  if (tolerance < stretch) step = std::min(step, 2 * std::acos(1 - tolerance / stretch));
  const double sweep = std::max(-kTwoPi, std::min(kTwoPi, c.sweep));
  const double wanted = std::ceil(std::fabs(sweep) / step);
  const int chords = static_cast<int>(std::max(1.0, std::min(wanted, static_cast<double>(kMaxChords))));
  const DPoint3d first = pointAt(c, c.start);
  out->push_back(first);
  for (int i = 1; i < chords; ++i) out->push_back(pointAt(c, c.start + sweep * i / chords));
  out->push_back(std::fabs(sweep) >= kTwoPi ? first : pointAt(c, c.start + sweep));
}

void curveRange(const Curve& c, DPoint3d* low, DPoint3d* high) {
  const DPoint3d ends[2] = {pointAt(c, c.start), pointAt(c, c.start + c.sweep)};
  for (int k = 0; k < 3; ++k) {
    const double uk = component(c.u, k), vk = component(c.v, k), ck = component(c.centre, k);
    double lo = std::min(component(ends[0], k), component(ends[1], k));
    double hi = std::max(component(ends[0], k), component(ends[1], k));
    // The coordinate is ck + r cos(t - t0) with r = |(uk, vk)|: highest at t0, lowest at t0 + pi.
    const double t0 = std::atan2(vk, uk), r = std::hypot(uk, vk);
    if (onSweep(c, t0)) hi = std::max(hi, ck + r);
    if (onSweep(c, t0 + kPi)) lo = std::min(lo, ck - r);
    setComponent(*low, k, lo);
    setComponent(*high, k, hi);
  }
}

bool principalAxes(const Curve& in, Curve* out) {
  const double g11 = dot(in.u, in.u), g22 = dot(in.v, in.v), g12 = dot(in.u, in.v);
  // Axes that are already perpendicular are the principal ones and stay as they are (a circle
  // would otherwise get a direction picked by rounding, an ellipse its axes swapped).
  const bool settled = std::fabs(g12) <= 1e-12 * (g11 + g22);
  const double t0 = settled ? 0 : 0.5 * std::atan2(2 * g12, g11 - g22);
  const double c = std::cos(t0), s = std::sin(t0);
  Curve r = in;
  r.u = add(scaled(in.u, c), scaled(in.v, s));
  r.v = add(scaled(in.u, -s), scaled(in.v, c));
  r.start = in.start - t0;
  const double a = length(r.u), b = length(r.v);
  if (!(a > 0) || !(b > 0) || !std::isfinite(a + b) || std::min(a, b) <= 1e-12 * std::max(a, b)) return false;
  *out = r;
  return true;
}

}  // namespace pixmend::host::geometry
