// The delete commands that erase by rectangle or fence:
//   delete dynamic rectangle   a rectangle dragged open; its inside erased (deleteRectangleMode 1)
//                              or everything outside it
//   delete rectangle           an eraser of the set size (deleteRectangleWidth and -Height, master
//                              units) follows the cursor, held on the raster; each click erases
//   delete fence content       accept erases what the fence holds
//
// The rectangle commands write the raster back after each erase only when autoWriteBack is set
// (an erase outside a rectangle always); otherwise a reset writes it back, and until then each
// erased rectangle is shown by a filled shape in draw mode 1. Each command starts again after an
// erase. Prompts are in message field 2, messages in field 1.
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/undo.hpp"
#include "bitmap/commands/commands.hpp"
#include "bitmap/commands/fence.hpp"
#include "bitmap/commands/graphics.hpp"
#include "host/mdl.h"

namespace pixmend::commands {
namespace {

bool autoWriteBack() {
  const app::UserInterfaceData* ui = app::userInterface();
  return ui == nullptr || ui->autoWriteBack != 0;
}

void writeBack() {
  app::writeBackActiveRaster();
}

// Shows the erased rectangle with corners a and b as a filled shape in draw mode 1.
void showErased(const DPoint3d& a, const DPoint3d& b) {
  const DPoint3d shape[5] = {{a.x, a.y, a.z}, {b.x, a.y, a.z}, {b.x, b.y, a.z}, {a.x, b.y, a.z}, {a.x, a.y, a.z}};
  drawOutline(shape, 5, Outline::FilledShape, 0, DRAW_MODE_Erase);
}

std::vector<DPoint2d> pixelRectangle(double left, double top, double right, double bottom) {
  const double l = std::trunc(left), t = std::trunc(top), r = std::trunc(right), b = std::trunc(bottom);
  return {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
}

// ---- Delete dynamic rectangle ---------------------------------------------------------------------

void secondPoint(DPoint3d*, int) {
  const RubberBand& band = rubberBand();
  const DPoint3d a = band.first, b = band.second;
  // A rectangle without width or height encloses nothing: erasing its outside would take the
  // whole raster on a double click.
  if (a.x == b.x || a.y == b.y) {
    mdlState_restartCurrentCommand();
    return;
  }
  const app::VxRasterParams* params = app::params();
  const bool inside = params != nullptr && params->deleteRectangleMode == 1;
  if (inside) showErased(a, b);
  const app::RasterCoordinates at = app::rasterCoordinates();
  const double p = at.pixelSize;
  const double left = std::trunc((a.x - at.origin.x) / p);
  const double top = std::trunc(at.height - std::fabs((a.y - at.origin.y) / p));
  app::pushUndo();
  app::ActiveRaster& r = app::activeRaster();
  erasePolygon(r.bitmap, r.size, pixelRectangle(left, top, left + (b.x - a.x) / p, top - (b.y - a.y) / p), !inside);
  if (!inside || autoWriteBack()) app::writeBackActiveRaster();
  mdlState_restartCurrentCommand();
}

void firstPoint(DPoint3d* point, int) {
  startRubberBand(*point);
  mdlState_dynamicUpdate(rubberBandDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(secondPoint));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(deleteDynamicRectangleStart));
  mdlOutput_printf(MSG_PROMPT, "Delete dynamic rectangle > Place second point");
}

// ---- Delete rectangle (the eraser) ---------------------------------------------------------------

struct EraserSize {
  double width = 0;
  double height = 0;
};

// The eraser's size in design units, each side at most the raster's. A size typed negative
// counts by its length; one that is no number erases nothing.
EraserSize eraserSize() {
  const app::VxRasterParams* params = app::params();
  const app::RasterCoordinates at = app::rasterCoordinates();
  EraserSize size;
  if (params == nullptr) return size;
  mdlCnv_masterUnitsToUors(&size.width, params->deleteRectangleWidth, mdlModelRef_getActive());
  mdlCnv_masterUnitsToUors(&size.height, params->deleteRectangleHeight, mdlModelRef_getActive());
  size.width = std::isfinite(size.width) ? std::min(std::fabs(size.width), at.width * at.pixelSize) : 0;
  size.height = std::isfinite(size.height) ? std::min(std::fabs(size.height), at.height * at.pixelSize) : 0;
  return size;
}

// The cursor moved so that the eraser centred on it lies on the raster.
DPoint3d clampEraser(const DPoint3d& point, const EraserSize& size) {
  const app::RasterCoordinates at = app::rasterCoordinates();
  const double x0 = at.origin.x, y0 = at.origin.y;
  const double x1 = x0 + at.width * at.pixelSize, y1 = y0 + at.height * at.pixelSize;
  DPoint3d c = point;
  c.x = std::min(std::max(c.x, x0 + size.width / 2), x1 - size.width / 2);
  c.y = std::min(std::max(c.y, y0 + size.height / 2), y1 - size.height / 2);
  return c;
}

void eraserCorners(const DPoint3d& centre, const EraserSize& size, DPoint3d* low, DPoint3d* high) {
  *low = {centre.x - size.width / 2, centre.y - size.height / 2, centre.z};
  *high = {centre.x + size.width / 2, centre.y + size.height / 2, centre.z};
}

void eraserDynamics(DPoint3d* point, int, int) {
  const EraserSize size = eraserSize();
  DPoint3d low, high;
  eraserCorners(clampEraser(*point, size), size, &low, &high);
  const DPoint3d outline[5] = {
      {low.x, low.y, low.z}, {high.x, low.y, low.z}, {high.x, high.y, low.z}, {low.x, high.y, low.z}, low};
  drawOutline(outline, 5, Outline::LineString, 2);
}

void erase(DPoint3d* point, int) {
  const EraserSize size = eraserSize();
  const DPoint3d centre = clampEraser(*point, size);
  DPoint3d low, high;
  eraserCorners(centre, size, &low, &high);
  showErased(low, high);
  const app::RasterCoordinates at = app::rasterCoordinates();
  const double p = at.pixelSize;
  const double c = std::fabs((centre.x - at.origin.x) / p);
  const double r = std::fabs(at.height - std::fabs((centre.y - at.origin.y) / p));
  const double hw = size.width / 2 / p, hh = size.height / 2 / p;
  app::pushUndo();
  app::ActiveRaster& raster = app::activeRaster();
  erasePolygon(raster.bitmap, raster.size, pixelRectangle(c - hw, r - hh, c + hw, r + hh), false);
  if (autoWriteBack()) app::writeBackActiveRaster();
  mdlState_restartCurrentCommand();
}

// ---- Delete fence content ------------------------------------------------------------------------

void accept(DPoint3d*, int) {
  if (!fenceErase()) {
    mdlOutput_printf(MSG_ERROR, "Delete fence content in raster > Place a fence first");
    mdlState_restartCurrentCommand();
  }
}

}  // namespace

void deleteDynamicRectangleStart() {
  mdlState_startPrimitive(firstPoint, deleteDynamicRectangleStart, 0, 0);
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(writeBack));
  mdlOutput_printf(MSG_PROMPT, "Delete dynamic rectangle > Place first point");
}

void deleteRectangleStart() {
  mdlState_startPrimitive(erase, deleteRectangleStart, 0, 0);
  mdlState_dynamicUpdate(eraserDynamics, 0);
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(writeBack));
  mdlOutput_printf(MSG_PROMPT, "Delete rectangle > Click on raster to erase");
}

void deleteFenceStart() {
  mdlState_startPrimitive(accept, deleteFenceStart, 0, 0);
  mdlOutput_printf(MSG_PROMPT, "Delete fence content in raster > Accept/Reject fence contents");
}

}  // namespace pixmend::commands
