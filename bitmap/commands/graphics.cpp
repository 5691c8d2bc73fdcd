// The active raster and the screen as the editing commands share them (see graphics.hpp).
#include "bitmap/commands/graphics.hpp"

#include <algorithm>
#include <memory>

#include "app/session.hpp"

namespace pixmend::commands {
namespace {

// The element the commands display outside dynamics (an element image is large: kept once).
MSElement& displayElement() {
  static const auto element = std::make_unique<MSElement>();
  return *element;
}

RubberBand band;

}  // namespace

void messageBox(const char* text) {
  app::okBox(text, 4);
}

DPoint3d clampToRaster(const DPoint3d& point) {
  const app::RasterCoordinates at = app::rasterCoordinates();
  DPoint3d p = point;
  p.x = std::min(std::max(p.x, at.origin.x), at.origin.x + at.width * at.pixelSize);
  p.y = std::min(std::max(p.y, at.origin.y), at.origin.y + at.height * at.pixelSize);
  return p;
}

std::vector<DPoint3d> fenceInDesign() {
  MSElement& shape = displayElement();
  mdlFence_toShape(&shape);
  std::vector<DPoint3d> points(MAX_VERTICES);
  int count = 0;
  if (mdlLinear_extract(points.data(), &count, &shape, mdlModelRef_getActive()) != SUCCESS || count < 3) count = 0;
  points.resize(static_cast<std::size_t>(count));
  return points;
}

std::vector<DPoint2d> fenceVerticesInPixels() {
  const app::RasterCoordinates at = app::rasterCoordinates();
  std::vector<DPoint2d> pixels;
  for (const DPoint3d& v : fenceInDesign()) {
    pixels.push_back({static_cast<double>(at.vertexColumn(v.x)), static_cast<double>(at.vertexRow(v.y))});
  }
  return pixels;
}

bool displayFence() {
  MSElement& shape = displayElement();
  if (mdlFence_toShape(&shape) != SUCCESS) return false;
  mdlElement_display(&shape, DRAW_MODE_Erase);
  return true;
}

bool erasePolygon(unsigned char* bitmap, const Point2d& size, const std::vector<DPoint2d>& polygon, bool outside) {
  const int status = mdlImage_setMapPolygon(bitmap, &size, IMAGEFORMAT_BITMAP, polygon.data(),
                                            static_cast<int>(polygon.size()), outside ? 1 : 0, 0);
  if (status == MDLERR_INSFMEMORY) messageBox("Insufficient memory is available");
  if (status == MDLERR_INVALIDIMAGE) messageBox("Invalid image format");
  return status == SUCCESS;
}

void drawOutline(const DPoint3d* points, int count, Outline kind, int style, int displayMode) {
  MSElement* element = displayMode < 0 ? dgnBuf : &displayElement();
  const int status = kind == Outline::LineString
                         ? mdlLineString_create(element, nullptr, points, count)
                         : mdlShape_create(element, nullptr, points, count, kind == Outline::FilledShape ? 1 : 0);
  if (status == MDLERR_OUTOFDESIGNPLANE) messageBox("The coordinates are beyond the design plane");
  if (status != SUCCESS) return;
  const unsigned color = 0, weight = 0;
  mdlElement_setSymbology(element, &color, &weight, &style);
  if (displayMode >= 0) mdlElement_display(element, displayMode);
}

void viewRectangle(const DPoint3d& a, const DPoint3d& b, int view, DPoint3d out[5]) {
  RotMatrix rotation{};
  if (mdlRMatrix_fromView(&rotation, view, 0) != SUCCESS) rotation = RotMatrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  DPoint3d p = a, q = b;
  mdlRMatrix_rotatePoint(&p, &rotation);
  mdlRMatrix_rotatePoint(&q, &rotation);
  out[0] = {p.x, p.y, p.z};
  out[1] = {q.x, p.y, p.z};
  out[2] = {q.x, q.y, p.z};
  out[3] = {p.x, q.y, p.z};
  for (int k = 0; k < 4; ++k) {
    mdlRMatrix_unrotatePoint(&out[k], &rotation);
    out[k] = {out[k].x + 0.0, out[k].y + 0.0, out[k].z + 0.0};  // never "-0"
  }
  out[4] = out[0];
}

RubberBand& rubberBand() {
  return band;
}

void startRubberBand(const DPoint3d& first) {
  band.first = clampToRaster(first);
  band.second = band.first;
}

void rubberBandDynamics(DPoint3d* point, int view, int) {
  const DPoint3d origin = app::activeRaster().origin;
  if (point->x == origin.x && point->y == origin.y) return;
  band.second = clampToRaster(*point);
  DPoint3d outline[5];
  viewRectangle(band.first, band.second, view, outline);
  drawOutline(outline, 5, Outline::LineString, 2);
}

}  // namespace pixmend::commands
