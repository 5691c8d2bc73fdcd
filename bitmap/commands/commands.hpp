// The copy, move and delete commands of VXRaster: what the command table's functions
// (app/commands.cpp) call once ensureActiveRaster has a raster loaded. They are application code
// above the raster session (app/session.hpp, app/undo.hpp): each change of the bitmap is preceded
// by pushUndo and followed by writeBackActiveRaster.
//
//   copymove.cpp   the start shared by copy and move, the rectangle and fence modes
//   delete.cpp     delete dynamic rectangle, delete rectangle (the eraser), delete fence content
//   smartselect.*  the smart selection the smart modes and deletes share (overlay, cut lines)
//   smartcopy.cpp  the smart modes of copy and move, with and without cut lines
//   smartdelete.cpp  smart delete with and without cut lines
//
// Every start is also the reset handler that starts its command afresh, so each has the host's
// reset-handler form (no arguments) and never checks for a raster itself.
#pragma once

namespace pixmend::commands {

// Raster copy and raster move: the piece is chosen by the tool setting copyMoveMode (1 smart
// area, 2 smart area with cut lines, 3 rectangle, 4 fence content). A live smart selection (its
// overlay raster shown) is discarded first.
void copyStart();
void moveStart();

// Delete dynamic rectangle: erases inside (or outside) a rectangle dragged open.
void deleteDynamicRectangleStart();
// Delete rectangle: an eraser of the set size follows the cursor; each click erases under it.
void deleteRectangleStart();
// Delete fence content: accept erases what the fence holds.
void deleteFenceStart();
// Smart delete: a click on ink erases the ink connected to it, after an accept.
void smartDeleteStart();
// Smart delete with cut lines: lines drawn first bound the ink a click selects.
void smartDeleteCutLinesStart();

// The smart modes of copy (move false) and move (move true), with or without cut lines: called
// by copyStart / moveStart, which stay the commands' reset handlers.
void startSmartCopyMove(bool move, bool withCutLines);
// Frees a live smart selection (copy buffer, selection state) and closes its overlay raster;
// clears the overlay-attached flag. Nothing happens when there is none.
void discardSmartSelection();

}  // namespace pixmend::commands
