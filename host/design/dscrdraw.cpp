// Descriptors as outlines and pictures (api.h): stroked into points in the current coordinate
// system, displayed in the views, drawn into a dialog window.
//
// What is drawn of each element: lines, line strings, shapes, ellipses and arcs themselves; a
// complex shape as one closed outline (filled when its header says so); cells and text nodes
// through their components; texts as host/view/graphics.hpp draws them; non-graphic elements not
// at all.
#include <algorithm>
#include <cmath>
#include <vector>

#include "host/design/api.h"
#include "host/design/nodes.hpp"
#include "host/system/api.h"
#include "host/view/currtrans.hpp"
#include "host/view/geometry.hpp"
#include "host/view/graphics.hpp"
#include "host/view/layout.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

namespace el = element;
namespace geo = geometry;

std::vector<const MSElement*> componentImages(MSElementDescr* header) {
  std::vector<const MSElement*> out;
  for (MSElementDescr* c = header->first.get(); c != nullptr; c = c->next.get()) out.push_back(c->image());
  return out;
}

bool construction(const MSElement& e) {
  return el::isGraphicType(el::typeOf(e)) &&
         (el::get32(e, el::kProperties) & el::kClassMask) == ELEMENT_CLASS_CONSTRUCTION;
}

// What the chain draws, in order. Complex shapes become one outline; cells and text nodes give
// their components; `withConstruction` false leaves construction-class elements out.
void drawables(MSElementDescr* first, bool withConstruction, std::vector<ElementInfo>* out) {
  for (MSElementDescr* n = first; n != nullptr; n = n->next.get()) {
    const MSElement& e = *n->image();
    if (!withConstruction && construction(e)) continue;
    const int type = el::typeOf(e);
    if (type == CMPLX_SHAPE_ELM) {
      if (auto info = readComplexShape(e, componentImages(n))) out->push_back(std::move(*info));
    } else if (type == CELL_HEADER_ELM || type == TEXT_NODE_ELM) {
      drawables(n->first.get(), withConstruction, out);
    } else if (auto info = readElement(e)) {
      out->push_back(std::move(*info));
    }
  }
}

// The outline of one element in design coordinates; false when it has none.
bool strokeElement(MSElementDescr* n, double tolerance, std::vector<DPoint3d>* out) {
  const MSElement& e = *n->image();
  const int type = el::typeOf(e);
  if (type == CELL_HEADER_ELM) {
    // A cell is the outlines of its components, one after another.
    bool any = false;
    for (MSElementDescr* c = n->first.get(); c != nullptr; c = c->next.get())
      any = strokeElement(c, tolerance, out) || any;
    return any;
  }
  if (type == CMPLX_SHAPE_ELM) {
    const std::size_t from = out->size();
    for (MSElementDescr* c = n->first.get(); c != nullptr; c = c->next.get()) {
      std::vector<DPoint3d> part;
      if (!strokeElement(c, tolerance, &part)) continue;
      // A component starts where the one before ended: that point is there once.
      const bool joins = out->size() > from && geo::length(geo::subtract(out->back(), part.front())) == 0;
      out->insert(out->end(), part.begin() + (joins ? 1 : 0), part.end());
    }
    if (out->size() == from) return false;
    if (geo::length(geo::subtract(out->back(), (*out)[from])) != 0) out->push_back((*out)[from]);
    return true;
  }
  const auto info = readElement(e);
  if (!info || type == TEXT_ELM) return false;
  if (el::isLinearType(type)) {
    out->insert(out->end(), info->vertices.begin(), info->vertices.end());
    return true;
  }
  geo::strokeCurve(*info->outline.front().curve, tolerance, out);
  return true;
}

