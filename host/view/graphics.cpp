// Temporary graphics (see graphics.hpp):
//   keepDisplayed / keepDynamics / showFence    what the views show besides the rasters
//   viewsRedrawn / commandGraphicsEnded         when it goes
//   GraphicsPainter                             the picture rows it paints
//
// Painting works a picture row at a time, as the pictures are written. Each line is a band of
// half its width on either side of the segment with round ends: for a row, the pixels whose
// centres lie within that band form one run, found from the segment's equation and the two end
// discs. Filled shapes take the pixels whose centres lie inside by the even-odd rule, as the
// image library fills polygons.
#include "host/view/graphics.hpp"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

#include "host/lifecycle.hpp"
#include "host/view/api.h"
#include "host/view/textlook.hpp"

namespace pixmend::host {
namespace {

struct Kept {
  ElementInfo element;
  int drawMode = 0;
  std::bitset<MAX_VIEWS> views;  // the views that still show it
};

struct Store {
  std::deque<Kept> displayed;
  std::vector<std::pair<ElementInfo, int>> dynamics;
  std::optional<std::vector<DPoint3d>> fence;
  int fenceView = 0;
};

Store& store() {
  static Store instance;
  return instance;
}

const bool registered = registerReset("view.graphics", [] { store() = Store(); });

constexpr double kPaper[3] = {1, 1, 1};
constexpr double kHighlight[3] = {0, 160 / 255.0, 192 / 255.0};  // cyan
constexpr double kFence[3] = {192 / 255.0, 0, 192 / 255.0};      // magenta
constexpr int kFenceStyle = 2;

// Dashes (on, off) in picture pixels for line styles 1 to 7; style 0 is solid.
constexpr double kDashes[8][2] = {{0, 0}, {2, 3}, {8, 4}, {12, 4}, {12, 3}, {4, 4}, {16, 4}, {6, 2}};

void colorOf(const ElementInfo& e, int drawMode, double rgb[3]) {
  if (drawMode == DRAW_MODE_Erase) {
    std::copy(kPaper, kPaper + 3, rgb);
    return;
  }
  if (drawMode == DRAW_MODE_Hilite) {
    std::copy(kHighlight, kHighlight + 3, rgb);
    return;
  }
  const RgbColorDef c = elementColour(static_cast<int>(e.color));
  rgb[0] = c.red / 255.0;
  rgb[1] = c.green / 255.0;
  rgb[2] = c.blue / 255.0;
}

struct Segment {
  DPoint2d a, b;
  double half = 0.5;
  double rgb[3] = {0, 0, 0};
};

struct Fill {
  std::vector<DPoint2d> points;  // closed
  double top = 0, bottom = 0;    // rows it reaches
  double rgb[3] = {0, 0, 0};
};

// One item in drawing order: a fill or a segment.
struct Item {
  bool isFill = false;
  std::size_t index = 0;
};

// The x interval of the points (x, yc) within `h` of the segment a-b.
bool bandSpan(const Segment& s, double yc, double* lo, double* hi) {
  double l = HUGE_VAL, r = -HUGE_VAL;
  for (const DPoint2d& c : {s.a, s.b}) {
    const double dy = yc - c.y;
    if (std::fabs(dy) > s.half) continue;
    const double w = std::sqrt(s.half * s.half - dy * dy);
    l = std::min(l, c.x - w);
    r = std::max(r, c.x + w);
  }
  const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y, length = std::hypot(dx, dy);
  if (length > 0) {
    const double ux = dx / length, uy = dy / length;
    double from = -HUGE_VAL, to = HUGE_VAL;
    // low <= coefficient * x + constant <= high
    auto bound = [&](double coefficient, double constant, double low, double high) {
      if (coefficient == 0) {
        if (constant < low || constant > high) from = HUGE_VAL, to = -HUGE_VAL;
        return;
      }
      double p = (low - constant) / coefficient, q = (high - constant) / coefficient;
      if (p > q) std::swap(p, q);
      from = std::max(from, p);
      to = std::min(to, q);
    };
    bound(ux, -s.a.x * ux + (yc - s.a.y) * uy, 0, length);           // along the segment
    bound(-uy, s.a.x * uy + (yc - s.a.y) * ux, -s.half, s.half);     // across it
    if (from <= to) {
      l = std::min(l, from);
      r = std::max(r, to);
    }
  }
  if (!(l <= r)) return false;
  *lo = l;
  *hi = r;
  return true;
}

// Picture pixels whose centres lie in [lo, hi] (or (lo, hi) when `open`), clipped to the row.
bool pixelsOf(double lo, double hi, int width, bool open, PaintSpan* span) {
  const double first = open ? std::floor(lo - 0.5) + 1 : std::ceil(lo - 0.5);
  const double last = open ? std::ceil(hi - 0.5) - 1 : std::floor(hi - 0.5);
  const double a = std::max(first, 0.0), b = std::min(last, width - 1.0);
  if (!(a <= b)) return false;
  span->first = static_cast<int>(a);
  span->last = static_cast<int>(b);
  return true;
}

}  // namespace

struct GraphicsPainter::Shapes {
  int width = 0;
  std::vector<Segment> segments;
  std::vector<Fill> fills;
  std::vector<Item> items;

