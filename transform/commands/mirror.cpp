// The mirror command (see commands.hpp): the raster flipped about a horizontal line (top and
// bottom exchange, mirror mode 1) or a vertical line (left and right, mode 2) through the cursor.
// The first data point starts the dynamics, which show the mirrored raster's outline under the
// cursor and work out its new origin; the next data point accepts the outline last shown. The
// size never changes; mirroring twice about the same line gives the raster and its place back.
//
// Any other mirror mode is no mirror at all: the dynamics show nothing and the accept step leaves
// the raster alone and says why, rather than moving it without flipping it.
#include "app/params.hpp"
#include "app/session.hpp"
#include "app/undo.hpp"
#include "transform/commands/commands.hpp"
#include "transform/commands/dynamics.hpp"

namespace pixmend::app {
namespace {

constexpr int kAboutHorizontalLine = 1;
constexpr int kAboutVerticalLine = 2;

// The origin the last dynamics worked out, taken over by the accept step.
DPoint3d mirrorOrigin{};

int mirrorMode() {
  const VxRasterParams* p = params();
  return p != nullptr ? p->mirrorMode : 0;
}

void showPrompt() {
  mdlOutput_printf(MSG_PROMPT, "Mirror raster reference > Enter point to mirror about");
}

// The outline of the raster mirrored about the line through `cursor`, and its new origin (the
// lower-left corner). The raster covers its extent from its origin.
void mirrorDynamics(DPoint3d* cursor, int, int) {
  const ActiveRaster& r = activeRaster();
  const double x0 = r.origin.x, y0 = r.origin.y, w = r.extentX, h = r.extentY;
  DPoint3d outline[5];
  const int mode = mirrorMode();
  if (mode == kAboutHorizontalLine) {
    const double top = 2 * cursor->y - y0;
    outline[0] = {x0, top, 0};
    outline[1] = {x0 + w, top, 0};
    outline[2] = {x0 + w, top - h, 0};
    outline[3] = {x0, top - h, 0};
    mirrorOrigin = outline[3];
  } else if (mode == kAboutVerticalLine) {
    const double right = 2 * cursor->x - x0;
    outline[0] = {right, y0, 0};
    outline[1] = {right - w, y0, 0};
    outline[2] = {right - w, y0 + h, 0};
    outline[3] = {right, y0 + h, 0};
    mirrorOrigin = outline[1];
  } else {
    return;
  }
  outline[4] = outline[0];
  buildOutline(outline);
}

void mirrorAccept(DPoint3d*, int) {
  const int mode = mirrorMode();
  ActiveRaster& r = activeRaster();
  if (mode != kAboutHorizontalLine && mode != kAboutVerticalLine) {
    mdlOutput_printf(MSG_ERROR,
                     "Mirror raster reference > Choose a horizontal or a vertical mirror line in the tool settings");
    mdlState_restartCurrentCommand();
    return;
  }
  if (r.loaded != 0) {
    pushUndo();
    // Host direction 0 exchanges the rows (top and bottom), 1 the columns (left and right).
    const int direction = mode == kAboutHorizontalLine ? 0 : 1;
    if (mdlImage_mirror(r.bitmap, &r.size, IMAGEFORMAT_BITMAP, direction, 0) == SUCCESS) {
      r.origin = mirrorOrigin;
      writeBackActiveRaster();
    } else {
      // Nothing was flipped, so nothing moves either.
      okBox("Insufficient memory is available", 4);
    }
  }
  showPrompt();
  mdlState_restartCurrentCommand();
}

void mirrorFirstPoint(DPoint3d*, int) {
  mdlState_dynamicUpdate(mirrorDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(mirrorAccept));
  mdlState_setFunction(STATE_RESET, reinterpret_cast<void*>(restartCommand));
  showPrompt();
}

}  // namespace

void mirrorCommand() {
  if (!ensureActiveRaster()) return;
  mdlState_startPrimitive(mirrorFirstPoint, nullptr, 0, 0);
  showPrompt();
}

}  // namespace pixmend::app
