// The smart selection shared by smart copy, smart move and smart delete: the ink connected to a
// clicked pixel, bounded by the cut lines drawn before the click, taken out of the active raster
// into a buffer and shown over it as an overlay raster (a temporary image file in the user's
// temporary folder, drawn in the overlay colour) until it is placed, erased or dropped.
//
//   selection state   VXDllInitFloodFill over the raster bitmap: the cut lines of a set and the
//                     fill are marked in it (bitmap/floodfill.hpp); one at a time
//   piece             the selected pixels as the copy buffer of piece.hpp (the delete buffer: the
//                     marked pixels of the selection's widened box) and their design corners
//   overlay           the piece written to "rsdeltmp.cit" / "rsdeltmp.tif" and attached
//   cut line          the first point of the line being entered, and the line's drawing
//
// Lifetime: everything here is dropped by dropSmartSelection, which the commands call at every
// start and restart and install as the cleanup of their state machine, so that no overlay
// raster, temporary file or selection outlives the command (another command, a release of the
// raster, the application's unload). Process-wide, as the host runs one command at a time.
#pragma once

#include "host/mdl.h"

namespace pixmend::commands {

// A pixel of the active raster: column from the left, row from the top.
struct Pixel {
  int column = 0;
  int row = 0;
};

// ---- Points and pixels ---------------------------------------------------------------------------

// True when the point lies on the raster (its edges included).
bool insideRaster(const DPoint3d& point);
// The pixel under a point (column and row truncated toward zero; may lie outside the bitmap).
Pixel pixelAt(const DPoint3d& point);
// The pixel under a point on the raster. A point on the right or the bottom edge belongs to the
// last column or row: the truncated position would be one past the bitmap.
Pixel pixelUnder(const DPoint3d& point);
// True when the pixel of the raster bitmap is ink.
bool inkAt(Pixel pixel);

// ---- The selection state -------------------------------------------------------------------------

// True while a selection state made by these commands is live.
bool selectionStateExists();
// Makes a fresh selection state over the raster bitmap, releasing any earlier one. False, with
// "Insufficient memory is available" in the OK box, when its buffers cannot be had.
bool newSelectionState();
// Releases the selection state (VXDllFreeDelBuffer) if one is live, with its cut lines.
void releaseSelectionState();
// The selection state that holds the cut lines of the set being entered: the live one when it
// fits the bitmap; made again with the same cut lines when the bitmap has changed under it
// (an undo typed between two cut lines); a fresh one when there is none. False when it cannot
// be made (the user is told).
bool cutLineSelectionState();
// True when the live selection state was made from the bitmap as it is now: the raster is still
// loaded with the same size and its bitmap has not changed since (an undo, redo, revert or
// recover typed while a selection is open changes it). Marks applied to another bitmap would
// erase the wrong pixels, or pixels beyond it.
bool selectionStateFits();

// Burns the cut line between two pixels into the selection state (VXDllInitFloodFill2 with the
// line's slope and intercept; a vertical line passes slope 0 and its column), and remembers it.
void burnCutLine(Pixel first, Pixel second);

// ---- Selecting, and the overlay ------------------------------------------------------------------

// Selects the ink connected to `seed` in the live selection state, takes it into the piece
// (piece.hpp: its pixels and its design rectangle) and shows it as the overlay raster:
// `tempName` ("rsdeltmp.cit", "rsdeltmp.tif") in the user's temporary folder, written with the
// raster's file type. A file that cannot be written is said
// in the OK box ("File not created from bitmap") and no overlay is shown; the selection stands.
// False when the piece cannot be had (memory; the user is told).
bool takeSelection(Pixel seed, const char* tempName);

// Closes the overlay raster and removes its temporary file; the overlay-attached flag is cleared.
void hideOverlay();
// Everything above: overlay and its file, piece (dropPiece), selection state.
void dropSmartSelection();

// ---- Cut lines as the user enters them -----------------------------------------------------------

// Remembers the first point of a cut line and its pixel, and draws the line from it to the
// cursor (colour 0, weight 0, style 0) while the second point is awaited.
void beginCutLine(const DPoint3d& first);
// The second point: clamped onto the raster, the line drawn for good, the dynamics stopped, and
// the line burned into the set's selection state (cutLineSelectionState). False when the state
// cannot be made (the user is told).
bool completeCutLine(const DPoint3d& second);
// Stops the line dynamics (the user left the cut lines for the area selection).
void stopCutLineDynamics();

}  // namespace pixmend::commands