  void addFill(std::vector<DPoint2d> points, const double rgb[3]) {
    Fill f;
    f.top = HUGE_VAL;
    f.bottom = -HUGE_VAL;
    for (const auto& p : points) {
      f.top = std::min(f.top, p.y);
      f.bottom = std::max(f.bottom, p.y);
    }
    f.points = std::move(points);
    std::copy(rgb, rgb + 3, f.rgb);
    items.push_back({true, fills.size()});
    fills.push_back(std::move(f));
  }

  void addSegment(const DPoint2d& a, const DPoint2d& b, double half, const double rgb[3]) {
    Segment s;
    s.a = a;
    s.b = b;
    s.half = half;
    std::copy(rgb, rgb + 3, s.rgb);
    items.push_back({false, segments.size()});
    segments.push_back(s);
  }

  // A polyline, dashed by `style` (the dashes run on from one segment to the next).
  void addStroke(const std::vector<DPoint2d>& points, int style, unsigned weight, const double rgb[3]) {
    const double half = 0.5 * (1 + weight);
    const double on = kDashes[style & 7][0], off = kDashes[style & 7][1];
    double phase = 0;  // distance into the current dash period
    for (std::size_t k = 1; k < points.size(); ++k) {
      const DPoint2d a = points[k - 1], b = points[k];
      if (on == 0) {
        addSegment(a, b, half, rgb);
        continue;
      }
      const double length = std::hypot(b.x - a.x, b.y - a.y);
      if (!(length > 0) || !std::isfinite(length)) continue;
      double at = 0;
      while (at < length) {
        const bool drawing = phase < on;
        const double step = std::min(length - at, drawing ? on - phase : on + off - phase);
        if (drawing) {
          const double t0 = at / length, t1 = (at + step) / length;
          addSegment({a.x + (b.x - a.x) * t0, a.y + (b.y - a.y) * t0},
                     {a.x + (b.x - a.x) * t1, a.y + (b.y - a.y) * t1}, half, rgb);
        }
        at += step;
        phase = std::fmod(phase + step, on + off);
      }
    }
  }
};

// Design coordinates to picture pixels: turned by the view's rotation, then the area scaled onto
// the picture with y downwards.
struct GraphicsPainter::Mapping {
  RotMatrix rotation;
  ViewArea area;
  double sx = 1, sy = 1;
  PaintOptions options;

  DPoint2d point(DPoint3d v) const {
    mdlRMatrix_rotatePoint(&v, &rotation);
    return {(v.x - area.low.x) * sx, (area.high.y - v.y) * sy};
  }
  DPoint3d vector(DPoint3d v) const {
    mdlRMatrix_rotatePoint(&v, &rotation);
    return {v.x * sx, -v.y * sy, 0};
  }

