// The raster session: the active raster and every operation that begins, carries and ends the
// editing of one raster attachment.
//   countAttachedRasters / ensureActiveRaster   the guard every editing command begins with
//   selectRaster / pickActiveRaster             choosing one of several attachments
//   loadActiveRaster                            the file read into the bitmap, with its checks
//                                               (a tiled TIFF is offered a strip copy)
//   toggleRasterInvert                          the attachment's inverted display
//   attachOverlayRaster / detachOverlayRaster   the temporary overlay of the smart commands
// Writing the bitmap back and ending a session are in writeback.cpp.
//
// A file is loaded only when a write could replace it later (it is writable and its folder takes
// the temporary file a write goes through), so that edits are never made that cannot be kept.
#include "app/session.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/backup.hpp"
#include "app/params.hpp"
#include "app/rasterfile.hpp"
#include "app/undo.hpp"
#include "bitmap/selection.hpp"
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

// Opens `name` as the record's attachment in place of the one it has, with the attachment's
// drawing and placement (load step 2 reopens the same file; a tiled TIFF's strip copy takes its
// place the same way). The new attachment is opened before the old one is closed, so that a file
// which cannot be opened never costs the design its attachment.
bool replaceAttachment(const char* name, const char* fullPath, const RasterRendering& rendering,
                       const RasterGeoReference& geoReference, const RasterExtendedInfo& extended) {
  ActiveRaster& r = activeRecord;
  mdlRaster_fileSave(r.raster);
  DgnRasterP reopened = nullptr;
  const int status =
      mdlRaster_fileOpen(&reopened, name, mdlModelRef_getActive(), RASTER_OPEN_ATTACH, RASTER_UPDATE_ALL);
  if (status != SUCCESS) {
    okBox(imageReadMessage(status, fullPath).c_str(), 4);
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

// The tiled TIFF `info` cannot be edited. The user is offered the remedy at once: a strip copy
// beside it ("scan.strips.tif", made by the library's tiled conversion) attached in its place,
// with the same drawing and placement; the tiled file is kept as it is. The copy is checked
// against `tiled` (the file's bitmap as read) and kept only when it holds the same picture.
// True when the strip copy is now the record's attachment.
bool offerStripCopy(const RasterFileInfo& info, const ImageBlock& tiled, const Point2d& size,
                    const RasterRendering& rendering, const RasterGeoReference& geoReference,
                    const RasterExtendedInfo& extended) {
  if (!askYesNo("TIFF is tiled! VXRaster cannot work on tiled TIFF files. Use the Save As function in the menu "
                "to save the tiff as not tiled.\nDo you want VXRaster to make a strip copy of it beside it "
                "and attach that in its place? The tiled file is kept as it is.",
                2)) {
    return false;
  }
  const std::string path = info.fullPath;
  const std::string copy = reserveNewName(path, "strips");
  if (copy.empty()) {
    okBox(("Cannot make a strip copy of " + path + ": its folder takes no new file.").c_str(), 4);
    return false;
  }
  VXDllConvertTiledTiff(path.c_str(), copy.c_str());
  // The copy must show the same picture: should its photometric interpretation differ from the
  // original's, it gets the original's.
  const int photometric = VXDllGetPhotometric(path.c_str());
  if (photometric >= 0 && VXDllGetPhotometric(copy.c_str()) != photometric)
    VXDllSetPhotometric(copy.c_str(), photometric);
  ImageBlock converted;
  Point2d convertedSize{};
  const std::size_t bytes = static_cast<std::size_t>(mdlImage_memorySize(&size, IMAGEFORMAT_BITMAP));
  if (mdlImage_readFileToBitMap(converted.slot(), &convertedSize, copy.c_str(), IMAGEFILE_TIFF, 0,
                                mdlImage_checkStop) != SUCCESS ||
      VXDllIsTiffTiled(copy.c_str()) != 0 || convertedSize.x != size.x || convertedSize.y != size.y ||
      std::memcmp(converted.get(), tiled.get(), bytes) != 0) {
    ::unlink(copy.c_str());
    okBox(("Cannot make a strip copy of " + path + ": the copy would not hold the same picture.").c_str(), 4);
    return false;
  }
  // Attached under the name the tiled file was attached under, with the copy's file name.
  const std::string attached = info.attachedName;
  const std::string name = attached.substr(0, attached.size() - baseName(attached).size()) + baseName(copy);
  return replaceAttachment(name.c_str(), copy.c_str(), rendering, geoReference, extended);
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
  pixmend::rasterChanging(r.bitmap, 0);  // a live selection of it keeps its raster
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

DgnRasterP attachmentOfFile(const std::string& path) {
  DgnRasterP found = nullptr;
  MdlContainer* container = mdlRaster_systemRasterContainerGet();
  MdlContainerIterator* it = mdlCntr_iteratorCreate(container, CNTR_ITERATE_FORWARD);
  for (int more = it != nullptr ? 0 : 1; more == 0 && found == nullptr; more = mdlCntr_iteratorNext(it)) {
    auto raster = static_cast<DgnRasterP>(mdlCntr_valueGet(it));
    RasterFileInfo info{};
    if (raster != nullptr && mdlRaster_fileInfoGet(&info, raster) == SUCCESS && sameFile(path, info.fullPath))
      found = raster;
  }
  mdlCntr_release(container);
  return found;
}

std::string lastReadDamage() {
  int firstBadLine = 0, lines = 0;
  if (mdlImage_lastReadDamage(&firstBadLine, &lines) != 1) return "";
  return "lines after " + std::to_string(firstBadLine) + " of " + std::to_string(lines) + " could not be read";
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
    if (!replaceAttachment(info.attachedName, info.fullPath, rendering, geoReference, extended)) return 0;
    mdlRaster_fileInfoGet(&info, r.raster);
  }
  const char* path = info.fullPath;

  // Read-only covers every file a write-back cannot replace: protected or locked files, and
  // writable ones whose folder takes no new file or that are mounted on their own.
  if (VXDllIsReadOnly(path) == 1) {
    okBox("Can not open raster file for writing.\nFile may be read only.", 4);
    return 0;
  }

  FileIdentity identity;
  identifyFile(path, &identity);
  const int fileType = mdlImage_typeFromFile(path);
  ImageBlock bitmap;
  Point2d size{};
  const int status = mdlImage_readFileToBitMap(bitmap.slot(), &size, path, fileType, 0, mdlImage_checkStop);
  if (status != SUCCESS) {
    okBox(imageReadMessage(status, path).c_str(), 4);
    return 0;
  }
  if (fileType == IMAGEFILE_TIFF && VXDllIsTiffTiled(path) == 1) {
    if (!offerStripCopy(info, bitmap, size, rendering, geoReference, extended)) return 0;
    bitmap.reset();
    return loadActiveRaster();
  }
  // A file read only in part is edited only when the user knows what is missing.
  const std::string damage = lastReadDamage();
  if (!damage.empty()) {
    const std::string question = std::string("The raster file ") + path + " is damaged: " + damage +
                                 ".\nDo you want to edit it anyway? Those lines are blank; the file is not "
                                 "changed until it is written back.";
    if (!askYesNo(question.c_str(), 3)) return 0;
  }

  takeBackup(identity);

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
  r.fileAtLoad = identity;
  r.fileAsKnown = identity;
  r.loadedState = newBitmapState();
  r.writtenState = r.loadedState;
  r.bitmapState = r.loadedState;
  r.damage = damage;
  r.loaded = 1;
  forgetUndoOfOtherRasters();
  return 1;
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
