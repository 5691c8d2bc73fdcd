// One level of undo and redo for the edits of the active raster, and the backup copy taken at
// each load, from which the raster can be reverted (the bitmap) or recovered (the file).
//
// The contract of the editing commands: call pushUndo immediately before the bitmap (or the
// placement) changes, then change it, then writeBackActiveRaster (app/session.hpp). A command
// that cannot be undone in one step (the warp) calls clearUndo instead.
#pragma once

#include <string>

#include "host/mdl.h"

namespace pixmend::app {

// The undo store: one saved state of the active raster.
//
// Ownership: `bitmap` is a malloc'd block (released with mdlImage_freeImage), owned by the store
// while either flag is set; undo and redo exchange it with the active bitmap. The store belongs to
// the attachment it was taken from: while another raster is active, undo and redo find it empty.
struct UndoStore {
  unsigned char* bitmap = nullptr;
  Point2d size{};
  RasterRendering rendering{};
  RasterGeoReference geoReference{};
  RasterExtendedInfo extended{};
  int undoAvailable = 0;
  int redoAvailable = 0;
  DgnRasterP raster = nullptr;     // the attachment the state belongs to
  unsigned long long bitmapState = 0;  // the number of the stored bitmap's state (app/session.hpp)
};

UndoStore& undoStore();

// Saves the active raster's bitmap, rendering, georeference and extended information: undo is
// available, redo is not. The bitmap counts as edited from here on (the caller is about to change
// it). False, with the store empty and the user told, when the bitmap cannot be copied (memory);
// the edit may go on without undo.
bool pushUndo();
// Empties the store (both flags 0, its bitmap freed). The bitmap counts as edited: the command
// that calls this (the warp) changes it in a way one undo cannot take back.
void clearUndo();

// The commands. Undo, redo and revert need a loaded raster ("No raster is activated"). Revert and
// recover use the backup (app/backup.hpp) only when it is a copy of the raster file they
// restore, as loaded; otherwise they say why and write nothing.
void undoEdit();
void redoEdit();
void revertToBackup();
void recoverFromBackup();

// Start-up: the store empty.
void resetUndo();
// After a load: a store taken from another attachment is dropped.
void forgetUndoOfOtherRasters();

}  // namespace pixmend::app
