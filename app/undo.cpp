// The undo store, the backup copy and the four commands on them:
//   pushUndo / clearUndo           the store, filled by the editing commands
//   undoEdit / redoEdit            exchange the stored state with the current one
//   revertToBackup                 the bitmap read back from the backup (app/backup.hpp)
//   recoverFromBackup              the backup copied over the raster file
//
// What the store and the backup are tied to:
// - The store belongs to the attachment it was taken from. Once another raster is active, undo
//   and redo answer as with an empty store, and the next load of another raster drops it.
// - The backup's record says which file, as loaded, it is a copy of (app/backup.hpp). Revert
//   reads it only into the raster loaded from that very file, recover copies it only over that
//   file (the loaded raster's when one is loaded), and the user is told why otherwise: a backup
//   of another scan, of another user or of an earlier load never puts its pixels into a file.
// - Every state of the bitmap has a number (app/session.hpp), exchanged with the bitmap, so that
//   a write-back after undo, redo or revert writes only when the file does not hold that state.
// - The inverted display is not part of a stored state: it is the user's (the invert command), so
//   undo, redo, revert and recover keep it as it is.
#include "app/undo.hpp"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "app/backup.hpp"
#include "app/session.hpp"
#include "bitmap/selection.hpp"
#include "pixmend/vxdll.h"

