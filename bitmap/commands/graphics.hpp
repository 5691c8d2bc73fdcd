// What the copy, move and delete commands share about the active raster and the screen:
//   clampToRaster          a design point held inside the raster's extent
//   fenceInDesign          the fence's vertices
//   fenceVerticesInPixels  the same on the raster, held to it on every side
//   erasePolygon           a pixel polygon set to background (or kept) in a bitmap, with the
//                          memory and image messages the commands show
//   drawOutline            a rectangle or polygon drawn in dynamics or displayed, with the
//                          message for coordinates beyond the design plane
//   viewRectangle          the rectangle of two corners as a view shows it
//   rubber band            the dynamics of a rectangle dragged open from a first corner
//
// Message boxes of the commands are the host's OK box with the critical icon (messageBox).
#pragma once

#include <vector>

#include "host/mdl.h"

namespace pixmend::commands {

// The host's OK box, icon 4, as every box of the editing commands.
void messageBox(const char* text);

// The point moved into the active raster's extent: below the origin to the origin, beyond the far
// edge to it, each axis on its own.
DPoint3d clampToRaster(const DPoint3d& point);

// The fence's vertices in the design (closed), or none when there is no fence of at least three.
std::vector<DPoint3d> fenceInDesign();
// The fence's vertices on the active raster (column = trunc((X - ox) / p), row = H - 1 -
// trunc((Y - oy) / p), each held within 0..W and 0..H), or none when there is no fence of at least
// three vertices.
std::vector<DPoint2d> fenceVerticesInPixels();
// The fence as a shape, displayed in draw mode 1; false when there is no fence to show.
bool displayFence();

// Sets the pixels of `bitmap` (size) inside the polygon (outside it, when `outside`) to
// background. False after telling the user when the image library could not ("Insufficient
// memory is available", "Invalid image format").
bool erasePolygon(unsigned char* bitmap, const Point2d& size, const std::vector<DPoint2d>& polygon, bool outside);

enum class Outline { LineString, Shape, FilledShape };

// Builds `points` as an outline element with colour 0, weight 0 and `style`, into dgnBuf while
// dynamics draw (displayMode < 0), or displayed in draw mode `displayMode`. Points beyond the
// design plane are refused by the host: "The coordinates are beyond the design plane".
void drawOutline(const DPoint3d* points, int count, Outline kind, int style, int displayMode = -1);

// The closed five-vertex rectangle with opposite corners a and b whose sides run along `view`'s
// axes (so it looks upright in a turned view).
void viewRectangle(const DPoint3d& a, const DPoint3d& b, int view, DPoint3d out[5]);

// The rectangle being dragged open: the first corner as entered (clamped), the second as the
// dynamics last drew it.
struct RubberBand {
  DPoint3d first{};
  DPoint3d second{};
};
RubberBand& rubberBand();
// Starts dragging from `first` (clamped into the raster): the second corner starts there too.
void startRubberBand(const DPoint3d& first);
// The dynamics: a cursor exactly at the raster's origin is ignored; otherwise the clamped cursor
// becomes the second corner and the view-aligned rectangle is drawn dashed (style 2).
void rubberBandDynamics(DPoint3d* point, int view, int drawMode);

}  // namespace pixmend::commands
