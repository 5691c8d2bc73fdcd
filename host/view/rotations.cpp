// Rotations (api.h): identity, a turn about z, the standard views, the inverse. The standard views
// (view coordinates = matrix x design coordinates; the rows are the view's x, y and z axes, z
// towards the viewer; front looks along +y):
//   1 top (identity)   2 bottom   3 left   4 right   5 front   6 back
//   7 isometric from front-left-top, 8 right isometric from front-right-top.
#include <cmath>

#include "host/view/api.h"
#include "host/view/geometry.hpp"

namespace geo = pixmend::host::geometry;

extern "C" {

void mdlRMatrix_getIdentity(RotMatrix* matrix) {
  if (matrix != nullptr) *matrix = geo::identity();
}

void mdlRMatrix_fromAngle(RotMatrix* matrix, double radians) {
  if (matrix == nullptr) return;
  const double c = std::cos(radians), s = std::sin(radians);
  *matrix = RotMatrix{{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

int mdlRMatrix_getStandard(RotMatrix* matrix, int standardView) {
  if (matrix == nullptr || standardView < 1 || standardView > 8) return MDLERR_BADARG;
  const double r2 = 1 / std::sqrt(2.0), r3 = 1 / std::sqrt(3.0), r6 = 1 / std::sqrt(6.0);
  static const RotMatrix kAxisViews[6] = {
      {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},    // top
      {{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}},  // bottom
      {{{0, -1, 0}, {0, 0, 1}, {-1, 0, 0}}},  // left: looking along +x
      {{{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}},    // right: looking along -x
      {{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}},   // front: looking along +y
      {{{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}},   // back: looking along -y
  };
  if (standardView <= 6) {
    *matrix = kAxisViews[standardView - 1];
  } else if (standardView == 7) {
    *matrix = RotMatrix{{{r2, -r2, 0}, {r6, r6, 2 * r6}, {-r3, -r3, r3}}};
  } else {
    *matrix = RotMatrix{{{r2, r2, 0}, {-r6, r6, 2 * r6}, {r3, -r3, r3}}};
  }
  return SUCCESS;
}

int mdlRMatrix_invert(RotMatrix* out, const RotMatrix* in) {
  if (out == nullptr || in == nullptr) return MDLERR_BADARG;
  RotMatrix inverse;
  if (!geo::invert(*in, &inverse)) return MDLERR_BADARG;
  *out = inverse;
  return SUCCESS;
}

}  // extern "C"
