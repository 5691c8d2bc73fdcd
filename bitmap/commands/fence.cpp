// The fence in the copy, move and delete commands (see fence.hpp).
//
// The fence's vertices become pixel vertices on the raster, held to its edges on every side, so a
// fence reaching beyond the raster takes (and erases) only what lies on it. The copy buffer is the
// pixel box of those vertices with everything outside the fence cleared: an opaque paste clears
// the destination there, a transparent one leaves it.
#include <algorithm>
#include <vector>

#include "app/session.hpp"
#include "app/undo.hpp"
#include "bitmap/commands/fence.hpp"
#include "bitmap/commands/graphics.hpp"
#include "bitmap/commands/piece.hpp"

namespace pixmend::commands {
namespace {

struct FenceMode {
  bool move = false;
  std::vector<DPoint3d> vertices;  // the fence in the design, for the dynamics
  int minColumn = 0;
  int minRow = 0;
};

FenceMode state;

const char* wording() {
  return state.move ? "move" : "copy";
}

void fenceDynamics(DPoint3d* point, int, int) {
  Piece& pc = piece();
  pc.last = clampPlacement(*point);
  std::vector<DPoint3d> moved = state.vertices;
  for (auto& v : moved) {
    v.x += pc.last.x - pc.from.x;
    v.y += pc.last.y - pc.from.y;
  }
  drawOutline(moved.data(), static_cast<int>(moved.size()), Outline::Shape, 2);
}

void fencePlace(DPoint3d*, int) {
  const Piece& pc = piece();
  const DPoint3d s = pc.from, t = pc.last;
  app::pushUndo();
  if (state.move && fenceErase()) {
    // The erase wrote the raster: the paste is an edit of its own, to be written as well.
    app::markBitmapEdited();
  }
  const app::RasterCoordinates at = app::rasterCoordinates();
  int column = app::RasterCoordinates::truncated(state.minColumn - (s.x - t.x) / at.pixelSize);
  int row = app::RasterCoordinates::truncated((s.y - t.y) / at.pixelSize + state.minRow);
  holdOnRaster(&column, &row);
  pastePiece(column, row, transparentPaste());
  app::writeBackActiveRaster();
  state.vertices.clear();
  dropPiece();
  mdlState_restartCurrentCommand();
}

}  // namespace

void fenceFromPoint(DPoint3d* point, bool move) {
  state = FenceMode();
  state.move = move;
  const std::vector<DPoint2d> pixels = fenceVerticesInPixels();
  if (pixels.size() < 3) {
    mdlState_restartCurrentCommand();
    return;
  }
  const app::RasterCoordinates at = app::rasterCoordinates();
  // The pixel box of the vertices, from the raster's far corner and its origin as the start.
  int minColumn = at.width - 1, minRow = at.height - 1, maxColumn = 0, maxRow = 0;
  double left = at.width, right = 0, top = at.height, bottom = 0;  // of the vertices alone
  for (const DPoint2d& v : pixels) {
    minColumn = std::min(minColumn, static_cast<int>(v.x));
    maxColumn = std::max(maxColumn, static_cast<int>(v.x));
    minRow = std::min(minRow, static_cast<int>(v.y));
    maxRow = std::max(maxRow, static_cast<int>(v.y));
    left = std::min(left, v.x), right = std::max(right, v.x);
    top = std::min(top, v.y), bottom = std::max(bottom, v.y);
  }
  // A fence that lies beside the raster holds none of it: cut to the edge it is a line, and
  // its box (one column or row) would paste as background over the target. Nothing to take.
  if (!(right > left) || !(bottom > top) || maxColumn <= minColumn || maxRow <= minRow) {
    mdlState_restartCurrentCommand();
    return;
  }
  if (!takePixels(BSIRect{{minColumn, minRow}, {maxColumn, maxRow}})) {
    mdlState_restartCurrentCommand();
    return;
  }
  Piece& pc = piece();
  std::vector<DPoint2d> shifted = pixels;
  for (auto& v : shifted) v = {v.x - minColumn, v.y - minRow};
  erasePolygon(pc.bits.get(), pc.size, shifted, true);

  const double p = at.pixelSize;
  pc.low = {minColumn * p + at.origin.x, (at.height - maxRow) * p + at.origin.y, point->z};
  pc.high = {maxColumn * p + at.origin.x, (at.height - minRow) * p + at.origin.y, point->z};
  pc.from = *point;
  pc.last = *point;
  state.vertices = fenceInDesign();
  state.minColumn = minColumn;
  state.minRow = minRow;
  mdlState_dynamicUpdate(fenceDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(fencePlace));
  mdlOutput_printf(MSG_ERROR, "Raster %s fence content > Enter point to define distance and direction", wording());
}

bool fenceErase() {
  const std::vector<DPoint2d> pixels = fenceVerticesInPixels();
  if (pixels.size() < 3) return false;
  displayFence();
  app::pushUndo();
  app::ActiveRaster& r = app::activeRaster();
  erasePolygon(r.bitmap, r.size, pixels, false);
  mdlOutput_printf(MSG_ERROR, "Delete fence content");
  app::writeBackActiveRaster();
  mdlState_restartCurrentCommand();
  return true;
}

}  // namespace pixmend::commands
