// The area each view shows, when a session sets one (see view.hpp).
#include <array>
#include <cmath>
#include <optional>

#include "host/lifecycle.hpp"
#include "host/view/api.h"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

std::array<std::optional<ViewArea>, MAX_VIEWS>& areas() {
  static std::array<std::optional<ViewArea>, MAX_VIEWS> all;
  return all;
}

const bool registered = registerReset("view.area", [] { areas() = {}; });

bool validView(int view) {
  return view >= 0 && view < MAX_VIEWS;
}

}  // namespace

bool setViewArea(int view, const DPoint2d& a, const DPoint2d& b) {
  if (!validView(view)) return false;
  for (double v : {a.x, a.y, b.x, b.y}) {
    if (!std::isfinite(v)) return false;
  }
  ViewArea area{{std::fmin(a.x, b.x), std::fmin(a.y, b.y)}, {std::fmax(a.x, b.x), std::fmax(a.y, b.y)}};
  if (!(area.high.x > area.low.x) || !(area.high.y > area.low.y)) return false;
  areas()[static_cast<std::size_t>(view)] = area;
  return true;
}

void clearViewArea(int view) {
  if (validView(view)) areas()[static_cast<std::size_t>(view)].reset();
}

std::optional<ViewArea> viewArea(int view) {
  if (!validView(view)) return std::nullopt;
  return areas()[static_cast<std::size_t>(view)];
}

bool viewShowsPoint(int view, const DPoint3d& point) {
  const auto area = viewArea(view);
  if (!area) return validView(view);
  RotMatrix rotation;
  if (mdlRMatrix_fromView(&rotation, view, 0) != SUCCESS) return false;
  DPoint3d p = point;
  mdlRMatrix_rotatePoint(&p, &rotation);
  return p.x >= area->low.x && p.x <= area->high.x && p.y >= area->low.y && p.y <= area->high.y;
}

}  // namespace pixmend::host
