// Polygon fill by spans: for each row the edges crossing the row's centre line are intersected,
// sorted, and paired by the even-odd rule; a pixel belongs to a span when its centre does
// (left ends inclusive, right ends exclusive, and an edge counts for the rows whose centres lie
// in [its top, its bottom)), so a rectangle with corners on pixel boundaries covers exactly its
// pixels. Spans are filled bytewise with edge masks.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/image/kernels.hpp"

namespace pixmend::host {

namespace {

struct Edge {
  double yTop, yBottom;  // yTop < yBottom
  double x0, y0, slope;  // x at the row centre yc: x0 + (yc - y0) * slope
};

// Pixel column whose centre is the first at or right of x, clamped to [0, width].
int firstColumnFrom(double x, int width) {
  const double c = std::ceil(x - 0.5);
  if (c <= 0) return 0;
  if (c >= width) return width;
  return static_cast<int>(c);
}

}  // namespace

int fillPolygon(const BitmapView& image, const DPoint2d* points, int count, bool outside, bool ink) {
  if (image.empty()) return MDLERR_INVALIDIMAGE;
  if (count < 0 || (count > 0 && points == nullptr)) return MDLERR_INVALIDIMAGE;
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y)) return MDLERR_INVALIDIMAGE;
  const int W = image.width, H = image.height;
  const std::size_t edgeCount = count >= 3 ? static_cast<std::size_t>(count) : 0;
  // One block for the edges and the crossings of a row.
  ImageBytes block(allocateImageBytes(edgeCount * (sizeof(Edge) + sizeof(double)) + 1, false));
  if (!block) return MDLERR_INSFMEMORY;
  auto* edges = reinterpret_cast<Edge*>(block.get());
  auto* xs = reinterpret_cast<double*>(block.get() + edgeCount * sizeof(Edge));
  std::size_t n = 0;
  double yMin = INFINITY, yMax = -INFINITY;
  for (std::size_t i = 0; i < edgeCount; ++i) {
    const DPoint2d& a = points[i];
    const DPoint2d& b = points[(i + 1) % edgeCount];
    if (a.y == b.y) continue;  // horizontal edges cross no row centre line
    Edge e;
    e.yTop = std::min(a.y, b.y);
    e.yBottom = std::max(a.y, b.y);
    e.x0 = a.x;
    e.y0 = a.y;
    e.slope = (b.x - a.x) / (b.y - a.y);
    edges[n++] = e;
    yMin = std::min(yMin, e.yTop);
    yMax = std::max(yMax, e.yBottom);
  }
  for (int y = 0; y < H; ++y) {
    std::uint8_t* row = image.row(y);
    const double yc = y + 0.5;
    std::size_t k = 0;
    if (n > 0 && yc >= yMin && yc < yMax) {
      for (std::size_t i = 0; i < n; ++i) {
        const Edge& e = edges[i];
        if (yc >= e.yTop && yc < e.yBottom) {
          double x = e.x0 + (yc - e.y0) * e.slope;
          // Keep far-off crossings finite and orderable; only [0, W] matters.
          x = std::max(-1.0, std::min(x, static_cast<double>(W) + 1.0));
          std::size_t j = k++;
          while (j > 0 && xs[j - 1] > x) {
            xs[j] = xs[j - 1];
            --j;
          }
          xs[j] = x;
        }
      }
    }
    if (!outside) {
      for (std::size_t i = 0; i + 1 < k; i += 2)
        fillBits(row, static_cast<std::size_t>(firstColumnFrom(xs[i], W)),
                 static_cast<std::size_t>(firstColumnFrom(xs[i + 1], W)), ink);
      continue;
    }
    std::size_t from = 0;
    for (std::size_t i = 0; i + 1 < k; i += 2) {
      const auto a = static_cast<std::size_t>(firstColumnFrom(xs[i], W));
      const auto b = static_cast<std::size_t>(firstColumnFrom(xs[i + 1], W));
      fillBits(row, from, a, ink);
      from = std::max(from, b);
    }
    fillBits(row, from, static_cast<std::size_t>(W), ink);
  }
  return 0;
}

}  // namespace pixmend::host
