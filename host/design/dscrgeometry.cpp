// Geometry of descriptors (api.h): range, transform, validate; and the walk over their nodes
// (nodes.hpp) the drawing and modify calls share.
//
// Ranges are exact: an ellipse or arc reaches the extremes of its curve (not the box of its
// axes), a text its box (host/view/textbox.hpp). A transform moves every coordinate; the axes of
// ellipses, arcs, texts and cells are turned and stretched with it (an ellipse under a shear is
// the ellipse through the moved points, with new principal axes), text sizes follow the stretch
// of the text's own axes, and cell headers get their range again from their moved components.
#include <algorithm>
#include <cmath>

#include "host/design/api.h"
#include "host/design/nodes.hpp"
#include "host/view/geometry.hpp"
#include "host/view/layout.hpp"
#include "host/view/textbox.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

namespace el = element;
namespace geo = geometry;

void widen(const DPoint3d& p, bool* any, DPoint3d* low, DPoint3d* high) {
  if (!*any) {
    *low = *high = p;
    *any = true;
    return;
  }
  low->x = std::min(low->x, p.x), low->y = std::min(low->y, p.y), low->z = std::min(low->z, p.z);
  high->x = std::max(high->x, p.x), high->y = std::max(high->y, p.y), high->z = std::max(high->z, p.z);
}

// Turns the axes `r` (columns) by the linear map `m`: the new orthonormal, right-handed axes,
// and how far the first axis and the second (across the first) were stretched. False when the
// map flattens them.
bool turnAxes(const RotMatrix& m, const RotMatrix& r, RotMatrix* out, double* stretch0, double* stretch1) {
  DPoint3d a = geo::apply(m, geo::column(r, 0)), b = geo::apply(m, geo::column(r, 1));
  const double la = geo::length(a);
  if (!(la > 0) || !std::isfinite(la)) return false;
  a = geo::scaled(a, 1 / la);
  b = geo::subtract(b, geo::scaled(a, geo::dot(a, b)));
  const double lb = geo::length(b);
  if (!(lb > 1e-12 * la) || !std::isfinite(lb)) return false;
  b = geo::scaled(b, 1 / lb);
  geo::setColumn(*out, 0, a);
  geo::setColumn(*out, 1, b);
  geo::setColumn(*out, 2, geo::cross(a, b));
  *stretch0 = la;
  *stretch1 = lb;
  return true;
}

void transformVertices(MSElement& e, const Transform& t) {
  const std::uint32_t count = el::get32(e, el::kVertexCount);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = el::kVertices + i * el::kVertexBytes;
    el::putPoint(e, at, geo::transformPoint(t, el::getPoint(e, at)));
  }
}

bool transformCurve(MSElement& e, const Transform& t) {
  geo::Curve c = elementCurve(e);
  const RotMatrix m = geo::linearPart(t);
  c.centre = geo::transformPoint(t, c.centre);
  c.u = geo::apply(m, c.u);
  c.v = geo::apply(m, c.v);
  geo::Curve p;
  if (!geo::principalAxes(c, &p)) return false;
  const double a = geo::length(p.u), b = geo::length(p.v);
  RotMatrix r;
  geo::setColumn(r, 0, geo::scaled(p.u, 1 / a));
  geo::setColumn(r, 1, geo::scaled(p.v, 1 / b));
  geo::setColumn(r, 2, geo::cross(geo::column(r, 0), geo::column(r, 1)));
  el::putPoint(e, el::kCentre, p.centre);
  el::putDouble(e, el::kPrimaryAxis, a);
  el::putDouble(e, el::kSecondaryAxis, b);
  el::putRotation(e, el::kRotation, r);
  if (el::typeOf(e) == ARC_ELM) el::putDouble(e, el::kStartAngle, p.start);
  return true;
}

// Texts and text nodes: origin moved, axes turned, sizes and line spacing stretched with them.
bool transformText(MSElement& e, const Transform& t) {
  RotMatrix r;
  double sx = 1, sy = 1;
  if (!turnAxes(geo::linearPart(t), el::getRotation(e, el::kRotation), &r, &sx, &sy)) return false;
  el::putPoint(e, el::kTextOrigin, geo::transformPoint(t, el::getPoint(e, el::kTextOrigin)));
  el::putRotation(e, el::kRotation, r);
  el::putDouble(e, el::kCharWidth, el::getDouble(e, el::kCharWidth) * sx);
  el::putDouble(e, el::kCharHeight, el::getDouble(e, el::kCharHeight) * sy);
  el::putDouble(e, el::kLineSpacing, el::getDouble(e, el::kLineSpacing) * sy);
  return true;
}

