// Smart copy and smart move, with and without cut lines (the copy and move commands in
// `copyMoveMode` 1 and 2): the user clicks on ink, the connected ink (bounded by the cut lines
// drawn first, in mode 2) is shown as an overlay raster, picked up at a from point, turned by
// `copyRotation` and placed where the next data point puts it, always transparently. A move
// erases exactly the marked pixels at the source first.
//
//   mode 1:  start -> select -> from point -> placement -> start
//   mode 2:  start -> cut line (first point as entered, second clamped) -> more cut lines
//            -> reset: area select -> select -> from point -> placement -> start
//            a reset in the area select, or once selected, is the cut-line restart
//
// Every text goes to message field 1. The smart state (0 copy, 1 move, 2 copy with cut lines,
// 3 move with cut lines) chooses the wording.
#include <cstdio>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/undo.hpp"
#include "bitmap/bitmap.hpp"
#include "bitmap/commands/commands.hpp"
#include "bitmap/commands/smartselect.hpp"
#include "bitmap/paste.hpp"
#include "host/mdl.h"
#include "pixmend/vxdll.h"

namespace pixmend::commands {
namespace {

constexpr const char* kTempName = "rsdeltmp.cit";

struct CopyMove {
  bool move = false;   // the move command
  int smartState = 0;  // 0 smart copy, 1 smart move, 2 and 3 the same with cut lines
  DPoint3d from{};     // where the piece is picked up
  // The piece's rectangle in design units, turned about the from point: (x1, y1) the lower-left
  // corner, (x2, y2) the upper-right one.
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  DPoint3d last{};  // the cursor as the placement dynamics last drew it, kept inside the raster
};

CopyMove command;

const char* prefix() {
  static const char* const names[] = {"Raster smart copy", "Raster smart move", "Raster smart copy with cut lines",
                                      "Raster smart move with cut lines"};
  return names[command.smartState & 3];
}

bool moving() {
  return (command.smartState & 1) != 0;
}

void say(const char* text) {
  mdlOutput_printf(MSG_ERROR, "%s > %s", prefix(), text);
}

void selectArea(DPoint3d* point, int view);
void fromPoint(DPoint3d* point, int view);
void place(DPoint3d* point, int view);
void firstCutLineFirstPoint(DPoint3d* point, int view);
void nextCutLineFirstPoint(DPoint3d* point, int view);
void cutLineSecondPoint(DPoint3d* point, int view);
void areaSelectSwitch();
void cutLineRestart();

// The command start (copy or move), which dispatches on `copyMoveMode` again; it is also the
// reset handler that starts the command afresh.
StateFunc_Reset commandStart() {
  return command.move ? moveStart : copyStart;
}
void restartCommand() {
  commandStart()();
}

// Starts a state machine of these commands. What a selection holds is dropped whenever the
// command ends (another command, a release of the raster), so that neither the overlay raster
// nor its file outlives it.
void beginRound(StateFunc_DataPoint dataPoint, StateFunc_Reset reset) {
  mdlState_startPrimitive(dataPoint, reset, 0, 0);
  mdlState_setFunction(STATE_COMMAND_CLEANUP, reinterpret_cast<void*>(dropSmartSelection));
}

// The command's first data point: the mode may have changed in the dialog since the start.
void firstPoint(DPoint3d* point, int view) {
  const app::VxRasterParams* params = app::params();
  const int mode = params != nullptr ? params->copyMoveMode : 0;
  if (mode == 1 && (command.smartState & 2) == 0) {
    selectArea(point, view);
  } else if (mode == 2 && (command.smartState & 2) != 0) {
    firstCutLineFirstPoint(point, view);
  } else {
    mdlState_restartCurrentCommand();  // the mode changed in the dialog: start in the new one
  }
}

// A data point on the ink to take (mode 1 from the start, mode 2 in the area select).
void selectArea(DPoint3d* point, int) {
  if (!insideRaster(*point)) {
    say("Outside raster");
    return;
  }
  const Pixel seed = pixelUnder(*point);
  if (!inkAt(seed)) {
    say("No area to select");
    mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(commandStart()));
    return;
  }
  const bool withCutLines = (command.smartState & 2) != 0;
  const bool ready = withCutLines ? cutLineSelectionState() : newSelectionState();
  if (!ready || !takeSelection(seed, kTempName)) {  // memory: the user has been told
    restartCommand();
    return;
  }
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(fromPoint));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(withCutLines ? cutLineRestart : commandStart()));
  say(moving() ? "Enter point to move from" : "Enter point to copy from");
}

