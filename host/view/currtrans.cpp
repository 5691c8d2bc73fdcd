// The current coordinate system (api.h): C, current to design coordinates, is the product of the
// changes in call order, each relative to the system before it; a design point reads as
// C^-1(design). begin/end keep earlier systems on a stack.
#include "host/view/currtrans.hpp"

#include <cmath>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/view/api.h"
#include "host/view/geometry.hpp"

namespace pixmend::host {
namespace {

namespace geo = geometry;

constexpr std::size_t kMaxDepth = 64;

Transform identityTransform() {
  Transform t;
  mdlTMatrix_getIdentity(&t);
  return t;
}

struct System {
  Transform toDesign = identityTransform();
  Transform fromDesign = identityTransform();
};

struct State {
  System current;
  std::vector<System> saved;
};

State& state() {
  static State s;
  return s;
}

const bool registered = registerReset("view.currtrans", [] { state() = State(); });

// C = C x change (the change is given in current coordinates).
int change(const Transform& step) {
  System next;
  next.toDesign = geo::compose(state().current.toDesign, step);
  if (!geo::invert(next.toDesign, &next.fromDesign)) return MDLERR_BADARG;
  state().current = next;
  return SUCCESS;
}

}  // namespace

DPoint3d designToCurrent(const DPoint3d& design) {
  return geo::transformPoint(state().current.fromDesign, design);
}

DPoint3d designVectorToCurrent(const DPoint3d& design) {
  return geo::apply(geo::linearPart(state().current.fromDesign), design);
}

const Transform& currentToDesign() {
  return state().current.toDesign;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlCurrTrans_begin(void) {
  if (state().saved.size() >= kMaxDepth) return MDLERR_TOOLARGE;
  state().saved.push_back(state().current);
  return SUCCESS;
}

int mdlCurrTrans_end(void) {
  if (state().saved.empty()) return MDLERR_BADARG;
  state().current = state().saved.back();
  state().saved.pop_back();
  return SUCCESS;
}

void mdlCurrTrans_identity(void) {
  state().current = System();
}

int mdlCurrTrans_origin(const DPoint3d* origin) {
  if (origin == nullptr || !geo::finite(*origin)) return MDLERR_BADARG;
  Transform step = identityTransform();
  mdlTMatrix_translate(&step, &step, origin->x, origin->y, origin->z);
  return change(step);
}

int mdlCurrTrans_scale(double x, double y, double z) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || x == 0 || y == 0 || z == 0)
    return MDLERR_BADARG;
  Transform step = identityTransform();
  mdlTMatrix_scale(&step, &step, x, y, z);
  return change(step);
}

int mdlCurrTrans_rotateByAngles(double x, double y, double z) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return MDLERR_BADARG;
  // Each turn is about the axes as the previous one left them: Rx x Ry x Rz.
  const RotMatrix rx{{{1, 0, 0}, {0, std::cos(x), -std::sin(x)}, {0, std::sin(x), std::cos(x)}}};
  const RotMatrix ry{{{std::cos(y), 0, std::sin(y)}, {0, 1, 0}, {-std::sin(y), 0, std::cos(y)}}};
  RotMatrix rz;
  mdlRMatrix_fromAngle(&rz, z);
  Transform step;
  const RotMatrix turn = geo::multiply(geo::multiply(rx, ry), rz);
  mdlTMatrix_fromRMatrix(&step, &turn);
  return change(step);
}

}  // extern "C"