  // The element's outline in picture pixels: its vertices, then its curves cut into chords a
  // quarter of a pixel from the curve.
  std::vector<DPoint2d> path(const ElementInfo& e) const {
    std::vector<DPoint2d> out;
    for (const DPoint3d& v : e.vertices) out.push_back(point(v));
    std::vector<DPoint3d> stroked;
    for (const OutlinePart& part : e.outline) {
      for (const DPoint3d& v : part.vertices) out.push_back(point(v));
      if (!part.curve) continue;
      geometry::Curve c = *part.curve;
      const DPoint2d centre = point(c.centre);
      c.centre = {centre.x, centre.y, 0};
      c.u = vector(c.u);
      c.v = vector(c.v);
      stroked.clear();
      geometry::strokeCurve(c, 0.25, &stroked);
      for (const DPoint3d& p : stroked) out.push_back({p.x, p.y});
    }
    return out;
  }
};

void GraphicsPainter::add(const Mapping& m, const ElementInfo& e, int drawMode) {
  Shapes& s = *shapes_;
  if (e.type == TEXT_ELM && !m.options.text) return;
  double rgb[3];
  colorOf(e, drawMode, rgb);
  std::vector<DPoint2d> points = m.path(e);
  if (points.empty()) return;
  if (e.type == TEXT_ELM) {
    addText(s, m, points, e, rgb);
    return;
  }
  if (closedOutline(e)) {
    if (points.front().x != points.back().x || points.front().y != points.back().y) points.push_back(points.front());
    if (e.filled && m.options.fill) s.addFill(points, rgb);
  }
  s.addStroke(points, e.style, m.options.weights ? e.weight : 0, rgb);
}

GraphicsPainter::GraphicsPainter(int view, const RotMatrix& rotation, const ViewArea& area, int width,
                                 int height)
    : shapes_(std::make_unique<Shapes>()) {
  shapes_->width = width;
  const Mapping m{rotation, area, width / (area.high.x - area.low.x), height / (area.high.y - area.low.y), {}};
  const Store& st = store();
  if (st.fence && st.fenceView == view) {
    std::vector<DPoint2d> fence;
    for (const DPoint3d& v : *st.fence) fence.push_back(m.point(v));
    shapes_->addStroke(fence, kFenceStyle, 0, kFence);
  }
  for (const Kept& k : st.displayed) {
    if (view >= 0 && view < MAX_VIEWS && k.views.test(static_cast<std::size_t>(view))) add(m, k.element, k.drawMode);
  }
  for (const auto& [element, drawMode] : st.dynamics) add(m, element, drawMode);
}

GraphicsPainter::GraphicsPainter(const std::vector<ElementInfo>& elements, int drawMode, const PaintOptions& options,
                                 const RotMatrix& rotation, const ViewArea& area, int width, int height)
    : shapes_(std::make_unique<Shapes>()) {
  shapes_->width = width;
  const Mapping m{rotation, area, width / (area.high.x - area.low.x), height / (area.high.y - area.low.y), options};
  for (const ElementInfo& e : elements) add(m, e, drawMode);
}

void GraphicsPainter::addText(Shapes& s, const Mapping& m, const std::vector<DPoint2d>& box, const ElementInfo& e,
                              const double rgb[3]) {
  if (e.text == nullptr) {
    s.addStroke(box, e.style, 0, rgb);
    return;
  }
  std::vector<DPoint3d> small;
  for (const auto& quad : textGlyphs(*e.text, std::min(m.sx, m.sy), &small)) {
    std::vector<DPoint2d> corners;
    for (const DPoint3d& v : quad) corners.push_back(m.point(v));
    corners.push_back(corners.front());
    s.addFill(std::move(corners), rgb);
  }
  if (!small.empty()) s.addStroke(box, e.style, 0, rgb);  // too small to read: its box
}

GraphicsPainter::~GraphicsPainter() = default;

bool GraphicsPainter::empty() const {
  return shapes_->items.empty();
}

void GraphicsPainter::row(int j, std::vector<PaintSpan>& out) const {
  out.clear();
  const Shapes& s = *shapes_;
  const double yc = j + 0.5;
  std::vector<double> crossings;
  for (const Item& item : s.items) {
    PaintSpan span;
    if (!item.isFill) {
      const Segment& seg = s.segments[item.index];
      double lo = 0, hi = 0;
      if (!bandSpan(seg, yc, &lo, &hi) || !pixelsOf(lo, hi, s.width, false, &span)) continue;
      std::copy(seg.rgb, seg.rgb + 3, span.rgb);
      out.push_back(span);
      continue;
    }
    const Fill& f = s.fills[item.index];
    if (yc < f.top || yc > f.bottom) continue;
    crossings.clear();
    for (std::size_t k = 1; k < f.points.size(); ++k) {
      const DPoint2d p = f.points[k - 1], q = f.points[k];
      if ((p.y <= yc) == (q.y <= yc)) continue;
      crossings.push_back(p.x + (yc - p.y) * (q.x - p.x) / (q.y - p.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
      if (!pixelsOf(crossings[k], crossings[k + 1], s.width, true, &span)) continue;
      std::copy(f.rgb, f.rgb + 3, span.rgb);
      out.push_back(span);
    }
  }
}

void keepDisplayed(const ElementInfo& element, int drawMode) {
  Store& st = store();
  if (st.displayed.size() >= kMaxKeptGraphics) st.displayed.pop_front();
  Kept k;
  k.element = element;
  k.drawMode = drawMode;
  k.views.set();
  st.displayed.push_back(std::move(k));
}

void startDynamicsFrame() {
  store().dynamics.clear();
}

void keepDynamics(const ElementInfo& element, int drawMode) {
  auto& dynamics = store().dynamics;
  if (dynamics.size() < kMaxKeptGraphics) dynamics.emplace_back(element, drawMode);
}

void clearDynamicsGraphics() {
  store().dynamics.clear();
}

void viewsRedrawn(int view) {
  auto& displayed = store().displayed;
  for (Kept& k : displayed) {
    if (view < 0) {
      k.views.reset();
    } else if (view < MAX_VIEWS) {
      k.views.reset(static_cast<std::size_t>(view));
    }
  }
  displayed.erase(std::remove_if(displayed.begin(), displayed.end(), [](const Kept& k) { return k.views.none(); }),
                  displayed.end());
}

void commandGraphicsEnded() {
  store().displayed.clear();
  store().dynamics.clear();
}

void showFence(const std::vector<DPoint3d>* vertices, int view) {
  Store& st = store();
  if (vertices == nullptr) {
    st.fence.reset();
    return;
  }
  st.fence = *vertices;
  st.fenceView = view;
}

std::size_t displayedCount(int view) {
  if (view < 0 || view >= MAX_VIEWS) return 0;
  std::size_t n = 0;
  for (const Kept& k : store().displayed) n += k.views.test(static_cast<std::size_t>(view)) ? 1 : 0;
  return n;
}

}  // namespace pixmend::host
