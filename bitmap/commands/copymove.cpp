// Raster copy and raster move: the start both commands share, which chooses the piece's mode by
// the tool setting copyMoveMode. The smart modes are smart.cpp's; the rectangle and fence modes
// are not built yet and say so.
#include "app/params.hpp"
#include "app/session.hpp"
#include "bitmap/commands/commands.hpp"
#include "host/mdl.h"

namespace pixmend::commands {
namespace {

enum Mode { kSmart = 1, kSmartCutLines = 2, kRectangle = 3, kFence = 4 };

void nothing(DPoint3d*, int) {}

void start(bool move, StateFunc_Reset self) {
  if (app::activeRaster().overlayAttached != 0) discardSmartSelection();
  const app::VxRasterParams* p = app::params();
  const int mode = p != nullptr ? p->copyMoveMode : 0;
  if (mode == kSmart || mode == kSmartCutLines) {
    startSmartCopyMove(move, mode == kSmartCutLines);
    return;
  }
  if (mode == kRectangle || mode == kFence) {
    mdlOutput_printf(MSG_ERROR, "%s is not available in this version", move ? "Raster move" : "Raster copy");
    return;
  }
  // Any other mode: the first data point does nothing.
  mdlState_startPrimitive(nothing, self, 0, 0);
}

}  // namespace

void copyStart() {
  start(false, copyStart);
}

void moveStart() {
  start(true, moveStart);
}

}  // namespace pixmend::commands
