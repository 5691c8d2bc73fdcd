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
#include "bitmap/commands/commands.hpp"
#include "bitmap/commands/graphics.hpp"
#include "bitmap/commands/piece.hpp"
#include "bitmap/commands/smartselect.hpp"
#include "host/mdl.h"
#include "pixmend/vxdll.h"

namespace pixmend::commands {
namespace {

constexpr const char* kTempName = "rsdeltmp.cit";

// The command state; the piece itself (pixels, rectangle, from point, last dynamic point) is
// piece.hpp's, shared with the rectangle and fence modes.
struct CopyMove {
  bool move = false;   // the move command
  int smartState = 0;  // 0 smart copy, 1 smart move, 2 and 3 the same with cut lines
};

CopyMove command;

const char* prefix() {
  static const char* const names[] = {"Raster smart copy", "Raster smart move",
                                      "Raster smart copy with cut lines", "Raster smart move with cut lines"};
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

// The piece's outline follows the cursor, held so that the whole piece stays on the raster.
void placementDynamics(DPoint3d* cursor, int, int) {
  Piece& pc = piece();
  pc.last = clampPlacement(*cursor);
  const double dx = pc.last.x - pc.from.x, dy = pc.last.y - pc.from.y;
  const double left = pc.low.x + dx, bottom = pc.low.y + dy, right = pc.high.x + dx, top = pc.high.y + dy;
  const DPoint3d outline[5] = {
      {left, top, 0}, {right, top, 0}, {right, bottom, 0}, {left, bottom, 0}, {left, top, 0}};
  drawOutline(outline, 5, Outline::Shape, 2);
}

// The from point: the piece is turned by `copyRotation` about it (pixels and rectangle), and its
// overlay gives way to the outline under the cursor.
void fromPoint(DPoint3d* point, int) {
  Piece& pc = piece();
  pc.from = *point;
  pc.last = *point;
  const app::VxRasterParams* params = app::params();
  turnPiece(params != nullptr ? params->copyRotation : 0);
  hideOverlay();
  mdlState_dynamicUpdate(placementDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(place));
  say("Enter point to define distance and direction");
}

// The piece goes where the dynamics last held the cursor, always transparently; a move erases
// its marked pixels at the source first. The placement is held on the raster as the dynamics
// hold the outline, and the paste clips whatever would still fall outside.
void place(DPoint3d*, int) {
  app::ActiveRaster& r = app::activeRaster();
  if (moving() && !selectionStateFits()) {
    // An undo or a revert typed since the selection: its marks belong to another bitmap.
    say("The raster has changed since the selection; select again");
    restartCommand();
    return;
  }
  int column = 0, row = 0;
  placementPixel(piece().last, &column, &row);
  holdOnRaster(&column, &row);
  app::pushUndo();
  if (moving()) VXDllDeleteSelected(r.bitmap);
  pastePiece(column, row, true);
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
  beginCutLine(clampToRaster(*point));
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
