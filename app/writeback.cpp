// The bitmap written to its raster file (see session.hpp):
//   writeRasterFile                 one write of a bitmap over a raster file, its look kept
//   writeBackActiveRaster           the write-back command, and the write after every edit
//   writeBackGeometry               the same for a bitmap turned, mirrored or warped: the
//                                   attachment re-placed with it
//   releaseActiveRaster             the end of an editing session, with the user there to ask
//   endSessionOnUnload              the end when nobody can be asked: edits beside or rescued
//   markBitmapEdited / newBitmapState / rememberFileWritten
//                                   what the file holds and what the bitmap holds
//
// The rules, each for a fault a user met:
// - A bitmap no command changed since the file last took it is not written at all: merely
//   opening and ending a scan never rewrites it (a file the reader could only read in part
//   would lose its unread lines).
// - A file that is no longer the one the session loaded or last wrote (another program wrote
//   it, or it was replaced) is not overwritten unless the user says so; nor is a file read only
//   in part, whose unread lines would become blank. "No" keeps the file as it is and the edits
//   in memory.
// - Where nobody can be asked (the application leaving), such edits go to a new file beside the
//   old one, which stays as it is; edits that cannot be written where they belong go to a rescue
//   file in the user's temporary folder. An OK box says where, every time.
// - The attachment's placement (origin and extent) is the record's, which belongs to the bitmap in
//   memory, only once the file holds that bitmap: a turned bitmap whose file could not be written
//   leaves the attachment showing the old file where it was, not stretched over the new extent.
#include <unistd.h>

#include <string>

#include "app/backup.hpp"
#include "app/session.hpp"
#include "app/undo.hpp"
#include "bitmap/selection.hpp"
#include "pixmend/vxdll.h"

