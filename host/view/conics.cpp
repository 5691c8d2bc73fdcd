// Ellipses and arcs in the host's element layout (layout.hpp; see api.h): centre, semi-axes, a
// rotation whose columns are the element's axes, and for arcs the start and sweep angles.
#include <cmath>

#include "host/view/api.h"
#include "host/view/geometry.hpp"
#include "host/view/layout.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

namespace el = element;
namespace geo = geometry;

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;
// How far from orthonormal a given rotation may be (rounding of a caller's own arithmetic).
constexpr double kRotationSlack = 1e-9;

bool orthonormal(const RotMatrix& r) {
  const DPoint3d a = geo::column(r, 0), b = geo::column(r, 1), c = geo::column(r, 2);
  for (const DPoint3d& v : {a, b, c}) {
    if (!geo::finite(v) || std::fabs(geo::length(v) - 1) > kRotationSlack) return false;
  }
  return std::fabs(geo::dot(a, b)) <= kRotationSlack && std::fabs(geo::dot(a, c)) <= kRotationSlack &&
         std::fabs(geo::dot(b, c)) <= kRotationSlack;
}

int build(MSElement* out, const MSElement* templ, int type, const DPoint3d* center, double axis1,
          double axis2, const RotMatrix* rotation, double start, double sweep, bool filled) {
  if (out == nullptr || center == nullptr) return MDLERR_BADARG;
  if (!(axis1 > 0) || !(axis2 > 0) || !std::isfinite(axis1) || !std::isfinite(axis2)) return MDLERR_BADARG;
  if (!std::isfinite(start) || !std::isfinite(sweep) || std::fabs(sweep) > kTwoPi * (1 + 1e-12))
    return MDLERR_BADARG;
  const RotMatrix r = rotation != nullptr ? *rotation : geo::identity();
  if (!orthonormal(r)) return MDLERR_BADARG;
  // The whole curve must lie in the design plane, not only its centre.
  const double reach = std::max(axis1, axis2);
  const DPoint3d corners[2] = {geo::add(*center, {reach, reach, reach}),
                               geo::subtract(*center, {reach, reach, reach})};
  if (!inDesignPlane(center, 1) || !inDesignPlane(corners, 2)) return MDLERR_OUTOFDESIGNPLANE;
  const bool arc = type == ARC_ELM;
  startFromTemplate(*out, templ, type, (arc ? el::kArcBytes : el::kEllipseBytes) / 2);
  el::put32(*out, el::kConicFill, filled ? 1 : 0);
  el::put32(*out, el::kConicFill + 4, 0);
  el::putDouble(*out, el::kPrimaryAxis, axis1);
  el::putDouble(*out, el::kSecondaryAxis, axis2);
  el::putRotation(*out, el::kRotation, r);
  el::putPoint(*out, el::kCentre, *center);
  if (arc) {
    el::putDouble(*out, el::kStartAngle, start);
    el::putDouble(*out, el::kSweepAngle, std::max(-kTwoPi, std::min(kTwoPi, sweep)));
  }
  return SUCCESS;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlArc_create(MSElement* out, const MSElement* templ, const DPoint3d* center, double axis1, double axis2,
                  const RotMatrix* rotation, double startAngle, double sweepAngle) {
  return build(out, templ, ARC_ELM, center, axis1, axis2, rotation, startAngle, sweepAngle, false);
}

int mdlEllipse_create(MSElement* out, const MSElement* templ, const DPoint3d* center, double axis1,
                      double axis2, const RotMatrix* rotation, int fillMode) {
  return build(out, templ, ELLIPSE_ELM, center, axis1, axis2, rotation, 0, kTwoPi, fillMode != 0);
}

int mdlArc_createByCenter(MSElement* out, const MSElement* templ, const DPoint3d* start, const DPoint3d* end,
                          const DPoint3d* center, const DPoint3d* normal, int clockwise) {
  namespace geo = pixmend::host::geometry;
  if (out == nullptr || start == nullptr || end == nullptr || center == nullptr) return MDLERR_BADARG;
  if (!geo::finite(*start) || !geo::finite(*end) || !geo::finite(*center)) return MDLERR_OUTOFDESIGNPLANE;
  DPoint3d n = normal != nullptr ? *normal : DPoint3d{0, 0, 1};
  const double nLength = geo::length(n);
  if (!(nLength > 0) || !std::isfinite(nLength)) return MDLERR_BADARG;
  n = geo::scaled(n, 1 / nLength);
  // The plane's x axis follows design x where it can (so a top-view arc is unturned and its
  // start angle is the angle of its start point), else design y.
  DPoint3d u = geo::subtract({1, 0, 0}, geo::scaled(n, n.x));
  if (geo::length(u) < 1e-6) u = geo::subtract({0, 1, 0}, geo::scaled(n, n.y));
  u = geo::scaled(u, 1 / geo::length(u));
  const DPoint3d v = geo::cross(n, u);
  // Start and end as seen in the plane through the centre.
  const DPoint3d s = geo::subtract(*start, *center), e = geo::subtract(*end, *center);
  const double sx = geo::dot(s, u), sy = geo::dot(s, v), ex = geo::dot(e, u), ey = geo::dot(e, v);
  const double radius = std::hypot(sx, sy);
  if (!(radius > 0) || !(std::hypot(ex, ey) > 0)) return MDLERR_BADARG;
  const double startAngle = std::atan2(sy, sx);
  double ccw = std::fmod(std::atan2(ey, ex) - startAngle + 2 * kTwoPi, kTwoPi);
  if (ccw <= 1e-12) ccw = kTwoPi;  // the end on the start's ray: the whole circle
  const double sweep = clockwise != 0 ? (ccw >= kTwoPi ? -kTwoPi : ccw - kTwoPi) : ccw;
  RotMatrix r;
  geo::setColumn(r, 0, u);
  geo::setColumn(r, 1, v);
  geo::setColumn(r, 2, n);
  return build(out, templ, ARC_ELM, center, radius, radius, &r, startAngle, sweep, false);
}

}  // extern "C"
