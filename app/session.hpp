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
  // The row of a vertex of a polygon: H - 1 - trunc((y - y0) / s), never negative.
  int vertexRow(double y) const {
    const int r = height - 1 - truncated((y - origin.y) / pixelSize);
    return r < 0 ? 0 : r;
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

// Writes the bitmap to the raster file and has the host read it again; the raster stays loaded.
// False (and "File not created from bitmap") when the file could not be written: it is then as it
// was, and the bitmap is kept for another try.
bool writeBackActiveRaster();

// Ends the editing of the active raster: the attachment gets its colour back, the bitmap is
// written to the file and freed, and the host's command state is cleared. When the file cannot be
// written the raster stays loaded with its edits (nothing is cleared) and false is returned.
bool releaseActiveRaster();

// releaseActiveRaster as the handler of the host events that end an editing session.
void releaseOnEvent(const char* text, int state);

// The application is leaving while the host unloads it: a loaded raster is written back and
// released as far as the host still allows, and every block the session holds is freed, whether
// or not the write succeeds.
void endSessionOnUnload();

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

// Writes `bitmap` (size) over the raster file `path` of type `fileType` as a write-back does: for
// a TIFF whose photometric interpretation the writing changes, the attachment's inverted display
// is toggled, so the raster keeps its look. False when the file could not be written (left as
// it was).
bool writeRasterFile(const char* path, int fileType, const Point2d& size, const unsigned char* bitmap);

// True when the record's attachment is still one the host knows.
bool activeAttachmentExists();

// The host's image error as a sentence for the user, for the read failures the load names
// ("File does not contain monochrome bitmap data", "Insufficient memory is available") and the
// others.
std::string imageReadMessage(int status, const char* path);

}  // namespace pixmend::app
