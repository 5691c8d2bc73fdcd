// The raster group's C++ side: which applications have the raster library initialised, and the
// raster attachments of the active model as the other groups see them (the design file keeps
// them, the views draw them, the session verbs and key-ins make and remove them).
//
// Raster calls of an application that has not initialised the library (or has terminated it) are
// refused; the host's own code (no application running) may always use them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/design/designfile.hpp"
#include "host/raster/api.h"
#include "host/system/application.hpp"

namespace pixmend::host {
struct ImageBuffer;  // host/image/image.hpp
}

// One raster attachment. Handles given to applications point here; the host owns them.
struct DgnRaster {
  std::uint64_t serial = 0;      // attachment order: a newer attachment has a higher serial
  std::string attachedName;      // as given when attached (file information offset 0)
  std::string fullPath;          // where the file was found (offset 276)
  int fileType = 0;              // IMAGEFILE_... of the file, 0 when it cannot be read (offset 536)
  bool openedByLibrary = false;  // attached through mdlRaster_fileOpen (offset 844)
  RasterRendering rendering{};
  RasterGeoReference georeference{};
  RasterExtendedInfo extended{};
  // The pixels as last read, kept for drawing; null until read, after a reload that let go of
  // the file, or when the file cannot be read (readStatus then says why).
  std::shared_ptr<const pixmend::host::ImageBuffer> pixels;
  int width = 0, height = 0;  // of the file, once read
  int readStatus = 0;         // 0, or the image error of the last read
  bool readTried = false;     // a read since the last reload or let-go (failures are not retried)
};

namespace pixmend::host {

// True while `app` has initialised the raster library and not terminated it.
bool rasterLibraryActive(const Application* app);

// The attachments of the active model, oldest first.
std::vector<DgnRaster*> rasterAttachments();
// The attachment behind a handle, or null when the host does not know it (a closed one included).
DgnRaster* findRaster(const DgnRaster* handle);

// Attaches `name` (configuration variables expanded; a relative name is taken in the design's
// folder) as the host's own attach command does, or as mdlRaster_fileOpen does when `byLibrary`.
// `origin` and `extent` (may be null) replace the file's own placement. Journals "raster:
// attached ..."; `options` as for the raster calls. 0 with *out set, or an MDLERR_ value.
int attachRaster(const std::string& name, bool byLibrary, const DPoint3d* origin, const DPoint2d* extent,
                 int options, DgnRaster** out);
// Closes an attachment (journaled "raster: detached NAME"); the handle is invalid from then on.
int detachRaster(DgnRaster* raster, int options);

// The pixels of an attachment, read now when they are not in memory; null when the file cannot
// be read (said once in the text window).
std::shared_ptr<const ImageBuffer> rasterPixels(DgnRaster& raster);

// "NAME at X,Y extent W,H" for the journal.
std::string describeRaster(const DgnRaster& raster);
// The text for an image error ("file not found", "damaged file", ...).
std::string imageErrorText(int status);
// A name resolved as attachments resolve it: variables expanded, relative names in the design's
// folder.
std::string resolveRasterName(const std::string& name);

// Where an attachment lies: design point = origin + u * axisU + (height - v) * axisV for the
// pixel position (u right from its left edge, v down from its top edge). The turn and skew of
// the georeference count only while the rendering says they are applied.
struct RasterPlacement {
  DPoint3d origin{};
  DPoint2d axisU{};  // design vector of one pixel to the right
  DPoint2d axisV{};  // design vector of one pixel up
};
// For a raster of `width` x `height` pixels (any positive size gives the same outline).
RasterPlacement placementOf(const DgnRaster& raster, int width, int height);
// True when the design point lies on the attachment as drawn.
bool rasterCovers(const DgnRaster& raster, const DPoint3d& point);

// The design file's side: the active model's attachments as stored records, restoring them when
// a design opens (their files are read when first drawn), and forgetting them all when it closes.
std::vector<StoredRaster> storedRasters(std::int64_t model);
void restoreRasters(const std::vector<StoredRaster>& records);
void dropRasters();

}  // namespace pixmend::host
