// The fence: one closed polygon in design coordinates, placed in a view (see api.h, design.hpp):
//   defineFence / removeFence / fenceVertices     the fence as the host and the sessions set it
//   mdlFence_toShape / _fromShape / _clear         the applications' calls
//   place fence block, place fence shape           the host's key-ins that place one
//
// A block is view-aligned: its two corners are taken in the view's coordinates, so in a turned
// view it is a turned rectangle of the design, as the user sees it. A fence is shown in the view
// it was placed in (host/view/graphics.hpp). Every change is journaled on "fence".
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/api.h"
#include "host/output/journal.hpp"
#include "host/state/api.h"
#include "host/state/state.hpp"
#include "host/system/publish.hpp"
#include "host/view/graphics.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

constexpr double kDesignPlane = 9007199254740992.0;  // 2^53, as for every element

struct Fence {
  std::vector<DPoint3d> vertices;  // closed: the first vertex repeated last
  int view = 0;
};

// What the host's place-fence commands have entered so far.
struct Placing {
  std::vector<DPoint3d> points;
  int view = 0;
};

std::optional<Fence>& fence() {
  static std::optional<Fence> current;
  return current;
}

Placing& placing() {
  static Placing state;
  return state;
}

const bool resetRegistered = registerReset("design.fence", [] {
  fence().reset();
  placing() = Placing();
});

bool samePoint(const DPoint3d& a, const DPoint3d& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

std::string describe(const Fence& f) {
  std::string text = "view " + std::to_string(f.view) + ":";
  for (const auto& v : f.vertices) text += " " + formatNumber(v.x) + "," + formatNumber(v.y);
  return text;
}

// The four corners (closed) of the rectangle with opposite corners a and b as `view` sees it.
std::vector<DPoint3d> viewBlock(const DPoint3d& a, const DPoint3d& b, int view) {
  RotMatrix rotation{};
  if (mdlRMatrix_fromView(&rotation, view, 0) != SUCCESS) mdlRMatrix_fromView(&rotation, 0, 0);
  DPoint3d p = a, q = b;
  mdlRMatrix_rotatePoint(&p, &rotation);
  mdlRMatrix_rotatePoint(&q, &rotation);
  std::vector<DPoint3d> corners = {{p.x, p.y, p.z}, {q.x, p.y, p.z}, {q.x, q.y, p.z}, {p.x, q.y, p.z}};
  for (auto& c : corners) {
    mdlRMatrix_unrotatePoint(&c, &rotation);
    c = {c.x + 0.0, c.y + 0.0, c.z + 0.0};  // no "-0" in what is journaled
  }
  corners.push_back(corners.front());
  return corners;
}

// ---- The host's place-fence commands -----------------------------------------------------------

void blockStart(char*);
void shapeStart(char*);

void drawIntoBuffer(const std::vector<DPoint3d>& points) {
  const unsigned color = 0, weight = 0;
  const int style = 2;
  if (mdlLineString_create(dgnBuf, nullptr, points.data(), static_cast<int>(points.size())) != SUCCESS) return;
  mdlElement_setSymbology(dgnBuf, &color, &weight, &style);
}

void restart() {
  mdlState_restartCurrentCommand();
}

void blockDynamics(DPoint3d* point, int, int) {
  drawIntoBuffer(viewBlock(placing().points.front(), *point, placing().view));
}

void blockSecond(DPoint3d* point, int) {
  const Placing& p = placing();
  std::string why;
  if (!defineFence(viewBlock(p.points.front(), *point, p.view), p.view, &why)) {
    mdlOutput_printf(MSG_ERROR, "Fence not placed: %s", why.c_str());
  }
  mdlState_restartCurrentCommand();
}

void blockFirst(DPoint3d* point, int view) {
  placing().points = {*point};
  placing().view = view;
  mdlState_startPrimitive(blockSecond, restart, 0, 0);
  mdlState_dynamicUpdate(blockDynamics, 0);
  mdlOutput_printf(MSG_PROMPT, "Enter opposite corner");
}

void blockStart(char*) {
  placing() = Placing();
  mdlState_startPrimitive(blockFirst, restart, 0, 0);
  mdlOutput_printf(MSG_COMMAND, "Place Fence Block");
  mdlOutput_printf(MSG_PROMPT, "Enter first point");
}

void shapeDynamics(DPoint3d* point, int, int) {
  std::vector<DPoint3d> outline = placing().points;
  outline.push_back(*point);
  if (outline.size() > 2) outline.push_back(outline.front());
  drawIntoBuffer(outline);
}

void shapeClose() {
  Placing& p = placing();
  if (p.points.empty()) {
    mdlState_restartCurrentCommand();
    return;
  }
  std::vector<DPoint3d> closed = p.points;
  closed.push_back(closed.front());
  std::string why;
  if (!defineFence(closed, p.view, &why)) mdlOutput_printf(MSG_ERROR, "Fence not placed: %s", why.c_str());
  mdlState_restartCurrentCommand();
}

void shapePoint(DPoint3d* point, int view) {
  Placing& p = placing();
  if (p.points.empty()) p.view = view;
  // A point on the last one adds nothing; room is kept for the closing vertex.
  if ((p.points.empty() || !samePoint(p.points.back(), *point)) && p.points.size() + 1 < MAX_VERTICES) {
    p.points.push_back(*point);
  }
  mdlState_startPrimitive(shapePoint, shapeClose, 0, 0);
  mdlState_dynamicUpdate(shapeDynamics, 0);
  mdlOutput_printf(MSG_PROMPT, "Enter next point or reset to close the fence");
}

void shapeStart(char*) {
  placing() = Placing();
  mdlState_startPrimitive(shapePoint, restart, 0, 0);
  mdlOutput_printf(MSG_COMMAND, "Place Fence Shape");
  mdlOutput_printf(MSG_PROMPT, "Enter first point");
}

const bool keyinsRegistered = [] {
  registerBuiltinKeyin("place fence block", [](const std::string& rest) {
    runCommandFunction(nullptr, reinterpret_cast<void*>(blockStart), rest);
  });
  registerBuiltinKeyin("place fence shape", [](const std::string& rest) {
    runCommandFunction(nullptr, reinterpret_cast<void*>(shapeStart), rest);
  });
  return true;
}();

}  // namespace

