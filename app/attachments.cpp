// The attachment commands (see attachments.hpp):
//   attach / modify attachment     the host's key-ins
//   detach / detach all            with confirmation; a loaded raster is released first
//   host save as                   the host image manager's Save As, after a release
//   save as                        the Save As dialog (its hooks are in saveas.cpp)
//   move attachment                two points; the outline follows the cursor; undoable
//   manual                         the PDF under VX_DIR
#include "app/attachments.hpp"

#include <cstdio>
#include <cstring>

#include "app/session.hpp"
#include "app/undo.hpp"
#include "pixmend/vxlib.h"

namespace pixmend::app {
namespace {

constexpr int kSaveAsDialog = 2;

// ---- Move attachment ---------------------------------------------------------------------------

// The point the move starts from, kept between the two data points.
DPoint3d moveFrom{};

// The raster's outline, origin to origin + (W s, H s), displaced by `offset`.
void rasterOutline(const DPoint3d& offset, DPoint3d out[5]) {
  const ActiveRaster& r = activeRaster();
  const RasterCoordinates at = rasterCoordinates();
  const double x0 = r.origin.x + offset.x, y0 = r.origin.y + offset.y, z = r.origin.z + offset.z;
  const double x1 = x0 + at.width * at.pixelSize, y1 = y0 + at.height * at.pixelSize;
  out[0] = {x0, y0, z};
  out[1] = {x1, y0, z};
  out[2] = {x1, y1, z};
  out[3] = {x0, y1, z};
  out[4] = {x0, y0, z};
}

void moveDynamics(DPoint3d* point, int, int) {
  const DPoint3d offset{point->x - moveFrom.x, point->y - moveFrom.y, point->z - moveFrom.z};
  DPoint3d outline[5];
  rasterOutline(offset, outline);
  const unsigned color = 0, weight = 0;
  const int style = 2;
  if (mdlShape_create(dgnBuf, nullptr, outline, 5, 0) != SUCCESS) return;
  mdlElement_setSymbology(dgnBuf, &color, &weight, &style);
}

void moveTo(DPoint3d* point, int) {
  ActiveRaster& r = activeRaster();
  // Only the placement changes: the bitmap keeps its state, so nothing is written for it.
  const unsigned long long unchanged = r.bitmapState;
  pushUndo();
  r.bitmapState = unchanged;
  RasterGeoReference geoReference{};
  if (mdlRaster_geoReferenceInfoGet(&geoReference, r.raster) == SUCCESS) {
    geoReference.origin.x -= moveFrom.x - point->x;
    geoReference.origin.y -= moveFrom.y - point->y;
    geoReference.origin.z -= moveFrom.z - point->z;
    if (mdlRaster_geoReferenceInfoSet(&geoReference, r.raster, RASTER_UPDATE_ALL) == SUCCESS) {
      r.origin = geoReference.origin;
    }
  }
  mdlOutput_printf(MSG_ERROR, " ");
  mdlState_restartCurrentCommand();
}

void moveFromPoint(DPoint3d* point, int) {
  moveFrom = *point;
  mdlState_dynamicUpdate(moveDynamics, 0);
  mdlState_setFunction(STATE_DATAPOINT, reinterpret_cast<void*>(moveTo));
  mdlOutput_printf(MSG_ERROR, "Move raster attachment > Enter reference corner");
}

void restartCommand() {
  mdlState_restartCurrentCommand();
}

}  // namespace

void attachRasterCommand() {
  mdlInput_sendKeyin("raster attach interactive", 0, 0, nullptr);
}

void modifyAttachmentCommand() {
  mdlInput_sendKeyin("raster modify", 0, 0, nullptr);
}

void detachRasterCommand() {
  ActiveRaster& r = activeRaster();
  const int count = countAttachedRasters();
  RasterFileInfo info{};
  if (count == 0 || mdlRaster_fileInfoGet(&info, r.raster) != SUCCESS) {
    okBox("No raster attached", 4);
    return;
  }
  char question[OUTPUT_TEXT_MAX];
  std::snprintf(question, sizeof question, "Detach Raster Reference File: \"%s\" ?", info.fullPath);
  if (!askYesNo(question, 2)) return;
  // Edits that cannot be written keep the raster loaded, and then its attachment stays too.
  if (r.loaded != 0 && !releaseActiveRaster()) return;
  RasterExtendedInfo extended{};
  if (mdlRaster_extendedInfoGet(&extended, r.raster) == SUCCESS) {
    extended.state = RASTER_STATE_CLOSING;
    mdlRaster_extendedInfoSet(&extended, r.raster, RASTER_UPDATE_ALL);
  }
  mdlRaster_fileClose(r.raster, RASTER_UPDATE_ALL);
  mdlRaster_eventSynchronize(RASTER_UPDATE_ALL);
  r.raster = nullptr;
}

void detachAllRastersCommand() {
  if (!askYesNo("Are you sure you want to detach ALL raster reference files?", 2)) return;
  if (countAttachedRasters() == 0) {
    okBox("No raster attached", 4);
    return;
  }
  if (activeRaster().loaded != 0 && !releaseActiveRaster()) return;
  mdlInput_sendKeyin("raster detach all", 0, 0, nullptr);
}

void hostSaveAsCommand() {
  if (countAttachedRasters() == 0) return;
  if (activeRaster().loaded != 0 && !releaseActiveRaster()) return;
  mdlInput_sendKeyin("imgmanager file saveas", 1, -1, nullptr);
  mdlInput_sendResume(-1);
  mdlInput_waitForMessage();
}

void saveAsCommand() {
  if (!ensureActiveRaster()) return;
  if (mdlDialog_find(kSaveAsDialog, nullptr) == nullptr) mdlDialog_open(0, kSaveAsDialog);
}

void moveAttachmentCommand() {
  if (!ensureActiveRaster()) return;
  mdlState_startPrimitive(moveFromPoint, restartCommand, 0, 0);
  mdlOutput_printf(MSG_ERROR, "Move raster attachment > Enter point to move from");
}

// Nothing happens while VX_DIR is not defined (or empty); a VX_DIR without its final '/' gets
// one, as the library's help does.
void manualCommand() {
  char* directory = mdlSystem_getExpandedCfgVar("VX_DIR");
  if (directory == nullptr) return;
  if (*directory != '\0') {
    const std::size_t length = std::strlen(directory);
    const char* separator = directory[length - 1] == '/' ? "" : "/";
    char path[MAXFILELENGTH] = {};
    char found[MAXFILELENGTH] = {};
    const int written =
        std::snprintf(path, sizeof path, "%s%sdoc/manual/vxpixmend.pdf", directory, separator);
    if (written > 0 && static_cast<std::size_t>(written) < sizeof path &&
        mdlFile_find(found, path, nullptr, nullptr) == 0) {
      vxlibExternal_openFile(found);
    } else {
      mdlOutput_messageCenter(10, "Cannot open VXPixmend User's manual",
                              "Cannot open VXPixmend User's manual. File is missing.", 1);
    }
  }
  dlmSystem_mdlFree(directory);
}

}  // namespace pixmend::app
