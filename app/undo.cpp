// The undo store, the backup copy and the four commands on them:
//   pushUndo / clearUndo           the store, filled by the editing commands
//   undoEdit / redoEdit            exchange the stored state with the current one
//   takeBackup                     the copy of the raster file taken at each load
//   revertToBackup                 the bitmap read back from the backup (the file rewritten)
//   recoverFromBackup              the backup copied over the raster file
//
// What the store and the backup are tied to:
// - The store belongs to the attachment it was taken from. Once another raster is active, undo
//   and redo answer as with an empty store, and the next load of another raster drops it.
// - The backup remembers the file it is a copy of. Revert reads it only into that file's raster
//   and recover copies it only over that file, so a backup that could not be renewed at a later
//   load (full temporary folder, say) never puts one scan's pixels into another.
// - The inverted display is not part of a stored state: it follows the file's photometric
//   interpretation (toggled when a write changes it) and the user's invert command, so undo,
//   redo, revert and recover keep it as it is and the raster keeps its look.
#include "app/undo.hpp"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/startup.hpp"
#include "pixmend/vxdll.h"

namespace pixmend::app {
namespace {

UndoStore store;

// The backup copy: where it was written and the raster file it copies. Unknown until the first
// backup of this session (a file left by an earlier session then counts as a copy of the raster
// recover finds).
struct Backup {
  std::string file;
  std::string source;
};
std::optional<Backup> lastBackup;

void freeStoreBitmap() {
  mdlImage_freeImage(store.bitmap, &store.size, IMAGEFORMAT_BITMAP);
  store.bitmap = nullptr;
}

bool storeIsOfActiveRaster() {
  return store.raster != nullptr && store.raster == activeRaster().raster;
}

// The records `rendering`, `geoReference` and `extended` stored on the active raster, keeping
// its inverted display; the record's placement follows the georeference.
void restoreRecords(RasterRendering rendering, const RasterGeoReference& geoReference,
                    const RasterExtendedInfo& extended) {
  ActiveRaster& r = activeRaster();
  RasterRendering now{};
  if (mdlRaster_renderingInfoGet(&now, r.raster) == SUCCESS) rendering.invertedDisplay = now.invertedDisplay;
  mdlRaster_renderingInfoSet(&rendering, r.raster, RASTER_UPDATE_MEMORY);
  mdlRaster_geoReferenceInfoSet(&geoReference, r.raster, RASTER_UPDATE_MEMORY);
  mdlRaster_extendedInfoSet(&extended, r.raster, RASTER_UPDATE_MEMORY);
  r.origin = geoReference.origin;
  r.extentX = geoReference.extentX;
  r.extentY = geoReference.extentY;
}

// Undo and redo are one exchange: the stored state becomes the current one and the current one
// is stored.
void exchangeWithStore() {
  ActiveRaster& r = activeRaster();
  RasterRendering rendering{};
  RasterGeoReference geoReference{};
  RasterExtendedInfo extended{};
  mdlRaster_renderingInfoGet(&rendering, r.raster);
  mdlRaster_geoReferenceInfoGet(&geoReference, r.raster);
  mdlRaster_extendedInfoGet(&extended, r.raster);
  std::swap(r.bitmap, store.bitmap);
  std::swap(r.size, store.size);
  restoreRecords(store.rendering, store.geoReference, store.extended);
  store.rendering = rendering;
  store.geoReference = geoReference;
  store.extended = extended;
  writeBackActiveRaster();
}

bool rasterActivated() {
  if (activeRaster().loaded != 0) return true;
  mdlOutput_printf(MSG_ERROR, "No raster is activated");
  return false;
}

// The backup file of the raster file `path`, or nothing when the backup is of another file.
std::optional<std::string> backupOf(const std::string& path) {
  if (!lastBackup) return backupFileName();
  if (lastBackup->source != path) return std::nullopt;
  return lastBackup->file;
}

// The attachment whose file is `path`, or null.
DgnRasterP attachmentOfFile(const std::string& path) {
  DgnRasterP found = nullptr;
  MdlContainer* container = mdlRaster_systemRasterContainerGet();
  MdlContainerIterator* it = mdlCntr_iteratorCreate(container, CNTR_ITERATE_FORWARD);
  for (int more = it != nullptr ? 0 : 1; more == 0 && found == nullptr; more = mdlCntr_iteratorNext(it)) {
    auto raster = static_cast<DgnRasterP>(mdlCntr_valueGet(it));
    RasterFileInfo info{};
    if (raster != nullptr && mdlRaster_fileInfoGet(&info, raster) == SUCCESS && path == info.fullPath)
      found = raster;
  }
  mdlCntr_release(container);
  return found;
}

// After recover has rewritten the loaded raster's file: the bitmap is read from it again, as
// it was when loaded, so that the next write-back cannot undo the recovery. When it cannot be
// read the raster is released without writing (the file is the recovered one).
void reloadRecoveredBitmap(const char* path) {
  ActiveRaster& r = activeRaster();
  ImageBlock bitmap;
  Point2d size{};
  const int status = mdlImage_readFileToBitMap(bitmap.slot(), &size, path, r.fileType, 0, mdlImage_checkStop);
  clearUndo();
  if (status != SUCCESS) {
    okBox(imageReadMessage(status, path).c_str(), 4);
    RasterRendering rendering{};
    if (mdlRaster_renderingInfoGet(&rendering, r.raster) == SUCCESS) {
      rendering.color = r.savedColor;
      mdlRaster_renderingInfoSet(&rendering, r.raster, RASTER_UPDATE_ALL);
    }
    freeActiveBitmap();
    r.loaded = 0;
    mdlState_clear();
    return;
  }
  freeActiveBitmap();
  r.bitmap = bitmap.release();
  r.size = size;
  restoreRecords(r.renderingAtLoad, r.geoReferenceAtLoad, r.extendedAtLoad);
}

}  // namespace

UndoStore& undoStore() {
  return store;
}

bool pushUndo() {
  ActiveRaster& r = activeRaster();
  mdlRaster_geoReferenceInfoGet(&store.geoReference, r.raster);
  mdlRaster_renderingInfoGet(&store.rendering, r.raster);
  mdlRaster_extendedInfoGet(&store.extended, r.raster);
  store.size = r.size;
  freeStoreBitmap();
  store.undoAvailable = 0;
  store.redoAvailable = 0;
  store.raster = nullptr;
  const int bytes = mdlImage_memorySize(&r.size, IMAGEFORMAT_BITMAP);
  void* copy = bytes > 0 && r.bitmap != nullptr ? std::malloc(static_cast<std::size_t>(bytes)) : nullptr;
  if (copy == nullptr) {
    store.size = Point2d{0, 0};
    okBox("Insufficient memory is available", 4);
    return false;
  }
  std::memcpy(copy, r.bitmap, static_cast<std::size_t>(bytes));
  store.bitmap = static_cast<unsigned char*>(copy);
  store.raster = r.raster;
  store.undoAvailable = 1;
  return true;
}

void clearUndo() {
  freeStoreBitmap();
  store.size = Point2d{0, 0};
  store.undoAvailable = 0;
  store.redoAvailable = 0;
  store.raster = nullptr;
}

void resetUndo() {
  clearUndo();
  lastBackup.reset();
}

void forgetUndoOfOtherRasters() {
  if ((store.undoAvailable != 0 || store.redoAvailable != 0) && !storeIsOfActiveRaster()) clearUndo();
}

void undoEdit() {
  if (!rasterActivated()) return;
  if (store.undoAvailable != 1 || !storeIsOfActiveRaster()) {
    mdlOutput_printf(MSG_ERROR, "Undo Raster > Undo buffer is empty");
    return;
  }
  exchangeWithStore();
  store.undoAvailable = 0;
  store.redoAvailable = 1;
}

void redoEdit() {
  if (!rasterActivated()) return;
  if (store.redoAvailable != 1 || !storeIsOfActiveRaster()) {
    mdlOutput_printf(MSG_ERROR, "Redo Raster > Redo buffer is empty");
    return;
  }
  exchangeWithStore();
  store.redoAvailable = 0;
  store.undoAvailable = 1;
}

std::string backupFileName() {
  const UserInterfaceData* ui = userInterface();
  char directory[sizeof(UserInterfaceData::tempDirectory)] = {};
  if (ui != nullptr) {
    std::memcpy(directory, ui->tempDirectory, sizeof directory - 1);
  } else {
    defaultTempDirectory(directory, sizeof directory);
  }
  return std::string(directory) + "backup.vxr";
}

void takeBackup(const char* rasterPath) {
  const std::string name = backupFileName();
  if (name.size() >= MAXFILELENGTH || mdlFile_copy(name.c_str(), rasterPath) != SUCCESS) {
    mdlOutput_printf(MSG_ERROR, "Cannot make backup copy. Check the temp path in the setup.");
    return;
  }
  lastBackup = Backup{name, rasterPath};
}

void revertToBackup() {
  if (!rasterActivated()) return;
  ActiveRaster& r = activeRaster();
  const auto name = backupOf(r.path);
  if (!name || mdlFile_find(nullptr, name->c_str(), nullptr, nullptr) != SUCCESS) {
    toolSubsystem_printf("VXRaster: no backup of %s to revert to\n", r.path.c_str());
    return;
  }
  // The backup is read into a new bitmap first: when it cannot be read, the raster keeps the
  // bitmap it has rather than being left with none.
  ImageBlock bitmap;
  Point2d size{};
  const int status = mdlImage_readFileToBitMap(bitmap.slot(), &size, name->c_str(), IMAGEFILE_FROM_FILE, 0,
                                               mdlImage_checkStop);
  if (status != SUCCESS) {
    okBox(imageReadMessage(status, name->c_str()).c_str(), 4);
    return;
  }
  freeActiveBitmap();
  r.bitmap = bitmap.release();
  r.size = size;
  restoreRecords(r.renderingAtLoad, r.geoReferenceAtLoad, r.extendedAtLoad);
  clearUndo();
  writeBackActiveRaster();
}

void recoverFromBackup() {
  if (countAttachedRasters() == 0) {
    okBox("No raster to recover", 3);
    return;
  }
  if (!askYesNo("Do you want to recover raster?\nPreviously saved backup will be used and all changes will "
                "be lost.",
                3)) {
    return;
  }
  // The raster to recover is the one the backup was taken from; without a backup of this session
  // it is the active raster (the first attachment while nothing is loaded).
  ActiveRaster& r = activeRaster();
  DgnRasterP target = lastBackup ? attachmentOfFile(lastBackup->source) : r.raster;
  RasterFileInfo info{};
  const std::string name = lastBackup ? lastBackup->file : backupFileName();
  if (target == nullptr || mdlRaster_fileInfoGet(&info, target) != SUCCESS) {
    okBox("No file recoverd", 3);
    return;
  }
  const int before = info.fileType == IMAGEFILE_TIFF ? VXDllGetPhotometric(info.fullPath) : 0;
  if (mdlFile_copy(info.fullPath, name.c_str()) != SUCCESS) {
    okBox("No file recoverd", 3);
    return;
  }
  // The copy brings the file's own photometric interpretation back: the display follows it.
  if (info.fileType == IMAGEFILE_TIFF && VXDllGetPhotometric(info.fullPath) != before)
    toggleInvertedDisplay(target);
  if (r.loaded != 0 && target == r.raster) reloadRecoveredBitmap(info.fullPath);
  mdlRaster_fileReload(target, RASTER_UPDATE_ALL);
}

}  // namespace pixmend::app