bool defineFence(const std::vector<DPoint3d>& vertices, int view, std::string* why) {
  auto refuse = [&](const char* reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  if (view < 0 || view >= MAX_VIEWS) return refuse("there is no such view");
  std::vector<DPoint3d> closed;
  for (const auto& v : vertices) {
    for (double c : {v.x, v.y, v.z}) {
      if (!std::isfinite(c) || std::fabs(c) > kDesignPlane) return refuse("a point lies beyond the design plane");
    }
    if (closed.empty() || !samePoint(closed.back(), v)) closed.push_back(v);
  }
  if (closed.size() > 1 && samePoint(closed.front(), closed.back())) closed.pop_back();
  if (closed.size() < 3) return refuse("a fence needs three points that are not the same");
  if (closed.size() + 1 > MAX_VERTICES) return refuse("a fence has at most 4999 points");
  // Points on one line enclose nothing.
  double area = 0;
  for (std::size_t k = 0; k < closed.size(); ++k) {
    const DPoint3d& a = closed[k];
    const DPoint3d& b = closed[(k + 1) % closed.size()];
    area += a.x * b.y - b.x * a.y;
  }
  if (!(std::fabs(area) > 0)) return refuse("its points lie on one line");
  closed.push_back(closed.front());
  fence() = Fence{std::move(closed), view};
  journal().append("fence", describe(*fence()));
  showFence(&fence()->vertices, view);
  return true;
}

void removeFence() {
  if (!fence()) return;
  fence().reset();
  showFence(nullptr, 0);
  journal().append("fence", "cleared");
}

const std::vector<DPoint3d>* fenceVertices() {
  return fence() ? &fence()->vertices : nullptr;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlFence_toShape(MSElement* shape) {
  if (shape == nullptr) return MDLERR_BADARG;
  if (!fence()) {
    makeEmptyShape(*shape);
    return MDLERR_NOFENCE;
  }
  const auto& v = fence()->vertices;
  return mdlShape_create(shape, nullptr, v.data(), static_cast<int>(v.size()), 0);
}

int mdlFence_fromShape(const MSElement* shape, int view) {
  if (shape == nullptr) return MDLERR_BADARG;
  const auto info = readElement(*shape);
  if (!info || (info->type != SHAPE_ELM && info->type != LINE_STRING_ELM)) return MDLERR_BADARG;
  const auto& v = info->vertices;
  if (info->type == LINE_STRING_ELM && !samePoint(v.front(), v.back())) return MDLERR_BADARG;
  return defineFence(v, view, nullptr) ? SUCCESS : MDLERR_BADARG;
}

void mdlFence_clear(int redisplay) {
  (void)redisplay;  // the views always lose it: a fence is only ever shown while it exists
  removeFence();
}

}  // extern "C"
