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