bool transformCell(MSElement& e, const Transform& t) {
  RotMatrix r;
  double sx = 1, sy = 1;
  if (!turnAxes(geo::linearPart(t), el::getRotation(e, el::kCellRotation), &r, &sx, &sy)) return false;
  el::putPoint(e, el::kCellOrigin, geo::transformPoint(t, el::getPoint(e, el::kCellOrigin)));
  el::putRotation(e, el::kCellRotation, r);
  return true;
}

bool transformNode(MSElement& e, const Transform& t) {
  switch (el::typeOf(e)) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case SHAPE_ELM:
      transformVertices(e, t);
      return true;
    case ELLIPSE_ELM:
    case ARC_ELM:
      return transformCurve(e, t);
    case TEXT_ELM:
    case TEXT_NODE_ELM:
      return transformText(e, t);
    case CELL_HEADER_ELM:
      return transformCell(e, t);
    default:  // complex shapes are their components; non-graphic elements have no coordinates
      return true;
  }
}

// Cell headers' ranges and complex headers' counts from their components, innermost first.
void settleHeaders(MSElementDescr* first, bool components) {
  for (MSElementDescr* n = first; n != nullptr; n = n->next.get()) {
    MSElement& e = *n->image();
    // Type word bit 8 marks a component (what the design stores).
    el::put32(e, el::kTypeWord,
              (el::get32(e, el::kTypeWord) & ~el::kComponentFlag) | (components ? el::kComponentFlag : 0));
    const int type = el::typeOf(e);
    if (!isComplexHeaderType(type)) continue;
    settleHeaders(n->first.get(), true);
    std::uint32_t count = 0;
    for (MSElementDescr* c = n->first.get(); c != nullptr; c = c->next.get()) ++count;
    el::put32(e, type == TEXT_NODE_ELM ? el::kTextCount : el::kCellCount, count);
    DPoint3d low{}, high{};
    if (type == CELL_HEADER_ELM && chainRange(n->first.get(), &low, &high)) {
      el::putPoint(e, el::kCellRangeLow, low);
      el::putPoint(e, el::kCellRangeHigh, high);
    }
  }
}

bool is3d(const MSElementDescr* descr, DgnModelRefP modelRef) {
  DgnModelRefP model = modelRef != nullptr ? modelRef : descr->modelRef;
  return mdlModelRef_is3D(model != nullptr ? model : mdlModelRef_getActive()) != 0;
}

}  // namespace

bool walkNodes(MSElementDescr* first, const std::function<bool(MSElementDescr*)>& visit) {
  for (MSElementDescr* n = first; n != nullptr; n = n->next.get()) {
    if (!visit(n)) return false;
    if (n->first != nullptr && !walkNodes(n->first.get(), visit)) return false;
  }
  return true;
}

bool soundChain(MSElementDescr* first) {
  return walkNodes(first, [](MSElementDescr* n) {
    const std::size_t size = el::bytesOf(*n->image());
    return size <= n->storage.size() * 8 && size <= sizeof(MSElement) &&
           el::checkImage(reinterpret_cast<const std::uint8_t*>(n->image()->buf), size, sizeof(MSElement))
               .empty();
  });
}

bool isComplexHeaderType(int type) {
  return type == CELL_HEADER_ELM || type == TEXT_NODE_ELM || type == CMPLX_SHAPE_ELM;
}

