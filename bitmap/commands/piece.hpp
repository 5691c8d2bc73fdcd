// The piece a copy or move carries from the raster to its places (rectangle and fence modes):
// its pixels (the copy buffer), its rectangle in the design, the point it was picked up at, and
// where the placement dynamics last put it.
//
// A placement never writes outside the raster: the dynamics hold the piece on the raster (flush
// with an edge at most), and the paste clips what still cannot fit (a piece turned to be taller
// than the raster is high).
#pragma once

#include "app/session.hpp"
#include "host/mdl.h"

namespace pixmend::commands {

struct Piece {
  // Ownership: a malloc'd block in the host image library's layout, freed with the piece (or by
  // mdlImage_rotate when it turns it).
  app::ImageBlock bits;
  Point2d size{};     // its width and height in pixels
  DPoint3d low{};     // its rectangle in the design: the lower-left corner
  DPoint3d high{};    // and the upper-right one
  DPoint3d from{};    // where the user picked it up
  DPoint3d last{};    // the cursor as the placement dynamics last held it
};

Piece& piece();
// Frees the copy buffer.
void dropPiece();

// Takes the pixels of `rect` (left, top inclusive; right, bottom exclusive) of the active bitmap
// into the copy buffer. False, with "Insufficient memory is available" shown, when memory cannot
// be had.
bool takePixels(const BSIRect& rect);

// Turns the piece by the tool setting copyRotation (1 a quarter turn counter-clockwise, 2 a half
// turn, 3 a quarter turn clockwise, anything else none): its pixels, and its rectangle about the
// from point.
void turnPiece(int rotation);

// The cursor moved so that the piece, displaced by cursor - from, lies on the raster: its left,
// bottom, right and top edges in that order (a piece larger than the raster is held at the right
// and top edges).
DPoint3d clampPlacement(const DPoint3d& cursor);

// The column and row at which the piece's upper-left pixel lands when it is placed at `target`:
// trunc((t.x + (x1 - s.x) - ox) / p) and trunc(H - (t.y + (y2 - s.y) - oy) / p).
void placementPixel(const DPoint3d& target, int* column, int* row);

// A placement's upper-left pixel held so that the piece lies on the raster (the dynamics hold the
// cursor so already; this holds a placement whatever point it came from).
void holdOnRaster(int* column, int* row);

// True when the tool setting copyTransparent asks for a transparent paste (its absolute value 1).
bool transparentPaste();

// Pastes the piece into the active bitmap with its upper-left pixel at (column, row): opaque
// (background pixels clear the raster's) or transparent (only ink is added), clipped to the raster.
void pastePiece(int column, int row, bool transparent);

}  // namespace pixmend::commands
