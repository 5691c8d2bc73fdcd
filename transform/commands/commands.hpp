// VXRaster's geometric editing commands, each the function of its command number
// (app/commands.cpp): they work on the active raster of the raster session (app/session.hpp),
// keep its undo store (app/undo.hpp) and end in the geometric write-back, which writes the turned,
// mirrored or warped bitmap and re-places the attachment.
//
//   rotateCommand             rotate by the angle typed in the tool settings, accepted with a point
//   rotateHorizontalCommand   rotate so that a line drawn with two points becomes horizontal
//   mirrorCommand             mirror about a horizontal or vertical line through a point
//   warpCommand               fit the raster to two or three pairs of image and monument points
#pragma once

namespace pixmend::app {

void rotateCommand();
void rotateHorizontalCommand();
void mirrorCommand();
void warpCommand();

}  // namespace pixmend::app
