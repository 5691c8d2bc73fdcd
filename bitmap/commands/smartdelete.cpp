// Smart delete, with and without cut lines: the user clicks on ink, the connected ink (bounded by
// the cut lines drawn first, in the cut-line mode) is shown as an overlay raster, and the next
// data point erases exactly those pixels, with the cut-line ink inside the selection's widened
// box, and writes the raster back. A reset drops the selection.
//
//   plain:      start -> select -> (selected) accept -> start
//   cut lines:  start -> first point -> second point -> ... -> reset: area select -> select
//               -> (selected) accept -> start with cut lines; a reset in the area select goes
//               back to the plain smart delete
//
// Prompts of the starts go to message field 2, every other text to field 1.
#include <cstdio>

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

constexpr const char* kTempName = "rsdeltmp.tif";

// 0: plain smart delete; 1: with cut lines.
int cutLineMode = 0;

void startPlain();
void startWithCutLines();
void select(DPoint3d* point, int view);
void accept(DPoint3d* point, int view);
void cutLineFirstPoint(DPoint3d* point, int view);
void cutLineSecondPoint(DPoint3d* point, int view);
void areaSelectSwitch();

void say(const char* text) {
  mdlOutput_printf(MSG_ERROR, "Smart delete > %s", text);
}

// The start of the mode the command is in.
void restartMode() {
  if (cutLineMode != 0) {
    startWithCutLines();
  } else {
    startPlain();
  }
}

// Begins the state machine of one of the two modes: the selection of an earlier round is
// dropped, and dropped again whenever the command ends (another command, a release of the
// raster), so that neither an overlay raster nor its file outlives it.
void beginRound(int mode, StateFunc_DataPoint dataPoint, StateFunc_Reset reset) {
  cutLineMode = mode;
  dropSmartSelection();
  mdlState_startPrimitive(dataPoint, reset, 0, 0);
  mdlState_setFunction(STATE_COMMAND_CLEANUP, reinterpret_cast<void*>(dropSmartSelection));
}

void startPlain() {
  beginRound(0, select, startPlain);
  mdlOutput_printf(MSG_PROMPT, "Smart delete > Select area to delete");
}

void startWithCutLines() {
  beginRound(1, cutLineFirstPoint, startWithCutLines);
  mdlOutput_printf(MSG_PROMPT, "Smart delete > Enter first point of cut line or reset to select area");
}

// A data point on the ink to erase: in the plain mode in a fresh selection state, with cut lines
// in the state that holds them.
void select(DPoint3d* point, int) {
  if (!insideRaster(*point)) {
    say("Outside raster");
    return;
  }
  mdlSystem_startBusyCursor();
  const Pixel seed = pixelUnder(*point);
  if (!inkAt(seed)) {
    say("No area to select");
    mdlSystem_stopBusyCursor();
    return;
  }
  const bool ready = cutLineMode != 0 ? cutLineSelectionState() : newSelectionState();
  const bool taken = ready && takeSelection(seed, kTempName);
  mdlSystem_stopBusyCursor();
  if (!taken) {  // memory: the user has been told
    restartMode();
    return;
  }
  mdlState_setFunction(STATE_RESET,
                       reinterpret_cast<void*>(cutLineMode != 0 ? startWithCutLines : startPlain));
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(accept));
  say("Accept or reset to select new");
}

void accept(DPoint3d*, int) {
  app::ActiveRaster& r = app::activeRaster();
  if (!selectionStateFits()) {
    // An undo or a revert typed since the selection: its marks belong to another bitmap.
    say("The raster has changed since the selection; select again");
    restartMode();
    return;
  }
  mdlSystem_startBusyCursor();
  app::pushUndo();
  VXDllDeleteSelected(r.bitmap);
  hideOverlay();
  dropPiece();
  app::writeBackActiveRaster();
  mdlSystem_stopBusyCursor();
  restartMode();
}

void cutLineFirstPoint(DPoint3d* point, int) {
  beginCutLine(clampToRaster(*point));
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(cutLineSecondPoint));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(areaSelectSwitch));
  say("Enter second point of cut line or reset to select area");
}

void cutLineSecondPoint(DPoint3d* point, int) {
  if (!completeCutLine(*point)) {
    startWithCutLines();
    return;
  }
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(cutLineFirstPoint));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(areaSelectSwitch));
  say("Enter first point of cut line or reset to select area");
}

void areaSelectSwitch() {
  stopCutLineDynamics();
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(select));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(startPlain));
  say("Select area to delete");
}

}  // namespace

void smartDeleteStart() {
  startPlain();
}

void smartDeleteCutLinesStart() {
  startWithCutLines();
}

}  // namespace pixmend::commands
