// Rendering a plot (render.hpp).
#include "host/plot/render.hpp"

#include <algorithm>
#include <cmath>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/plot/languages.hpp"
#include "host/plot/plot.hpp"
#include "host/system/api.h"
#include "host/view/layout.hpp"

namespace pixmend::host::plot {
namespace {

constexpr double kStrokeToleranceMm = 0.05;
constexpr int kLightest = 3 * 210;  // sum of red, green and blue above which a colour prints black

struct Mapping {
  double uor = 1;          // UORs per master unit
  double scale = 1;        // mm per master unit
  double centre[2] = {0, 0};  // the area's centre, master units
  double pageCentre[2] = {0, 0};

  DPoint3d toPage(const DPoint3d& p) const {
    return {pageCentre[0] + (p.x / uor - centre[0]) * scale, pageCentre[1] + (p.y / uor - centre[1]) * scale, 0};
  }
  double tolerance() const { return kStrokeToleranceMm / scale * uor; }
};

class Renderer {
 public:
  Renderer(const Mapping& map, PageWriter* writer) : map_(map), writer_(writer) {}

  void draw(MSElementDescr* node) {
    MSElement* e = mdlElmdscr_getElement(node);
    const int type = element::typeOf(*e);
    if (!element::isGraphicType(type)) return;
    if (type == CELL_HEADER_ELM || type == TEXT_NODE_ELM) {
      for (MSElementDescr* c = mdlElmdscr_firstComponent(node); c != nullptr; c = mdlElmdscr_next(c)) draw(c);
    } else if (type == TEXT_ELM) {
      text(*e);
    } else {
      outline(node, *e, type);
    }
  }

 private:
  Pen pen(const MSElement& e) const {
    unsigned int colour = 0, weight = 0;
    int style = 0;
    mdlElement_getEffectiveSymbology(&colour, &weight, &style, &e, nullptr);
    Pen p;
    RgbColorDef rgb{0, 0, 0};
    if (mdlColorDescr_getRgb(&rgb, mdlColorPal_getColorDescr(nullptr, static_cast<int>(colour))) == SUCCESS &&
        rgb.red + rgb.green + rgb.blue <= kLightest)
      p.colour = rgb;
    p.width = 0.13 + 0.1 * std::min(weight, 31u);
    p.style = style >= 0 && style < 8 ? style : 0;
    return p;
  }

  void outline(MSElementDescr* node, const MSElement& e, int type) {
    DPoint3d* points = nullptr;
    int count = 0;
    if (mdlElmdscr_stroke(&points, &count, node, map_.tolerance()) != SUCCESS || points == nullptr) return;
    std::vector<DPoint3d> page;
    page.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) page.push_back(map_.toPage(points[i]));
    dlmSystem_mdlFree(points);
    const bool closed = type == SHAPE_ELM || type == CMPLX_SHAPE_ELM || type == ELLIPSE_ELM;
    writer_->polyline(page, closed, closed && mdlElement_isFilled(&e) != 0, pen(e));
  }

  void text(const MSElement& e) {
    char chars[element::kMaxTextChars * 2 + 1] = "";
    DPoint3d shape[5];
    TextSize size{};
    if (mdlText_extract(chars, sizeof chars, nullptr, nullptr, &size, nullptr, shape, &e) != SUCCESS) return;
    const DPoint3d corner = map_.toPage(shape[0]), along = map_.toPage(shape[1]);
    const double angle = std::atan2(along.y - corner.y, along.x - corner.x) * 180 / M_PI;
    writer_->text(corner, angle, size.width / map_.uor * map_.scale, size.height / map_.uor * map_.scale, chars,
                  pen(e).colour);
  }

  const Mapping& map_;
  PageWriter* writer_;
};

bool overlaps(const DPoint3d& low, const DPoint3d& high, const PlotJob& job) {
  return low.x <= job.high[0] && high.x >= job.low[0] && low.y <= job.high[1] && high.y >= job.low[1];
}

}  // namespace

bool designRange(DPoint3d* low, DPoint3d* high) {
  bool any = false;
  const std::int64_t model = activeModelId();
  const std::uint32_t limit = positionLimit(model);
  for (std::uint32_t at = elementAfter(model, 0, limit, false); at != 0; at = elementAfter(model, at, limit, false)) {
    MSElementDescr* descr = nullptr;
    if (mdlElmdscr_read(&descr, at, nullptr, 0) == 0 || descr == nullptr) continue;
    DPoint3d l{}, h{};
    if (element::isGraphicType(element::typeOf(*mdlElmdscr_getElement(descr))) &&
        mdlElmdscr_computeRange(&l, &h, descr) == SUCCESS) {
      if (!any) *low = l, *high = h;
      low->x = std::min(low->x, l.x), low->y = std::min(low->y, l.y);
      high->x = std::max(high->x, h.x), high->y = std::max(high->y, h.y);
      any = true;
    }
    mdlElmdscr_freeAll(&descr);
  }
  return any;
}

PlotOutput renderPlot(const PlotJob& job) {
  PlotOutput result;
  PageWindow window;
  window.paperWidth = job.paper.width;
  window.paperHeight = job.paper.height;
  window.left = window.bottom = job.driver->margin;
  window.right = job.paper.width - job.driver->margin;
  window.top = job.paper.height - job.driver->margin;
  window.copies = job.copies;

  Mapping map;
  map.uor = uorsPerMasterUnit();
  const double areaWidth = std::max((job.high[0] - job.low[0]) / map.uor, 1e-9);
  const double areaHeight = std::max((job.high[1] - job.low[1]) / map.uor, 1e-9);
  if (job.maximized)
    map.scale = std::min((window.right - window.left) / areaWidth, (window.top - window.bottom) / areaHeight);
  map.centre[0] = (job.low[0] + job.high[0]) / 2 / map.uor;
  map.centre[1] = (job.low[1] + job.high[1]) / 2 / map.uor;
  map.pageCentre[0] = (window.left + window.right) / 2;
  map.pageCentre[1] = (window.bottom + window.top) / 2;
  result.scale = map.scale;

  auto writer = makeWriter(job.driver->language, window, job.title);
  Renderer renderer(map, writer.get());
  const std::int64_t model = activeModelId();
  const std::uint32_t limit = positionLimit(model);
  for (std::uint32_t at = elementAfter(model, 0, limit, false); at != 0; at = elementAfter(model, at, limit, false)) {
    MSElementDescr* descr = nullptr;
    if (mdlElmdscr_read(&descr, at, nullptr, 0) == 0 || descr == nullptr) continue;
    DPoint3d low{}, high{};
    if (element::isGraphicType(element::typeOf(*mdlElmdscr_getElement(descr))) &&
        mdlElmdscr_computeRange(&low, &high, descr) == SUCCESS && overlaps(low, high, job)) {
      renderer.draw(descr);
      ++result.elements;
    }
    mdlElmdscr_freeAll(&descr);
  }
  result.bytes = writer->finish();
  return result;
}

}  // namespace pixmend::host::plot