namespace pixmend::app {
namespace {

unsigned long long lastState = 0;

bool bitmapEdited() {
  const ActiveRaster& r = activeRaster();
  return r.bitmapState != r.writtenState;
}

// True when the file at `path` is not the one the session last saw.
bool changedElsewhere(const std::string& path) {
  const ActiveRaster& r = activeRaster();
  return path != r.fileAsKnown.path || changedSince(r.fileAsKnown);
}

// Asks before `path` is replaced by the edits, where there is something to ask. False when the
// user said no: the file stays as it is and the edits stay in memory.
bool userAllowsWrite(const std::string& path) {
  const ActiveRaster& r = activeRaster();
  if (changedElsewhere(path)) {
    const std::string question = "The raster file " + path +
                                 " has changed on disk since VXRaster read it.\nDo you want to overwrite it "
                                 "with your edits?\nNo keeps the file as it is and your edits in memory.";
    if (!askYesNo(question.c_str(), 3)) return false;
  }
  if (!r.damage.empty()) {
    const std::string question = "The raster file " + path + " is damaged: " + r.damage +
                                 ".\nWriting it back makes those lines blank in the file. Do you want to "
                                 "write it?\nNo keeps the file as it is and your edits in memory.";
    if (!askYesNo(question.c_str(), 3)) return false;
  }
  return true;
}

// The attachment `raster` given the record's placement, the bitmap's, now that its file holds
// that bitmap; stored in the design when it changed.
void storePlacement(DgnRasterP raster) {
  const ActiveRaster& r = activeRaster();
  RasterGeoReference geoReference{};
  if (mdlRaster_geoReferenceInfoGet(&geoReference, raster) != SUCCESS) return;
  if (geoReference.origin.x == r.origin.x && geoReference.origin.y == r.origin.y &&
      geoReference.origin.z == r.origin.z && geoReference.extentX == r.extentX &&
      geoReference.extentY == r.extentY) {
    return;
  }
  geoReference.origin = r.origin;
  geoReference.extentX = r.extentX;
  geoReference.extentY = r.extentY;
  if (mdlRaster_geoReferenceInfoSet(&geoReference, raster, RASTER_UPDATE_ALL) == SUCCESS) mdlRaster_fileSave(raster);
}

// The attended write of the edits over `path`: asked for when needed, then written.
bool writeEdits(const std::string& path) {
  ActiveRaster& r = activeRaster();
  if (!userAllowsWrite(path)) return false;
  if (!writeRasterFile(path.c_str(), r.fileType, r.size, r.bitmap)) return false;
  rememberFileWritten(path, r.bitmapState);
  return true;
}

// Writes the bitmap to the new file `name` reserved beside `original`: a copy of the original
// first, so that what a rewrite carries over (resolution, placement, photometric
// interpretation) is the original's. The new file is removed when the bitmap cannot be written.
bool writeNewFile(const std::string& original, const std::string& name) {
  const ActiveRaster& r = activeRaster();
  mdlFile_copy(name.c_str(), original.c_str());
  if (mdlImage_createFileFromBitMap(name.c_str(), r.fileType, &r.size, r.bitmap, 0, 0, 0, mdlImage_checkStop) ==
      SUCCESS) {
    return true;
  }
  ::unlink(name.c_str());
  return false;
}

// The edits of `path` that could not go anywhere else, written to the user's temporary folder.
void rescueEdits(const std::string& path) {
  const std::string folder = userTemporaryFolder();
  const std::string name = reserveNewName(folder + baseName(path), "vxraster-rescue");
  std::string text;
  if (!name.empty() && writeNewFile(path, name)) {
    text = "The edits of " + path + " could not be written to it.\nThey were saved in " + name + ".";
  } else {
    text = "The edits of " + path + " could not be written to it nor to the temporary folder " + folder +
           ".\nThey are lost.";
  }
  okBox(text.c_str(), 4);
}

// The edits of `path`, which may not be overwritten unasked (`why` says why), written beside it.
void writeBeside(const std::string& path, const std::string& why) {
  const std::string name = reserveNewName(path, "vxraster-edits");
  if (name.empty() || !writeNewFile(path, name)) {
    rescueEdits(path);
    return;
  }
  const std::string text =
      "The raster file " + path + " " + why + ".\nYour edits were written to " + name + "; " + path +
      " was left as it is.";
  okBox(text.c_str(), 3);
}

// The placement of an Intergraph raster moved since it was loaded.
bool placementMoved(const RasterGeoReference& now) {
  const RasterGeoReference& then = activeRaster().geoReferenceAtLoad;
  return now.origin.x != then.origin.x || now.origin.y != then.origin.y || now.origin.z != then.origin.z ||
         now.extentX != then.extentX || now.extentY != then.extentY;
}

// Releases a loaded raster: colour back, edits written, bitmap freed, Intergraph placement
// stored. Attended, the user is asked where needed and a declined or failed write keeps the
// raster loaded (false); unattended, nothing is asked and the raster is released in any case.
bool releaseLoaded(bool attended) {
  ActiveRaster& r = activeRaster();
  std::string path = r.path;
  RasterGeoReference geoReference = r.geoReferenceAtLoad;
  geoReference.origin = r.origin;
  geoReference.extentX = r.extentX;
  geoReference.extentY = r.extentY;
  const bool attached = activeAttachmentExists();
  if (attached) {
    mdlRaster_geoReferenceInfoGet(&geoReference, r.raster);
    RasterFileInfo info{};
    if (mdlRaster_fileInfoGet(&info, r.raster) == SUCCESS) path = info.fullPath;
  } else if (bitmapEdited()) {
    toolSubsystem_printf("VXRaster: %s is no longer attached; its edits go to the file all the same\n",
                         path.c_str());
  }
  bool written = false;
  const bool fileHoldsBitmap = !bitmapEdited();
  if (bitmapEdited() && attended) {
    if (!userAllowsWrite(path) || !writeRasterFile(path.c_str(), r.fileType, r.size, r.bitmap)) return false;
    written = true;
  } else if (bitmapEdited()) {
    if (changedElsewhere(path)) {
      writeBeside(path, "has changed on disk since VXRaster read it");
    } else if (!r.damage.empty()) {
      writeBeside(path, "is damaged (" + r.damage + ")");
    } else if (writeRasterFile(path.c_str(), r.fileType, r.size, r.bitmap)) {
      written = true;
    } else {
      rescueEdits(path);
    }
  }
  if (attached && (written || fileHoldsBitmap)) {
    storePlacement(r.raster);
    mdlRaster_geoReferenceInfoGet(&geoReference, r.raster);
  }
  if (attached) {
    RasterRendering rendering{};
    mdlRaster_renderingInfoGet(&rendering, r.raster);
    rendering.color = r.savedColor;
    mdlRaster_renderingInfoSet(&rendering, r.raster, RASTER_UPDATE_ALL);
  }
  // The placement goes into an Intergraph file with the edits, or on its own when only the
  // attachment was moved and the file is still the one the session knows.
  const bool moved = r.fileType == IMAGEFILE_CIT && placementMoved(geoReference);
  if ((written || (moved && !changedElsewhere(path))) && mdlImage_typeFromFile(path.c_str()) == IMAGEFILE_CIT) {
    const DPoint2d extent{geoReference.extentX, geoReference.extentY};
    mdlImage_updateIngrAttach(&geoReference.origin, &extent, path.c_str());
  }
  freeActiveBitmap();
  r.loaded = 0;
  return true;
}

}  // namespace

unsigned long long newBitmapState() {
  return ++lastState;
}

void markBitmapEdited() {
  ActiveRaster& r = activeRaster();
  // Called before every change of the bitmap: a live selection made on it keeps reading the
  // raster as it stood when the selection was made.
  pixmend::rasterChanging(r.bitmap, 0);
  if (r.loaded != 0) r.bitmapState = newBitmapState();
}

void rememberFileWritten(const std::string& path, unsigned long long state) {
  ActiveRaster& r = activeRaster();
  identifyFile(path, &r.fileAsKnown);
  r.writtenState = state;
  r.damage.clear();  // the file now holds what the bitmap holds, blank lines and all
}

bool writeRasterFile(const char* path, int fileType, const Point2d& size, const unsigned char* bitmap) {
  if (bitmap == nullptr || size.x <= 0 || size.y <= 0) {
    // Nothing would replace the drawing: the file is left alone.
    toolSubsystem_printf("VXRaster: an empty bitmap is not written over %s\n", path);
    okBox("File not created from bitmap", 4);
    return false;
  }
  // The photometric interpretation before and after the write. The bitmap is ink whatever the
  // file stores, and the image library writes a TIFF back in the file's own interpretation, so
  // the two agree and the display stays as it is: inverting it when they differ (as for a
  // library that wrote the stored bits as they were) would now show a negative. Should they
  // differ, the file still shows the bitmap's picture; the text window says so.
  const int before = fileType == IMAGEFILE_TIFF ? VXDllGetPhotometric(path) : 0;
  const int status =
      mdlImage_createFileFromBitMap(path, fileType, &size, bitmap, 0, 0, 0, mdlImage_checkStop);
  if (status != SUCCESS) {
    okBox("File not created from bitmap", 4);
    return false;
  }
  const int after = fileType == IMAGEFILE_TIFF ? VXDllGetPhotometric(path) : 0;
  if (before >= 0 && after != before)
    toolSubsystem_printf("VXRaster: %s is now stored with photometric interpretation %d (was %d); it shows the "
                         "same picture\n",
                         path, after, before);
  return true;
}

bool writeBackActiveRaster() {
  ActiveRaster& r = activeRaster();
  if (r.loaded == 0) return false;
  mdlRaster_fileReload(r.raster, RASTER_UPDATE_MEMORY);
  RasterFileInfo info{};
  const std::string path =
      mdlRaster_fileInfoGet(&info, r.raster) == SUCCESS ? std::string(info.fullPath) : r.path;
  bool written = true;
  if (bitmapEdited()) {
    written = writeEdits(path);
  } else {
    toolSubsystem_printf("VXRaster: %s has no edits to write\n", path.c_str());
  }
  if (written) storePlacement(r.raster);
  mdlRaster_fileReload(r.raster, RASTER_UPDATE_ALL);
  return written;
}

bool writeBackGeometry(const Point2d& pixelShift) {
  ActiveRaster& r = activeRaster();
  if (r.loaded == 0 || r.size.x <= 0 || r.size.y <= 0) return false;
  // The shift is in pixels of the new bitmap, y up: the origin is the lower-left corner.
  r.origin.x += pixelShift.x * (r.extentX / r.size.x);
  r.origin.y += pixelShift.y * (r.extentY / r.size.y);
  return writeBackActiveRaster();
}

bool releaseActiveRaster() {
  if (activeRaster().loaded != 0 && !releaseLoaded(true)) return false;
  mdlState_clear();
  return true;
}

void releaseOnEvent(const char*, int) {
  releaseActiveRaster();
}

void endSessionOnUnload() {
  if (activeRaster().loaded != 0) releaseLoaded(false);
  freeActiveBitmap();
  activeRaster().loaded = 0;
  clearUndo();
}

}  // namespace pixmend::app
