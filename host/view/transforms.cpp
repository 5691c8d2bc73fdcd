// The 3 x 4 transforms (see api.h): rotation in columns 0-2, translation in column 3, row-major.
// A null argument makes a call do nothing; every output may be one of the inputs.
#include <cstring>

#include "host/view/api.h"
#include "host/view/geometry.hpp"

extern "C" {

void mdlTMatrix_getIdentity(Transform* transform) {
  if (transform == nullptr) return;
  std::memset(transform, 0, sizeof *transform);
  for (int i = 0; i < 3; ++i) transform->form3d[i][i] = 1.0;
}

void mdlTMatrix_translate(Transform* out, const Transform* in, double x, double y, double z) {
  if (out == nullptr || in == nullptr) return;
  const Transform t = *in;
  const double move[3] = {x, y, z};
  *out = t;
  for (int row = 0; row < 3; ++row) out->form3d[row][3] = t.form3d[row][3] + move[row];
}

void mdlTMatrix_scale(Transform* out, const Transform* in, double x, double y, double z) {
  if (out == nullptr || in == nullptr) return;
  const Transform t = *in;
  const double factor[3] = {x, y, z};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 4; ++column) out->form3d[row][column] = t.form3d[row][column] * factor[row];
}

void mdlTMatrix_fromRMatrix(Transform* transform, const RotMatrix* rotation) {
  if (transform == nullptr || rotation == nullptr) return;
  const RotMatrix r = *rotation;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) transform->form3d[row][column] = r.form3d[row][column];
    transform->form3d[row][3] = 0.0;
  }
}

void mdlTMatrix_transformPoint(DPoint3d* point, const Transform* transform) {
  if (point == nullptr || transform == nullptr) return;
  *point = pixmend::host::geometry::transformPoint(*transform, *point);
}

}  // extern "C"
