// The raster session: the active raster and every operation that begins, carries and ends the
// editing of one raster attachment.
//   countAttachedRasters / ensureActiveRaster   the guard every editing command begins with
//   selectRaster / pickActiveRaster             choosing one of several attachments
//   loadActiveRaster                            the file read into the bitmap, with its checks
//   writeBackActiveRaster / writeRasterFile     the bitmap written over the file, display kept
//   releaseActiveRaster / endSessionOnUnload    the end of an editing session
//   toggleRasterInvert                          the attachment's inverted display
//   attachOverlayRaster / detachOverlayRaster   the temporary overlay of the smart commands
//
// The file on disk is rewritten only by a write-back, a release and Save As; the image library
// writes beside the file and renames, so a failed write leaves the file as it was, and the
// bitmap is kept so that the user can try again. An empty bitmap is never written.
#include "app/session.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/params.hpp"
#include "app/undo.hpp"
#include "pixmend/vxdll.h"

namespace pixmend::app {
namespace {

ActiveRaster activeRecord;

// The display control the load switches on in every view.
constexpr int kRasterDisplayControl = 16;

// A pick started by the select raster command ends with the load; one started by an editing
// command starts that command again.
bool pickForSelection = false;

int activeColorIndex() {
  const UserInterfaceData* ui = userInterface();
  return ui != nullptr ? ui->activeColor : 2;
}

int overlayColorIndex() {
  const UserInterfaceData* ui = userInterface();
  return ui != nullptr ? ui->overlayColor : 1;
}

// Sets `color` to palette entry `index` of the active model; an index outside the palette leaves
// it as it is.
void paletteColor(RgbColorDef* color, int index) {
  mdlColorDescr_getRgb(color, mdlColorPal_getColorDescr(nullptr, index));
}

// Load step 2: an attachment the design only names is opened by the raster library before its
// file is rewritten. The new attachment is opened before the old one is closed, so that a file
// which cannot be opened any more never costs the design its attachment.
bool reopenAttachment(const RasterFileInfo& info, const RasterRendering& rendering,
                      const RasterGeoReference& geoReference, const RasterExtendedInfo& extended) {
  ActiveRaster& r = activeRecord;
  mdlRaster_fileSave(r.raster);
  DgnRasterP reopened = nullptr;
  const int status = mdlRaster_fileOpen(&reopened, info.attachedName, mdlModelRef_getActive(),
                                        RASTER_OPEN_ATTACH, RASTER_UPDATE_ALL);
  if (status != SUCCESS) {
    okBox(imageReadMessage(status, info.fullPath).c_str(), 4);
    return false;
  }
  RasterExtendedInfo closing = extended;
  closing.state = RASTER_STATE_CLOSING;
  mdlRaster_extendedInfoSet(&closing, r.raster, RASTER_UPDATE_ALL);
  mdlRaster_fileClose(r.raster, RASTER_UPDATE_ALL);
  r.raster = reopened;
  mdlRaster_renderingInfoSet(&rendering, reopened, RASTER_UPDATE_ALL);
  mdlRaster_geoReferenceInfoSet(&geoReference, reopened, RASTER_UPDATE_ALL);
  RasterExtendedInfo reopenedState = extended;
  reopenedState.state = RASTER_STATE_REOPENED;
  mdlRaster_extendedInfoSet(&reopenedState, reopened, RASTER_UPDATE_ALL);
  return true;
}

// The ratio of the pixel sizes in x and y, (H * extent X) / (W * extent Y), is 1 for square
// pixels; beyond 1 +- 0.0005 the commands that take the pixel size from x would misplace ink.
void checkResolution(const Point2d& size, const RasterGeoReference& geoReference) {
  const double ratio = (static_cast<double>(size.y) * geoReference.extentX) /
                       (static_cast<double>(size.x) * geoReference.extentY);
  if (ratio < 0.9995 || ratio > 1.0005) {
    const char* text = "Raster have different DPI in X and Y. VXPixmend may not work properly.";
    mdlOutput_messageCenter(11, text, text, 1);
  }
}

// Releases a loaded raster: colour back, bitmap written and freed, Intergraph placement stored.
// With `mustFree` the bitmap goes even when it cannot be written (the application is leaving).
bool releaseLoaded(bool mustFree) {
  ActiveRaster& r = activeRecord;
  std::string path = r.path;
  RasterGeoReference geoReference = r.geoReferenceAtLoad;
  geoReference.origin = r.origin;
  geoReference.extentX = r.extentX;
  geoReference.extentY = r.extentY;
  if (activeAttachmentExists()) {
    RasterRendering rendering{};
    mdlRaster_geoReferenceInfoGet(&geoReference, r.raster);
    mdlRaster_renderingInfoGet(&rendering, r.raster);
    rendering.color = r.savedColor;
    mdlRaster_renderingInfoSet(&rendering, r.raster, RASTER_UPDATE_ALL);
    RasterFileInfo info{};
    if (mdlRaster_fileInfoGet(&info, r.raster) == SUCCESS) path = info.fullPath;
  } else {
    toolSubsystem_printf("VXRaster: %s is no longer attached; its edits go to the file all the same\n",
                         path.c_str());
  }
  if (r.bitmap != nullptr && !writeRasterFile(path.c_str(), r.fileType, r.size, r.bitmap)) {
    if (!mustFree) return false;
    toolSubsystem_printf("VXRaster: the edits of %s could not be written and are lost\n", path.c_str());
  }
  freeActiveBitmap();
  if (mdlImage_typeFromFile(path.c_str()) == IMAGEFILE_CIT) {
    const DPoint2d extent{geoReference.extentX, geoReference.extentY};
    mdlImage_updateIngrAttach(&geoReference.origin, &extent, path.c_str());
  }
  r.loaded = 0;
  return true;
}

void pickPoint(DPoint3d* point, int view);

// Installs the pick as a primitive of its own, so that the host knows the interrupted command
// as the one to start again; a reset asks once more.
void askForPick() {
  mdlState_startPrimitive(pickPoint, askForPick, 0, 0);
  mdlOutput_printf(MSG_PROMPT, "Velg et raster med et datapunkt");
}

void startPick(bool forSelection) {
  pickForSelection = forSelection;
  askForPick();
}

void pickPoint(DPoint3d* point, int view) {
  DgnRasterP found = mdlRaster_viewFindRaster(point, view);
  if (found == nullptr) return;  // not on a raster: the pick goes on
  activeRecord.raster = found;
  const int loaded = loadActiveRaster();
  if (!pickForSelection) {
    mdlState_restartCurrentCommand();
    return;
  }
  // The select raster command is done once a raster is loaded; restarting it would release the
  // raster just picked and ask again. A failed load leaves the pick open for another raster.
  if (loaded == 1) {
    pickForSelection = false;
    mdlState_clear();
  } else {
    askForPick();
  }
}

}  // namespace

ActiveRaster& activeRaster() {
  return activeRecord;
}

RasterCoordinates rasterCoordinates() {
  const ActiveRaster& r = activeRecord;
  RasterCoordinates c;
  if (r.loaded == 0 || r.size.x <= 0) return c;
  c.origin = r.origin;
  c.width = r.size.x;
  c.height = r.size.y;
  c.pixelSize = r.extentX / r.size.x;
  return c;
}

void resetSession() {
  ActiveRaster& r = activeRecord;
  freeActiveBitmap();
  r = ActiveRaster();
  pickForSelection = false;
  resetUndo();
}

void freeActiveBitmap() {
  ActiveRaster& r = activeRecord;
  mdlImage_freeImage(r.bitmap, &r.size, IMAGEFORMAT_BITMAP);
  r.bitmap = nullptr;
  r.size = Point2d{0, 0};
}

void okBox(const char* text, int icon) {
  mdlDialog_openMessageBox(MSGBOX_OK, text, icon);
}

bool askYesNo(const char* text, int icon) {
  return mdlDialog_openMessageBox(MSGBOX_YESNO, text, icon) == ACTIONBUTTON_YES;
}

std::string imageReadMessage(int status, const char* path) {
  switch (status) {
    case MDLERR_NOTMONOCHROME:
      return "File does not contain monochrome bitmap data";
    case MDLERR_INSFMEMORY:
      return "Insufficient memory is available";
    case MDLERR_FILENOTFOUND:
      return std::string("Cannot find raster file ") + path;
    case MDLERR_CORRUPTIMAGE:
      return std::string("Raster file is damaged: ") + path;
    case MDLERR_UNKNOWNIMAGETYPE:
      return std::string("Not a raster file VXRaster can edit: ") + path;
    default:
      return std::string("Cannot read raster file ") + path;
  }
}

bool activeAttachmentExists() {
  RasterFileInfo info{};
  return activeRecord.raster != nullptr && mdlRaster_fileInfoGet(&info, activeRecord.raster) == SUCCESS;
}

int countAttachedRasters() {
  MdlContainer* container = mdlRaster_systemRasterContainerGet();
  const int count = mdlCntr_itemCount(container);
  if (activeRecord.loaded == 0 && count > 0) {
    activeRecord.raster =
        static_cast<DgnRasterP>(mdlCntr_valueGet(mdlCntr_iteratorCreate(container, CNTR_ITERATE_FORWARD)));
  }
  mdlCntr_release(container);
  return count;
}

bool ensureActiveRaster() {
  // A loaded raster whose attachment has gone (another program detached it, the design closed)
  // is released first: its edits go to its file, and the guard goes on as with nothing loaded.
  if (activeRecord.loaded != 0 && !activeAttachmentExists() && !releaseActiveRaster()) return false;
  const int count = countAttachedRasters();
  if (count == 0) {
    mdlOutput_printf(MSG_ERROR, "No raster attached");
    return false;
  }
  if (activeRecord.loaded != 0) return true;
  if (count > 1) {
    startPick(false);
    return false;
  }
  return loadActiveRaster() == 1;
}

void selectRaster() {
  const int count = countAttachedRasters();
  if (activeRecord.loaded == 0) {
    if (count > 1) {
      startPick(true);
    } else if (count == 1) {
      loadActiveRaster();
    } else {
      mdlOutput_printf(MSG_ERROR, "No raster attached");
    }
    return;
  }
  if (count <= 1) return;
  if (releaseActiveRaster()) startPick(true);
}

void pickActiveRaster() {
  startPick(false);
}

int loadActiveRaster() {
  ActiveRaster& r = activeRecord;
  r.loaded = 0;
  RasterFileInfo info{};
  RasterRendering rendering{};
  RasterGeoReference geoReference{};
  RasterExtendedInfo extended{};
  if (mdlRaster_fileInfoGet(&info, r.raster) != SUCCESS ||
      mdlRaster_renderingInfoGet(&rendering, r.raster) != SUCCESS ||
      mdlRaster_geoReferenceInfoGet(&geoReference, r.raster) != SUCCESS ||
      mdlRaster_extendedInfoGet(&extended, r.raster) != SUCCESS) {
    mdlOutput_printf(MSG_ERROR, "No raster attached");
    return 0;
  }
  if (info.fileOpen == 0) {
    if (!reopenAttachment(info, rendering, geoReference, extended)) return 0;
    mdlRaster_fileInfoGet(&info, r.raster);
  }
  const char* path = info.fullPath;

  if (VXDllIsReadOnly(path) == 1) {
    okBox("Can not open raster file for writing.\nFile may be read only.", 4);
    return 0;
  }

  const int fileType = mdlImage_typeFromFile(path);
  ImageBlock bitmap;
  Point2d size{};
  const int status = mdlImage_readFileToBitMap(bitmap.slot(), &size, path, fileType, 0, mdlImage_checkStop);
  if (status != SUCCESS) {
    okBox(imageReadMessage(status, path).c_str(), 4);
    return 0;
  }
  if (fileType == IMAGEFILE_TIFF && VXDllIsTiffTiled(path) == 1) {
    okBox(
        "TIFF is tiled! VXRaster cannot work on tiled TIFF files. Use the Save As function in the menu to "
        "save "
        "the tiff as not tiled.",
        4);
    return 0;
  }

  takeBackup(path);

  r.savedColor = rendering.color;
  r.origin = geoReference.origin;
  r.extentX = geoReference.extentX;
  r.extentY = geoReference.extentY;
  checkResolution(size, geoReference);
  paletteColor(&rendering.color, activeColorIndex());

  if ((geoReference.rotation != 0.0 || geoReference.skew != 0.0) &&
      rendering.placementTransformApplied != 0) {
    if (!askYesNo(
            "Warning! This raster is rotaded and/or warped with Raster Manager. This means that the "
            "rotation/warping is saved in the design file and not on the raster. Would you like to turn "
            "of rotation/warping and continue working with VXPixmend?",
            2)) {
      return 0;
    }
    rendering.placementTransformApplied = 0;
  }
  mdlRaster_renderingInfoSet(&rendering, r.raster, RASTER_UPDATE_ALL);

  for (int view = 0; view < MAX_VIEWS; ++view) {
    mdlView_setDisplayControl(kRasterDisplayControl, view, 1);
    mdlView_updateSingle(view);
  }

  mdlRaster_renderingInfoGet(&r.renderingAtLoad, r.raster);
  mdlRaster_geoReferenceInfoGet(&r.geoReferenceAtLoad, r.raster);
  mdlRaster_extendedInfoGet(&r.extendedAtLoad, r.raster);
  freeActiveBitmap();
  r.bitmap = bitmap.release();
  r.size = size;
  r.fileType = fileType;
  r.path = path;
  r.loaded = 1;
  forgetUndoOfOtherRasters();
  return 1;
}

bool writeRasterFile(const char* path, int fileType, const Point2d& size, const unsigned char* bitmap) {
  if (bitmap == nullptr || size.x <= 0 || size.y <= 0) {
    // Nothing would replace the drawing: the file is left alone.
    toolSubsystem_printf("VXRaster: an empty bitmap is not written over %s\n", path);
    okBox("File not created from bitmap", 4);
    return false;
  }
  const int before = fileType == IMAGEFILE_TIFF ? VXDllGetPhotometric(path) : 0;
  const int status =
      mdlImage_createFileFromBitMap(path, fileType, &size, bitmap, 0, 0, 0, mdlImage_checkStop);
  if (status != SUCCESS) okBox("File not created from bitmap", 4);
  // The image library writes a TIFF min-is-white with the bitmap's bits as they are; a file that
  // was min-is-black would now show its ink as background, so the display is inverted to match.
  if (fileType == IMAGEFILE_TIFF && VXDllGetPhotometric(path) != before) toggleRasterInvert();
  return status == SUCCESS;
}

bool writeBackActiveRaster() {
  ActiveRaster& r = activeRecord;
  if (r.loaded == 0) return false;
  mdlRaster_fileReload(r.raster, RASTER_UPDATE_MEMORY);
  RasterFileInfo info{};
  const std::string path =
      mdlRaster_fileInfoGet(&info, r.raster) == SUCCESS ? std::string(info.fullPath) : r.path;
  const bool written = writeRasterFile(path.c_str(), r.fileType, r.size, r.bitmap);
  mdlRaster_fileReload(r.raster, RASTER_UPDATE_ALL);
  return written;
}

bool releaseActiveRaster() {
  if (activeRecord.loaded != 0 && !releaseLoaded(false)) return false;
  mdlState_clear();
  return true;
}

void releaseOnEvent(const char*, int) {
  releaseActiveRaster();
}

void endSessionOnUnload() {
  if (activeRecord.loaded != 0) releaseLoaded(true);
  freeActiveBitmap();
  activeRecord.loaded = 0;
  clearUndo();
}

void toggleRasterInvert() {
  if (activeRecord.loaded == 0 && countAttachedRasters() == 0) return;
  toggleInvertedDisplay(activeRecord.raster);
}

void toggleInvertedDisplay(DgnRasterP raster) {
  RasterRendering rendering{};
  if (mdlRaster_renderingInfoGet(&rendering, raster) != SUCCESS) return;
  rendering.invertedDisplay = rendering.invertedDisplay == 0 ? 1 : 0;
  mdlRaster_renderingInfoSet(&rendering, raster, RASTER_UPDATE_ALL);
}

bool attachOverlayRaster(const char* fileName, double extentX, double extentY, double originX,
                         double originY) {
  ActiveRaster& r = activeRecord;
  if (fileName == nullptr) return false;
  if (r.overlay != nullptr) detachOverlayRaster();  // at most one overlay at a time
  RasterGeoReference geoReference{};
  RasterRendering rendering{};
  mdlRaster_geoReferenceInfoGet(&geoReference, r.raster);
  mdlRaster_renderingInfoGet(&rendering, r.raster);
  rendering.backgroundTransparency = 0xff;
  rendering.transparentBackground = 1;
  DgnRasterP overlay = nullptr;
  const int status =
      mdlRaster_fileOpen(&overlay, fileName, mdlModelRef_getActive(), RASTER_OPEN_ATTACH, RASTER_UPDATE_ALL);
  if (status != SUCCESS) {
    toolSubsystem_printf("VXRaster: cannot show %s as an overlay (%d)\n", fileName, status);
    return false;
  }
  r.overlay = overlay;
  geoReference.origin.x = originX;
  geoReference.origin.y = originY;
  geoReference.extentX = extentX;
  geoReference.extentY = extentY;
  mdlRaster_geoReferenceInfoSet(&geoReference, overlay, RASTER_UPDATE_ALL);
  paletteColor(&rendering.color, overlayColorIndex());
  rendering.displayPriority += 1;
  mdlRaster_renderingInfoSet(&rendering, overlay, RASTER_UPDATE_ALL);
  mdlRaster_fileSave(r.raster);
  mdlRaster_fileReload(r.raster, RASTER_UPDATE_MEMORY);
  return true;
}

void detachOverlayRaster() {
  ActiveRaster& r = activeRecord;
  if (r.overlay == nullptr) return;
  RasterExtendedInfo extended{};
  if (mdlRaster_extendedInfoGet(&extended, r.overlay) == SUCCESS) {
    extended.state = RASTER_STATE_CLOSING;
    mdlRaster_extendedInfoSet(&extended, r.overlay, RASTER_UPDATE_ALL);
  }
  mdlRaster_fileClose(r.overlay, RASTER_UPDATE_ALL);
  r.overlay = nullptr;
  mdlRaster_eventSynchronize(RASTER_UPDATE_ALL);
  mdlRaster_fileSave(r.raster);
  mdlRaster_fileReload(r.raster, RASTER_UPDATE_MEMORY);
}

}  // namespace pixmend::app