// Turns the piece by `copyRotation` quarter turns counter-clockwise about the from point s: the
// buffer with the image library, the rectangle in design units.
void turnPiece() {
  const app::VxRasterParams* params = app::params();
  const int quarters = params != nullptr ? params->copyRotation : 0;
  if (quarters < 1 || quarters > 3) return;
  SmartPiece& piece = smartPiece();
  unsigned char* block = piece.buffer.release();
  const Point2d size = piece.size;
  Point2d turned = size;
  const int status =
      mdlImage_rotate(&block, &turned, block, &size, IMAGEFORMAT_BITMAP, 90 * quarters, mdlImage_checkStop);
  *piece.buffer.slot() = block;
  if (status != SUCCESS) {  // the piece is placed as it was taken
    app::okBox("Insufficient memory is available", 4);
    return;
  }
  piece.size = turned;
  const double sx = command.from.x, sy = command.from.y;
  const double x1 = command.x1, y1 = command.y1, x2 = command.x2, y2 = command.y2;
  if (quarters == 1) {
    command.x1 = sx - (y2 - sy), command.x2 = sx + (sy - y1);
    command.y1 = sy - (sx - x1), command.y2 = sy + (x2 - sx);
  } else if (quarters == 2) {
    command.x1 = 2 * sx - x2, command.x2 = 2 * sx - x1;
    command.y1 = 2 * sy - y2, command.y2 = 2 * sy - y1;
  } else {
    command.x1 = sx - (sy - y1), command.x2 = sx + (y2 - sy);
    command.y1 = sy - (x2 - sx), command.y2 = sy + (sx - x1);
  }
}

// The piece's outline follows the cursor, held so that the whole piece stays on the raster.
void placementDynamics(DPoint3d* cursor, int, int) {
  const app::RasterCoordinates at = app::rasterCoordinates();
  const double dx = command.x1 - command.from.x, dy = command.y2 - command.from.y;
  const double width = command.x2 - command.x1, height = command.y2 - command.y1;
  DPoint3d c = *cursor;
  if (c.x + dx < at.origin.x) c.x = at.origin.x - dx;
  if (c.y + dy - height < at.origin.y) c.y = at.origin.y - dy + height;
  if (c.x + dx + width > at.x(at.width)) c.x = at.x(at.width) - width - dx;
  if (c.y + dy > at.y(0)) c.y = at.y(0) - dy;
  command.last = c;
  const double left = c.x + dx, top = c.y + dy, right = left + width, bottom = top - height;
  const DPoint3d outline[5] = {
      {left, top, 0}, {right, top, 0}, {right, bottom, 0}, {left, bottom, 0}, {left, top, 0}};
  const unsigned color = 0, weight = 0;
  const int style = 2;
  if (mdlShape_create(dgnBuf, nullptr, outline, 5, 0) != SUCCESS) {
    beyondDesignPlane();
    return;
  }
  mdlElement_setSymbology(dgnBuf, &color, &weight, &style);
}

void fromPoint(DPoint3d* point, int) {
  const SmartPiece& piece = smartPiece();
  command.from = *point;
  command.x1 = piece.lowerLeft.x, command.y1 = piece.lowerLeft.y;
  command.x2 = piece.upperRight.x, command.y2 = piece.upperRight.y;
  command.last = *point;
  turnPiece();
  hideOverlay();
  mdlState_dynamicUpdate(placementDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(place));
  say("Enter point to define distance and direction");
}

