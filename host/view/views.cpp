// The eight views: rotations, display controls and updates, and the busy cursor (see api.h).
#include <array>
#include <bitset>
#include <cmath>
#include <string>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/view/api.h"
#include "host/view/geometry.hpp"
#include "host/view/graphics.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

constexpr int kControls = 64;

struct View {
  RotMatrix rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  std::bitset<kControls> controls;
};

std::array<View, MAX_VIEWS>& views() {
  static std::array<View, MAX_VIEWS> all;
  return all;
}

bool validView(int view) {
  return view >= 0 && view < MAX_VIEWS;
}

bool& busy() {
  static bool cursorBusy = false;
  return cursorBusy;
}

const bool registered = registerReset("view", [] {
  views() = {};
  busy() = false;
});

}  // namespace

bool setViewRotation(int view, const RotMatrix& matrix) {
  if (!validView(view)) return false;
  views()[static_cast<std::size_t>(view)].rotation = matrix;
  return true;
}

bool rotateViewAboutZ(int view, double degrees) {
  const double a = degrees * 3.14159265358979323846 / 180.0;
  const double c = std::cos(a);
  const double s = std::sin(a);
  // Design to view: a view turned counter-clockwise sees the design turned clockwise.
  return setViewRotation(view, RotMatrix{{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}});
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlRMatrix_fromView(RotMatrix* matrix, int view, int reserved) {
  (void)reserved;
  if (matrix == nullptr || !validView(view)) return MDLERR_BADARG;
  *matrix = views()[static_cast<std::size_t>(view)].rotation;
  return SUCCESS;
}

void mdlRMatrix_rotatePoint(DPoint3d* point, const RotMatrix* m) {
  if (point == nullptr || m == nullptr) return;
  *point = geometry::apply(*m, *point);
}

void mdlRMatrix_unrotatePoint(DPoint3d* point, const RotMatrix* m) {
  if (point == nullptr || m == nullptr) return;
  const DPoint3d p = *point;
  point->x = m->form3d[0][0] * p.x + m->form3d[1][0] * p.y + m->form3d[2][0] * p.z;
  point->y = m->form3d[0][1] * p.x + m->form3d[1][1] * p.y + m->form3d[2][1] * p.z;
  point->z = m->form3d[0][2] * p.x + m->form3d[1][2] * p.y + m->form3d[2][2] * p.z;
}

int mdlView_setDisplayControl(int control, int view, int value) {
  if (!validView(view) || control < 0 || control >= kControls) return MDLERR_BADARG;
  views()[static_cast<std::size_t>(view)].controls[static_cast<std::size_t>(control)] = value != 0;
  journal().append(
      "view", std::to_string(view) + " control " + std::to_string(control) + (value != 0 ? " on" : " off"));
  return SUCCESS;
}

int mdlView_getDisplayControl(int control, int view) {
  if (!validView(view) || control < 0 || control >= kControls) return MDLERR_BADARG;
  return views()[static_cast<std::size_t>(view)].controls[static_cast<std::size_t>(control)] ? 1 : 0;
}

int mdlView_updateSingle(int view) {
  if (!validView(view)) return MDLERR_BADARG;
  journal().append("view", "update " + std::to_string(view));
  viewsRedrawn(view);
  return SUCCESS;
}

void mdlSystem_startBusyCursor(void) {
  if (busy()) return;
  busy() = true;
  journal().append("view", "busy");
}

void mdlSystem_stopBusyCursor(void) {
  if (!busy()) return;
  busy() = false;
  journal().append("view", "ready");
}

}  // extern "C"