// Design (view) coordinates to pixels of a w x h rectangle: the area from `origin` to
// `origin + delta` fills it at one scale for both directions, centred (a drawing keeps its
// proportions); a delta of 0 in one direction is fitted by the other alone.
ViewArea fittedArea(const DPoint3d& origin, const DPoint3d& delta, int w, int h) {
  const double dx = std::fabs(delta.x), dy = std::fabs(delta.y);
  double scale = 1;  // pixels per unit
  if (dx > 0 && dy > 0) {
    scale = std::min(w / dx, h / dy);
  } else if (dx > 0) {
    scale = w / dx;
  } else if (dy > 0) {
    scale = h / dy;
  }
  const double cx = origin.x + delta.x / 2, cy = origin.y + delta.y / 2;
  ViewArea area;
  area.low = {cx - w / scale / 2, cy - h / scale / 2};
  area.high = {cx + w / scale / 2, cy + h / scale / 2};
  return area;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlElmdscr_stroke(DPoint3d** points, int* numPoints, const MSElementDescr* descr, double tolerance) {
  if (points == nullptr || numPoints == nullptr || descr == nullptr || !(tolerance > 0) ||
      !std::isfinite(tolerance)) {
    return MDLERR_BADARG;
  }
  *points = nullptr;
  *numPoints = 0;
  auto* d = const_cast<MSElementDescr*>(descr);
  // The descriptor's element is its first node (with its components); a chain's later nodes are
  // elements of their own.
  MSElementDescr* next = d->next.release();
  const bool sound = soundChain(d);
  d->next.reset(next);
  std::vector<DPoint3d> stroked;
  if (!sound || !strokeElement(d, tolerance, &stroked)) return MDLERR_BADELEMENT;
  auto* block = static_cast<DPoint3d*>(dlmSystem_mdlMalloc(stroked.size() * sizeof(DPoint3d)));
  if (block == nullptr) return MDLERR_INSFMEMORY;
  for (std::size_t i = 0; i < stroked.size(); ++i) block[i] = designToCurrent(stroked[i]);
  *points = block;
  *numPoints = static_cast<int>(stroked.size());
  return SUCCESS;
}

int mdlElmdscr_display(const MSElementDescr* descr, DgnModelRefP modelRef, int drawMode) {
  (void)modelRef;
  if (descr == nullptr) return MDLERR_BADARG;
  auto* d = const_cast<MSElementDescr*>(descr);
  if (!soundChain(d)) return MDLERR_BADELEMENT;
  std::vector<ElementInfo> shown;
  drawables(d, true, &shown);
  for (const ElementInfo& info : shown) displayElementInfo(info, drawMode);
  return SUCCESS;
}

int mdlElmdscr_displayToWindow(struct MSDialog* window, const BSIRect* rect, const ViewFlags* viewFlags,
                               const MSElementDescr* descr, const RotMatrix* rotation, const DPoint3d* origin,
                               const DPoint3d* delta, int drawMode) {
  int windowWidth = 0, windowHeight = 0;
  if (rect == nullptr || origin == nullptr || delta == nullptr ||
      mdlWindow_extentGet(&windowWidth, &windowHeight, window) != 0) {
    return MDLERR_BADARG;
  }
  if (!geometry::finite(*origin) || !geometry::finite(*delta)) return MDLERR_BADARG;
  const int w = rect->corner.x - rect->origin.x, h = rect->corner.y - rect->origin.y;
  if (w <= 0 || h <= 0 || rect->origin.x >= windowWidth || rect->origin.y >= windowHeight ||
      rect->corner.x <= 0 || rect->corner.y <= 0) {
    return MDLERR_BADARG;
  }
  if (descr == nullptr) return MDLERR_BADARG;
  auto* d = const_cast<MSElementDescr*>(descr);
  if (!soundChain(d)) return MDLERR_BADELEMENT;
  const unsigned flags = viewFlags != nullptr ? viewFlags->words[0] : VIEWFLAGS_DEFAULT;
  PaintOptions options;
  options.fill = (flags & VIEWFLAG_FILL) != 0;
  options.text = (flags & VIEWFLAG_TEXT) != 0;
  options.weights = (flags & VIEWFLAG_LINEWEIGHT) != 0;
  options.construction = (flags & VIEWFLAG_CONSTRUCTION) != 0;
  std::vector<ElementInfo> shown;
  drawables(d, options.construction, &shown);
  const RotMatrix r = rotation != nullptr ? *rotation : geometry::identity();
  const GraphicsPainter painter(shown, drawMode, options, r, fittedArea(*origin, *delta, w, h), w, h);
  // Row by row, each run of one colour drawn as a one-row picture clipped to the window.
  std::vector<PaintSpan> spans;
  std::vector<unsigned char> rgb;
  for (int j = 0; j < h; ++j) {
    const int y = rect->origin.y + j;
    if (y < 0 || y >= windowHeight) continue;
    painter.row(j, spans);
    for (const PaintSpan& s : spans) {
      const int x0 = std::max(rect->origin.x + s.first, 0),
                x1 = std::min(rect->origin.x + s.last, windowWidth - 1);
      if (x0 > x1) continue;
      rgb.assign(static_cast<std::size_t>(x1 - x0 + 1) * 3, 0);
      for (std::size_t i = 0; i < rgb.size(); i += 3) {
        for (int c = 0; c < 3; ++c)
          rgb[i + static_cast<std::size_t>(c)] = static_cast<unsigned char>(std::lround(s.rgb[c] * 255));
      }
      const BSIRect run{{x0, y}, {x1 + 1, y + 1}};
      mdlWindow_transparentRgbDataDraw(window, &run, x1 - x0 + 1, rgb.data(), 0, 0, nullptr);
    }
  }
  return SUCCESS;
}

}  // extern "C"
