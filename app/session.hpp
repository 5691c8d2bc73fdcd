// The raster session: the active raster (the one attachment being edited, its bitmap and its
// placement) and the operations that choose it, load it, write it back, end its editing and show
// overlay rasters beside it. The editing commands build on this interface:
//
//   if (!ensureActiveRaster()) return;        // loads the raster, or asks for a pick
//   ActiveRaster& r = activeRaster();         // r.bitmap, r.size, r.origin, r.extentX ...
//   const RasterCoordinates at = rasterCoordinates();
//   pushUndo();                               // app/undo.hpp, just before the bitmap changes
//   ... change r.bitmap ...
//   writeBackActiveRaster();                  // the file is rewritten and redrawn
//
// Everything here is process-wide, as the host runs one command at a time on its one thread.
#pragma once

#include <climits>
#include <string>

#include "app/rasterfile.hpp"
#include "host/mdl.h"

namespace pixmend::app {

// The active-raster record.
//
// Ownership: `bitmap` is a block of the host's image library (mdlImage_readFileToBitMap, or any
// malloc'd block), owned by this record and released with mdlImage_freeImage. A command that
// replaces it (a rotation, a warp) frees the old block or lets the image library do so, and sets
// `bitmap` and `size` together. Nothing else keeps a pointer to it across commands.
struct ActiveRaster {
  unsigned char* bitmap = nullptr;  // the host image library's one-bit layout
  Point2d size{};                   // width W and height H in pixels
  double extentX = 0.0;             // design units, from the georeference at load (or the last move)
  double extentY = 0.0;
  DPoint3d origin{};  // lower-left corner in the design
  int loaded = 0;
  int overlayAttached = 0;      // set and cleared by the smart commands
  DgnRasterP raster = nullptr;  // the active attachment; with nothing loaded, the one counted first
  int fileType = 0;             // 3 TIFF, 13 RLE, 19 Intergraph CIT, as found at load
  RgbColorDef savedColor{};     // the attachment's drawing colour before the load, given back on release
  RasterRendering renderingAtLoad{};
  RasterGeoReference geoReferenceAtLoad{};
  RasterExtendedInfo extendedAtLoad{};
  DgnRasterP overlay = nullptr;  // the overlay attachment, at most one
  // The raster file's full path at load. Edits are written there even when the attachment has
  // gone from under the session (detached by another program, the design closed).
  std::string path;
  // The file as loaded (the backup is a copy of it), and as the session last saw it: at load or
  // after its own last write. A file that is no longer the one last seen was changed by someone
  // else, and is not overwritten without asking.
  FileIdentity fileAtLoad;
  FileIdentity fileAsKnown;
  // Every state of the bitmap has a number: the one loaded, the one the file holds (written last)
  // and the one in memory. Only a bitmap whose state is not the file's is written.
  unsigned long long loadedState = 0;
  unsigned long long writtenState = 0;
  unsigned long long bitmapState = 0;
  // For a file that could only be read in part, what is missing ("lines after 1361 of 3508 could
  // not be read"); the first write asks before the file gets blank lines there. Empty otherwise.
  std::string damage;
};

ActiveRaster& activeRaster();

// Design points and pixels of the active raster. The raster covers the design rectangle from
// the origin (x0, y0) to (x0 + W s, y0 + H s), s = extent X / W being the pixel size for both
// axes. Pixel row 0 is the top edge.
struct RasterCoordinates {
  DPoint3d origin{};
  double pixelSize = 0.0;  // s
  int width = 0;           // W
  int height = 0;          // H

  // Continuous pixel position: u = (x - x0) / s across, v = H - (y - y0) / s down.
  double u(double x) const { return (x - origin.x) / pixelSize; }
  double v(double y) const { return height - (y - origin.y) / pixelSize; }
  // Whole pixels, truncated toward zero (a point left of or below the raster gives a negative
  // column, or a row beyond H).
  int column(double x) const { return truncated(u(x)); }
  int row(double y) const { return truncated(v(y)); }
  // A vertex of a polygon drawn on the raster (a fence): column trunc((x - x0) / s) and row
  // H - 1 - trunc((y - y0) / s), each held within the raster's edges (0 to W, 0 to H), so that a
  // polygon reaching beyond the raster is cut at its edge on every side.
  int vertexColumn(double x) const {
    const int c = truncated((x - origin.x) / pixelSize);
    return c < 0 ? 0 : (c > width ? width : c);
  }
  int vertexRow(double y) const {
    const long long r = static_cast<long long>(height) - 1 - truncated((y - origin.y) / pixelSize);
    return r < 0 ? 0 : (r > height ? height : static_cast<int>(r));
  }
  // And back: x = x0 + u s, y = y0 + (H - v) s.
  double x(double column) const { return origin.x + column * pixelSize; }
  double y(double row) const { return origin.y + (height - row) * pixelSize; }

