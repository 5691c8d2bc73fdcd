// Raster copy and raster move: the start both commands share, and the rectangle mode.
//
//   start               discards a live smart selection, then by copyMoveMode: the smart modes
//                       go to smartcopy.cpp, the fence mode prompts, the rectangle mode waits
//   firstPoint          the shared first data point: rectangle corner or fence from point
//   rectangle mode      first corner, opposite corner (rubber band), from point, placements
//
// The rectangle's pixels are taken when the opposite corner is given; the from point turns them
// by copyRotation; each placement pushes the undo state, erases the source once for a move (so
// every later placement is a copy) and pastes the piece opaquely or transparently by
// copyTransparent, then writes the raster back. Prompts and messages are in message field 1.
#include <algorithm>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/undo.hpp"
#include "bitmap/commands/commands.hpp"
#include "bitmap/commands/fence.hpp"
#include "bitmap/commands/graphics.hpp"
#include "bitmap/commands/piece.hpp"
#include "host/mdl.h"

namespace pixmend::commands {
namespace {

enum Mode { kSmart = 1, kSmartCutLines = 2, kRectangle = 3, kFence = 4 };

struct CopyMove {
  bool moveCommand = false;  // which command runs
  bool move = false;         // the move flag: the source is still to be erased
  BSIRect source{};          // the rectangle's pixels at their source
};

CopyMove state;

int copyMoveMode() {
  const app::VxRasterParams* p = app::params();
  return p != nullptr ? p->copyMoveMode : 0;
}

int copyRotation() {
  const app::VxRasterParams* p = app::params();
  return p != nullptr ? p->copyRotation : 0;
}

const char* wording() {
  return state.move ? "move" : "copy";
}

StateFunc_Reset commandStart() {
  return state.moveCommand ? moveStart : copyStart;
}

// ---- Rectangle mode --------------------------------------------------------------------------------

void placementDynamics(DPoint3d* point, int, int) {
  Piece& pc = piece();
  pc.last = clampPlacement(*point);
  const double dx = pc.last.x - pc.from.x, dy = pc.last.y - pc.from.y;
  const double x1 = pc.low.x + dx, y1 = pc.low.y + dy, x2 = pc.high.x + dx, y2 = pc.high.y + dy, z = pc.low.z;
  const DPoint3d outline[5] = {{x1, y2, z}, {x2, y2, z}, {x2, y1, z}, {x1, y1, z}, {x1, y2, z}};
  drawOutline(outline, 5, Outline::Shape, 2);
}

void place(DPoint3d*, int) {
  int column = 0, row = 0;
  placementPixel(piece().last, &column, &row);
  holdOnRaster(&column, &row);
  app::pushUndo();
  app::ActiveRaster& r = app::activeRaster();
  if (state.move) {
    const BSIRect& s = state.source;
    const double left = s.origin.x, top = s.origin.y, right = s.corner.x, bottom = s.corner.y;
    erasePolygon(r.bitmap, r.size, {{left, bottom}, {right, bottom}, {right, top}, {left, top}, {left, bottom}},
                 false);
    state.move = false;
  }
  pastePiece(column, row, transparentPaste());
  app::writeBackActiveRaster();
  mdlOutput_printf(MSG_ERROR, "Raster %s > Enter point to define distance and direction", wording());
}

void fromPoint(DPoint3d* point, int) {
  Piece& pc = piece();
  pc.from = *point;
  turnPiece(copyRotation());
  pc.last = pc.from;
  mdlState_dynamicUpdate(placementDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(place));
  mdlOutput_printf(MSG_ERROR, "Raster %s > Enter point to define distance and direction", wording());
}

void invalidRectangle() {
  mdlOutput_printf(MSG_ERROR, "Raster copy > Invalid rectangle size");
  mdlState_clear();
}

void secondCorner(DPoint3d*, int view) {
  const RubberBand& band = rubberBand();
  const DPoint3d a = band.first, b = band.second;
  if (a.x == b.x || a.y == b.y) {
    invalidRectangle();
    return;
  }
  const app::RasterCoordinates at = app::rasterCoordinates();
  const DPoint3d low{std::min(a.x, b.x), std::min(a.y, b.y), a.z}, high{std::max(a.x, b.x), std::max(a.y, b.y), a.z};
  // The piece is the pixels between the corners' columns and rows. Its size is taken from them,
  // not from the corners' distance: with corners inside pixels the two differ by one, and a buffer
  // sized by the distance would be overrun. A rectangle narrower than a pixel holds none.
  const BSIRect rect{{at.column(low.x), at.row(high.y)}, {at.column(high.x), at.row(low.y)}};
  if (rect.corner.x <= rect.origin.x || rect.corner.y <= rect.origin.y) {
    invalidRectangle();
    return;
  }
  DPoint3d outline[5];
  viewRectangle(a, b, view, outline);
  drawOutline(outline, 5, Outline::LineString, 2, DRAW_MODE_Normal);
  if (!takePixels(rect)) {
    mdlState_clear();
    return;
  }
  state.source = rect;
  piece().low = low;
  piece().high = high;
  mdlState_dynamicUpdate(nullptr, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(fromPoint));
  mdlOutput_printf(MSG_ERROR, state.move ? "Raster move > Enter point to move from" : "Raster copy > Enter point to copy from");
}

void firstCorner(DPoint3d* point) {
  startRubberBand(*point);
  mdlState_dynamicUpdate(rubberBandDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(secondCorner));
  mdlOutput_printf(MSG_ERROR, "Raster %s > Enter opposite corner", wording());
}

// ---- The start ----------------------------------------------------------------------------------------

void firstPoint(DPoint3d* point, int) {
  switch (copyMoveMode()) {
    case kRectangle:
      firstCorner(point);
      break;
    case kFence:
      fenceFromPoint(point, state.move);
      break;
    case kSmart:
    case kSmartCutLines:  // the mode was changed after the start: start the smart mode afresh
      startSmartCopyMove(state.moveCommand, copyMoveMode() == kSmartCutLines);
      break;
    default:  // no mode: the data point does nothing
      break;
  }
}

void start(bool move) {
  // A smart selection still shown is given up, overlay raster included, by move as by copy: the
  // overlay belongs to nothing once the selection is gone.
  if (app::activeRaster().overlayAttached != 0) discardSmartSelection();
  dropPiece();
  state = CopyMove();
  state.moveCommand = move;
  state.move = move;
  const int mode = copyMoveMode();
  if (mode == kSmart || mode == kSmartCutLines) {
    startSmartCopyMove(move, mode == kSmartCutLines);
    return;
  }
  if (mode == kFence) mdlOutput_printf(MSG_ERROR, "Raster %s fence content > Enter first point", wording());
  mdlState_startPrimitive(firstPoint, commandStart(), 0, 0);
  mdlState_setFunction(STATE_COMMAND_CLEANUP, reinterpret_cast<void*>(dropPiece));
}

}  // namespace

void copyStart() {
  start(false);
}

void moveStart() {
  start(true);
}

}  // namespace pixmend::commands
