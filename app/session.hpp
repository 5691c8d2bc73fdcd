// The raster session: the active raster (the one attachment being edited, its bitmap and its
// placement) and the undo store's state, with the operations that begin and end editing.
//
// Everything here is process-wide, as the host runs one command at a time on its one thread.
// Loading, writing back and the overlays build on the host's raster attachments; until the host
// offers attachments nothing can be attached, so nothing is ever loaded and the editing commands
// stop at "No raster attached".
#pragma once

#include <array>

#include "host/types.h"

namespace pixmend::app {

// The active-raster record. The three at-load records are the host's rendering, georeference
// and extended records as they were at the end of the load (what revert puts back).
struct ActiveRaster {
  unsigned char* bitmap = nullptr;  // owned; the host image library's one-bit layout
  Point2d size{};                   // width and height in pixels
  double extentX = 0.0;             // design units
  double extentY = 0.0;
  DPoint3d origin{};  // lower-left corner in the design
  int loaded = 0;
  int overlayAttached = 0;
  void* raster = nullptr;  // the host's attachment handle
  int fileType = 0;        // 3 TIFF, 13 RLE, 19 Intergraph CIT
  unsigned char savedColor[3] = {0, 0, 0};
  std::array<unsigned char, 80> renderingAtLoad{};
  std::array<unsigned char, 80> geoReferenceAtLoad{};
  std::array<unsigned char, 92> extendedAtLoad{};
  void* overlay = nullptr;  // the overlay attachment, at most one
};

// The undo store's flags (at most one of them is set) and its saved bitmap.
struct UndoStore {
  unsigned char* bitmap = nullptr;
  Point2d size{};
  int undoAvailable = 0;
  int redoAvailable = 0;
};

ActiveRaster& activeRaster();
UndoStore& undoStore();

// Start-up: no raster loaded, no overlay, nothing to undo or redo.
void resetSession();

// The number of raster attachments of the design. With nothing loaded and at least one
// attachment, the first becomes the record's raster.
int countAttachedRasters();

// True when a raster is loaded and the calling command may go on; otherwise the user has been
// told why (or asked to pick a raster) and the command does nothing more.
bool ensureActiveRaster();

// Ends the editing of the active raster: the bitmap is written back, the attachment gets its
// colour back and the bitmap is freed; then the host's command state is cleared. With nothing
// loaded only the state is cleared.
void releaseActiveRaster();

// releaseActiveRaster as the handler of the host events that end an editing session.
void releaseOnEvent(const char* text, int state);

}  // namespace pixmend::app