namespace pixmend::app {
namespace {

// The undo store: one saved state of the active raster.
//
// Ownership: `bitmap` is a malloc'd block (released with mdlImage_freeImage), owned by the store
// while either flag is set; undo and redo exchange it with the active bitmap. The store belongs to
// the attachment it was taken from: while another raster is active, undo and redo find it empty.
struct UndoStore {
  unsigned char* bitmap = nullptr;
  Point2d size{};
  RasterRendering rendering{};
  RasterGeoReference geoReference{};
  RasterExtendedInfo extended{};
  int undoAvailable = 0;
  int redoAvailable = 0;
  DgnRasterP raster = nullptr;     // the attachment the state belongs to
  unsigned long long bitmapState = 0;  // the number of the stored bitmap's state (app/session.hpp)
};

UndoStore store;

void freeStoreBitmap() {
  pixmend::rasterChanging(store.bitmap, 0);  // after an undo a selection may read it
  mdlImage_freeImage(store.bitmap, &store.size, IMAGEFORMAT_BITMAP);
  store.bitmap = nullptr;
}

// Empties the store; the bitmap is left as it is.
void emptyStore() {
  freeStoreBitmap();
  store.size = Point2d{0, 0};
  store.undoAvailable = 0;
  store.redoAvailable = 0;
  store.raster = nullptr;
  store.bitmapState = 0;
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
  std::swap(r.bitmapState, store.bitmapState);
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

// After recover has put the backup over the loaded raster's file: the file holds the raster as
// it was loaded, and so does the bitmap, read from it again (placement as at load, undo
// emptied), so that the next write-back cannot undo the recovery. When it cannot be read the
// raster is released without writing (the file is the recovered one).
void reloadRecoveredBitmap(const char* path) {
  ActiveRaster& r = activeRaster();
  ImageBlock bitmap;
  Point2d size{};
  const int status = mdlImage_readFileToBitMap(bitmap.slot(), &size, path, r.fileType, 0, mdlImage_checkStop);
  const std::string damage = lastReadDamage();
  emptyStore();
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
  r.bitmapState = r.loadedState;
  rememberFileWritten(path, r.loadedState);
  r.damage = damage;  // the file as loaded, read in part again
}

// The raster recover restores: the loaded one, or with nothing loaded the attachment of the file
// the backup copies. Null, with the user told why, when the backup is not a usable copy of it.
DgnRasterP recoveryTarget() {
  const ActiveRaster& r = activeRaster();
  BackupRecord record;
  if (r.loaded != 0) {
    const BackupState state = checkBackup(r.path, &r.fileAtLoad, &record);
    if (state == BackupState::Usable) return r.raster;
    okBox(backupRefusal(state, r.path, record, "recovered").c_str(), 3);
    return nullptr;
  }
  if (!readBackupRecord(&record)) {
    okBox("There is no backup to recover from.\nNothing was recovered.", 3);
    return nullptr;
  }
  DgnRasterP target = attachmentOfFile(record.source);
  if (target == nullptr) {
    const std::string text = "The backup is a copy of " + record.source + ", which is not attached.\nNothing was recovered.";
    okBox(text.c_str(), 3);
    return nullptr;
  }
  const BackupState state = checkBackup(record.source, nullptr, nullptr);
  if (state != BackupState::Usable) {
    okBox(backupRefusal(state, record.source, record, "recovered").c_str(), 3);
    return nullptr;
  }
  return target;
}

}  // namespace

bool pushUndo() {
  ActiveRaster& r = activeRaster();
  mdlRaster_geoReferenceInfoGet(&store.geoReference, r.raster);
  mdlRaster_renderingInfoGet(&store.rendering, r.raster);
  mdlRaster_extendedInfoGet(&store.extended, r.raster);
  freeStoreBitmap();
  store.size = r.size;
  store.undoAvailable = 0;
  store.redoAvailable = 0;
  store.raster = nullptr;
  store.bitmapState = r.bitmapState;
  markBitmapEdited();
  // The image library's copy: a bitmap it read from a mapped decode is copied by mapping, so the
  // store costs only the pages the edit then changes.
  unsigned char* copy = nullptr;
  if (r.bitmap == nullptr || mdlImage_copyImage(&copy, r.bitmap, &r.size, IMAGEFORMAT_BITMAP) != SUCCESS) {
    store.size = Point2d{0, 0};
    okBox("Insufficient memory is available", 4);
    return false;
  }
  store.bitmap = copy;
  store.raster = r.raster;
  store.undoAvailable = 1;
  return true;
}

void clearUndo() {
  emptyStore();
  markBitmapEdited();
}

void resetUndo() {
  emptyStore();
}

void forgetUndoOfOtherRasters() {
  if ((store.undoAvailable != 0 || store.redoAvailable != 0) && !storeIsOfActiveRaster()) emptyStore();
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

void revertToBackup() {
  if (!rasterActivated()) return;
  ActiveRaster& r = activeRaster();
  BackupRecord record;
  const BackupState state = checkBackup(r.path, &r.fileAtLoad, &record);
  if (state != BackupState::Usable) {
    okBox(backupRefusal(state, r.path, record, "reverted").c_str(), 3);
    return;
  }
  // The backup is read into a new bitmap first: when it cannot be read, the raster keeps the
  // bitmap it has rather than being left with none.
  const std::string name = backupFileName();
  ImageBlock bitmap;
  Point2d size{};
  const int status =
      mdlImage_readFileToBitMap(bitmap.slot(), &size, name.c_str(), IMAGEFILE_FROM_FILE, 0, mdlImage_checkStop);
  if (status != SUCCESS) {
    okBox(imageReadMessage(status, name.c_str()).c_str(), 4);
    return;
  }
  freeActiveBitmap();
  r.bitmap = bitmap.release();
  r.size = size;
  restoreRecords(r.renderingAtLoad, r.geoReferenceAtLoad, r.extendedAtLoad);
  emptyStore();
  // The backup holds the file as loaded: the bitmap is the one loaded, which the file still
  // holds unless the session wrote it since.
  r.bitmapState = r.loadedState;
  writeBackActiveRaster();
}

void recoverFromBackup() {
  if (countAttachedRasters() == 0) {
    okBox("No raster to recover", 3);
    return;
  }
  DgnRasterP target = recoveryTarget();
  if (target == nullptr) return;
  if (!askYesNo("Do you want to recover raster?\nPreviously saved backup will be used and all changes will "
                "be lost.",
                3)) {
    return;
  }
  ActiveRaster& r = activeRaster();
  RasterFileInfo info{};
  const std::string name = backupFileName();
  if (mdlRaster_fileInfoGet(&info, target) != SUCCESS) {
    okBox("No file recoverd", 3);
    return;
  }
  // The copy is the file as it was loaded, in its own photometric interpretation, which every
  // write kept: the display has nothing to follow.
  if (mdlFile_copy(info.fullPath, name.c_str()) != SUCCESS) {
    okBox("No file recoverd", 3);
    return;
  }
  if (r.loaded != 0 && target == r.raster) reloadRecoveredBitmap(info.fullPath);
  mdlRaster_fileReload(target, RASTER_UPDATE_ALL);
}

}  // namespace pixmend::app