// The piece goes where the dynamics last held the cursor; a move erases its marked pixels at
// the source first. The placement is clamped onto the raster bitmap as the dynamics clamp the
// outline (the left and the bottom edge first, so that a piece larger than the raster lies flush
// with its right and top edges), and the paste clips whatever would still fall outside.
void place(DPoint3d*, int) {
  app::ActiveRaster& r = app::activeRaster();
  if (moving() && !selectionStateFits()) {
    // An undo or a revert typed since the selection: its marks belong to another bitmap.
    say("The raster has changed since the selection; select again");
    restartCommand();
    return;
  }
  const app::RasterCoordinates at = app::rasterCoordinates();
  const SmartPiece& piece = smartPiece();
  const DPoint3d t = command.last;
  int column = app::RasterCoordinates::truncated((t.x + (command.x1 - command.from.x) - at.origin.x) / at.pixelSize);
  int row = app::RasterCoordinates::truncated(at.v(t.y + (command.y2 - command.from.y)));
  if (column < 0) column = 0;
  if (column > at.width - piece.size.x) column = at.width - piece.size.x;
  if (row > at.height - piece.size.y) row = at.height - piece.size.y;
  if (row < 0) row = 0;

  app::pushUndo();
  if (moving()) VXDllDeleteSelected(r.bitmap);
  pasteTransparent(BitmapView(r.bitmap, r.size.x, r.size.y),
                   ConstBitmapView(piece.buffer.get(), piece.size.x, piece.size.y), column, row);
  dropPiece();
  releaseSelectionState();
  app::writeBackActiveRaster();
  mdlState_restartCurrentCommand();  // prompts for a new selection
}

// ---- Cut lines -----------------------------------------------------------------------------------

void firstCutLineFirstPoint(DPoint3d* point, int) {
  command.smartState = command.move ? 3 : 2;
  releaseSelectionState();  // the set's cut lines begin a fresh selection state
  beginCutLine(*point);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(cutLineSecondPoint));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(areaSelectSwitch));
  mdlOutput_printf(MSG_ERROR, "Smart delete > Enter second point of cut line or reset to select area");
}

void nextCutLineFirstPoint(DPoint3d* point, int) {
  command.smartState = command.move ? 3 : 2;
  beginCutLine(clampedToRaster(*point));
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(cutLineSecondPoint));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(areaSelectSwitch));
  mdlOutput_printf(MSG_ERROR, "Smart delete > Enter second point of cut line or reset to select area");
}

void cutLineSecondPoint(DPoint3d* point, int) {
  if (!completeCutLine(*point)) {
    restartCommand();
    return;
  }
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(nextCutLineFirstPoint));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(areaSelectSwitch));
}

void areaSelectSwitch() {
  stopCutLineDynamics();
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(selectArea));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(cutLineRestart));
  mdlOutput_printf(MSG_ERROR, command.move ? "Raster smart move with cut lines > Select area to move"
                                           : "Raster smart copy with cut lines > Select area to copy");
}

// A reset in the area select, or once a piece is selected: the set of cut lines is dropped, and
// with it a selection made from them; the next completed cut line begins a fresh set.
void cutLineRestart() {
  command.smartState = 2;
  dropSmartSelection();
  beginRound(nextCutLineFirstPoint, cutLineRestart);
  mdlOutput_printf(MSG_ERROR, "Raster smart copy with cut lines > Select area to copy");
}

}  // namespace

void startSmartCopyMove(bool move, bool withCutLines) {
  dropSmartSelection();
  command = CopyMove{};
  command.move = move;
  command.smartState = (withCutLines ? 2 : 0) + (move ? 1 : 0);
  if (withCutLines) {
    say("Enter first point of cut line or reset to select area");
  } else {
    say(move ? "Select area to move" : "Select area to copy");
  }
  beginRound(firstPoint, commandStart());
}

void discardSmartSelection() {
  dropSmartSelection();
}

}  // namespace pixmend::commands
