// The raster session's state and the operations that begin and end the editing of a raster:
//   activeRaster / undoStore / resetSession   the process-wide records
//   countAttachedRasters                      the design's raster attachments
//   ensureActiveRaster                        the guard every editing command begins with
//   releaseActiveRaster / releaseOnEvent      the end of an editing session
//
// The host has no raster attachments yet, so the design never has any: the guard tells the user
// "No raster attached" and no raster is ever loaded. Picking, loading and writing back come with
// the attachments; where the code would need them it says plainly that the step is not
// available instead of pretending to have done it.
#include "app/session.hpp"

#include "host/mdl.h"

namespace pixmend::app {
namespace {

ActiveRaster activeRecord;
UndoStore undoRecord;

// Asks the user to pick one of several attachments with a data point.
void pickActiveRaster() {
  mdlOutput_printf(MSG_ERROR, "Picking a raster is not available in this version");
}

// 1 when the record's raster was loaded for editing, else 0 with the user told why.
int loadActiveRaster() {
  activeRecord.loaded = 0;
  mdlOutput_printf(MSG_ERROR, "Loading a raster is not available in this version");
  return 0;
}

}  // namespace

ActiveRaster& activeRaster() {
  return activeRecord;
}
UndoStore& undoStore() {
  return undoRecord;
}

void resetSession() {
  activeRecord.loaded = 0;
  activeRecord.overlayAttached = 0;
  undoRecord.undoAvailable = 0;
  undoRecord.redoAvailable = 0;
}

int countAttachedRasters() {
  // No attachment can exist in this host yet: the design's raster container is always empty.
  return 0;
}

bool ensureActiveRaster() {
  const int count = countAttachedRasters();
  if (count == 0) {
    mdlOutput_printf(MSG_ERROR, "No raster attached");
    return false;
  }
  if (activeRecord.loaded != 0) return true;
  if (count > 1) {
    pickActiveRaster();
    return false;
  }
  return loadActiveRaster() == 1;
}

void releaseActiveRaster() {
  if (activeRecord.loaded != 0) {
    // Writing the bitmap back needs the attachment's records. Without them the raster stays
    // loaded with its edits, as after a failed write, rather than being dropped.
    mdlOutput_printf(MSG_ERROR, "Releasing a raster is not available in this version");
    return;
  }
  mdlState_clear();
}

void releaseOnEvent(const char*, int) {
  releaseActiveRaster();
}

}  // namespace pixmend::app