  // Truncation toward zero that cannot overflow: values beyond the int range are held at its
  // ends, and a value that is no number (a raster without pixels) gives 0.
  static int truncated(double value) {
    if (value != value) return 0;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(value);
  }
};

// The coordinates of the active raster as loaded (all zero while nothing is loaded).
RasterCoordinates rasterCoordinates();

// Start-up: no raster loaded, no overlay, nothing to undo or redo, no backup known.
void resetSession();

// The number of raster attachments of the design. With nothing loaded and at least one
// attachment, the first becomes the record's raster.
int countAttachedRasters();

// True when a raster is loaded and the calling command may go on; otherwise the user has been
// told why (or asked to pick a raster) and the command does nothing more.
bool ensureActiveRaster();

// The select raster command: loads the only attachment, or asks the user to pick one of several
// (releasing the loaded raster first). Once picked, the raster is loaded and nothing else runs.
void selectRaster();

// Asks the user to pick one of several attachments with a data point ("Velg et raster med et
// datapunkt"); once one is picked and loaded, the interrupted command starts again.
void pickActiveRaster();

// Loads the record's raster for editing: 1, or 0 with nothing loaded and the user told why.
int loadActiveRaster();

// ---- app/writeback.cpp: the bitmap written to its file -----------------------------------------

// Writes the bitmap to the raster file when it was edited since it was loaded or last written,
// and has the host read the file again; the raster stays loaded. Once the file holds the bitmap,
// the attachment takes the record's placement (origin and extent). Before the file is replaced the
// user is asked when it was changed by someone else since the session last saw it, or when it
// could only be read in part. False when it was not written: declined (the file as it is, the
// edits kept in memory) or failed ("File not created from bitmap", the file as it was).
bool writeBackActiveRaster();

// The write-back of the commands that change the bitmap's size or place (rotate, mirror, warp).
// The record already holds the new bitmap, its size and its extent; its origin (the lower-left
// corner) moves by `pixelShift` pixels of the new bitmap (x right, y up), then the bitmap is
// written as writeBackActiveRaster writes it and the attachment takes the new placement, which
// is stored in the design. False when the file was not written: the attachment keeps the old
// file where it was, the record keeps the new bitmap with its placement, and the next write-back
// that writes it stores both.
bool writeBackGeometry(const Point2d& pixelShift);

// Ends the editing of the active raster: the attachment gets its colour back, the edits (if any)
// are written to the file as a write-back writes them, the bitmap is freed and the host's command
// state is cleared. When the edits are not written (declined or failed) the raster stays loaded
// with its edits (nothing is cleared) and false is returned.
bool releaseActiveRaster();

// releaseActiveRaster as the handler of the host events that end an editing session.
void releaseOnEvent(const char* text, int state);

// The application is leaving: a loaded raster is released without asking anyone. Edits go to the
// file unless it changed elsewhere or could only be read in part; then they go to a new file
// beside it ("scan.vxraster-edits.tif"). When neither can be written they go to a rescue file in
// the temporary folder ("scan.vxraster-rescue.tif"). An OK box says where. Every block the
// session holds is freed.
void endSessionOnUnload();

// Marks the bitmap as edited: the next write-back or release writes it. pushUndo and clearUndo do
// this for the commands that call them; a command that changes the bitmap any other way calls it
// itself, before the write-back.
void markBitmapEdited();
// A new number for a state of the bitmap (app/undo.cpp numbers the states it restores).
unsigned long long newBitmapState();

// Toggles the inverted display of the active raster (of the first attachment while nothing is
// loaded).
void toggleRasterInvert();
// The same for any attachment.
void toggleInvertedDisplay(DgnRasterP raster);

// Shows `fileName` as an overlay raster over the active one, with the lower-left corner at
// (originX, originY) and the given extent, in the user's overlay colour. False when the file
// could not be attached.
bool attachOverlayRaster(const char* fileName, double extentX, double extentY, double originX,
                         double originY);
// Closes the overlay raster. The caller clears `overlayAttached`.
void detachOverlayRaster();

// ---- Shared with the undo store and the attachment commands ------------------------------------

// A bitmap block of the host's image library held by a local variable until it is handed to a
// record (release) or dropped (freed with mdlImage_freeImage).
class ImageBlock {
 public:
  ImageBlock() = default;
  ~ImageBlock() { reset(); }
  ImageBlock(const ImageBlock&) = delete;
  ImageBlock& operator=(const ImageBlock&) = delete;

  // Where a host call that allocates puts the block (anything held before is freed first).
  unsigned char** slot() {
    reset();
    return &data_;
  }
  unsigned char* get() const { return data_; }
  unsigned char* release() {
    unsigned char* data = data_;
    data_ = nullptr;
    return data;
  }
  void reset() {
    mdlImage_freeImage(data_, nullptr, IMAGEFORMAT_BITMAP);
    data_ = nullptr;
  }

 private:
  unsigned char* data_ = nullptr;
};

// Frees the active bitmap (if any) and forgets its size.
void freeActiveBitmap();

// The host's OK box and Yes/No box with the icon given (3 warning, 4 critical, 2 question).
void okBox(const char* text, int icon);
bool askYesNo(const char* text, int icon);

// Writes `bitmap` (size, 1 = ink) over the raster file `path` of type `fileType` as a write-back
// does; a TIFF keeps its photometric interpretation and so its look, and the display is left as
// it is. False when the file could not be written (left as it was; "File not created from
// bitmap" in the OK box).
bool writeRasterFile(const char* path, int fileType, const Point2d& size, const unsigned char* bitmap);

// What the session knows after it wrote (or restored) the raster file `path` holding the bitmap
// state `state`: the file as it is now, and that state as the file's.
void rememberFileWritten(const std::string& path, unsigned long long state);

// What the last read of a raster file could not decode ("lines after 1361 of 3508 could not be
// read"; the first 1361 lines were read whole), or "" when it read cleanly.
std::string lastReadDamage();

// The attachment whose file is `path` (the same file, however named), or null.
DgnRasterP attachmentOfFile(const std::string& path);

// True when the record's attachment is still one the host knows.
bool activeAttachmentExists();

// The host's image error as a sentence for the user, for the read failures the load names
// ("File does not contain monochrome bitmap data", "Insufficient memory is available") and the
// others.
std::string imageReadMessage(int status, const char* path);

}  // namespace pixmend::app