bool addElementRange(const MSElement& e, bool hasComponents, bool* any, DPoint3d* low, DPoint3d* high) {
  switch (el::typeOf(e)) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case SHAPE_ELM: {
      const std::uint32_t count = el::get32(e, el::kVertexCount);
      for (std::uint32_t i = 0; i < count; ++i)
        widen(el::getPoint(e, el::kVertices + i * el::kVertexBytes), any, low, high);
      return count > 0;
    }
    case ELLIPSE_ELM:
    case ARC_ELM: {
      DPoint3d lo{}, hi{};
      geo::curveRange(elementCurve(e), &lo, &hi);
      widen(lo, any, low, high);
      widen(hi, any, low, high);
      return true;
    }
    case TEXT_ELM: {
      DPoint3d box[5];
      el::textShape(e, box);
      for (int i = 0; i < 4; ++i) widen(box[i], any, low, high);
      return true;
    }
    case TEXT_NODE_ELM:
    case CELL_HEADER_ELM:
      // An empty node or cell is where its origin is; otherwise its components say.
      if (hasComponents) return false;
      widen(el::getPoint(e, el::typeOf(e) == TEXT_NODE_ELM ? el::kTextOrigin : el::kCellOrigin), any, low,
            high);
      return true;
    default:
      return false;
  }
}

bool chainRange(MSElementDescr* first, DPoint3d* low, DPoint3d* high) {
  bool any = false;
  walkNodes(first, [&](MSElementDescr* n) {
    addElementRange(*n->image(), n->first != nullptr, &any, low, high);
    return true;
  });
  return any;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlElmdscr_computeRange(DPoint3d* low, DPoint3d* high, const MSElementDescr* descr) {
  if (low == nullptr || high == nullptr || descr == nullptr) return MDLERR_BADARG;
  auto* d = const_cast<MSElementDescr*>(descr);
  if (!soundChain(d)) return MDLERR_BADELEMENT;
  DPoint3d lo{}, hi{};
  if (!chainRange(d, &lo, &hi)) return MDLERR_BADARG;
  if (!is3d(d, nullptr)) lo.z = hi.z = 0;
  *low = lo;
  *high = hi;
  return SUCCESS;
}

int mdlElmdscr_transform(MSElementDescr* descr, const Transform* transform) {
  if (descr == nullptr || transform == nullptr) return MDLERR_BADARG;
  for (const auto& row : transform->form3d)
    for (double v : row)
      if (!std::isfinite(v)) return MDLERR_BADARG;
  RotMatrix inverse;
  if (!geometry::invert(geometry::linearPart(*transform), &inverse)) return MDLERR_BADARG;
  if (!soundChain(descr)) return MDLERR_BADELEMENT;
  // Changed on copies first, so a node that cannot take the transform leaves everything as it was.
  std::vector<std::pair<MSElementDescr*, std::vector<std::uint64_t>>> changed;
  const bool done = walkNodes(descr, [&](MSElementDescr* n) {
    std::vector<std::uint64_t> copy = n->storage;
    if (!transformNode(*reinterpret_cast<MSElement*>(copy.data()), *transform)) return false;
    changed.emplace_back(n, std::move(copy));
    return true;
  });
  if (!done) return MDLERR_BADARG;
  // Copied into the nodes' own storage: a caller's pointer to an image stays valid.
  for (const auto& [node, storage] : changed)
    std::copy(storage.begin(), storage.end(), node->storage.begin());
  settleHeaders(descr, descr->parent != nullptr);
  return SUCCESS;
}

int mdlElmdscr_validate(MSElementDescr* descr, DgnModelRefP modelRef) {
  if (descr == nullptr || !soundChain(descr)) return MDLERR_BADELEMENT;
  if (!is3d(descr, modelRef)) {
    // A 2-D model keeps no z: what would be stored is what the ranges are made of.
    walkNodes(descr, [](MSElementDescr* n) {
      MSElement& e = *n->image();
      const auto flatten = [&](std::size_t at) { el::putDouble(e, at + 16, 0.0); };
      switch (el::typeOf(e)) {
        case LINE_ELM:
        case LINE_STRING_ELM:
        case SHAPE_ELM:
          for (std::uint32_t i = 0; i < el::get32(e, el::kVertexCount); ++i)
            flatten(el::kVertices + i * el::kVertexBytes);
          break;
        case ELLIPSE_ELM:
        case ARC_ELM:
          flatten(el::kCentre);
          break;
        case TEXT_ELM:
        case TEXT_NODE_ELM:
          flatten(el::kTextOrigin);
          break;
        case CELL_HEADER_ELM:
          flatten(el::kCellOrigin);
          break;
        default:
          break;
      }
      return true;
    });
  }
  settleHeaders(descr, descr->parent != nullptr);
  return SUCCESS;
}

}  // extern "C"
