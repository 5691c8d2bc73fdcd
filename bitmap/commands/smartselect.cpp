// The smart selection shared by the smart commands (smartselect.hpp): points and pixels, the
// selection state and the cut lines burned into it, the piece taken out of the raster and the
// overlay raster that shows it.
#include "bitmap/commands/smartselect.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/backup.hpp"
#include "app/session.hpp"
#include "bitmap/bitmap.hpp"
#include "bitmap/commands/graphics.hpp"
#include "bitmap/commands/piece.hpp"
#include "bitmap/selection.hpp"
#include "pixmend/vxdll.h"

namespace pixmend::commands {
namespace {

// What the smart commands hold between their steps.
struct Smart {
  // The live selection state, and the bitmap it was made from.
  bool stateExists = false;
  DgnRasterP raster = nullptr;
  Point2d size{};
  unsigned long long bitmapState = 0;
  // The cut lines burned into it, so that it can be made again for a bitmap that has changed.
  std::vector<std::pair<Pixel, Pixel>> cutLines;
  // The temporary file shown as the overlay raster ("" when none was written).
  std::string overlayFile;
  // The cut line being entered.
  DPoint3d cutFirst{};
  Pixel cutFirstPixel{};
};

Smart smart;

constexpr unsigned kCutLineColor = 0;
constexpr unsigned kCutLineWeight = 0;
constexpr int kCutLineStyle = 0;

// A line from `a` to `b` with the cut lines' symbology into `element`. False when the host
// refuses it (beyond the design plane; the user is told).
bool makeCutLine(MSElement* element, const DPoint3d& a, const DPoint3d& b) {
  const DPoint3d points[2] = {a, b};
  if (mdlLine_create(element, nullptr, points) != SUCCESS) {
    messageBox("The coordinates are beyond the design plane");
    return false;
  }
  mdlElement_setSymbology(element, &kCutLineColor, &kCutLineWeight, &kCutLineStyle);
  return true;
}

void cutLineDynamics(DPoint3d* cursor, int, int) {
  makeCutLine(dgnBuf, smart.cutFirst, *cursor);
}

bool sameSize(const Point2d& a, const Point2d& b) {
  return a.x == b.x && a.y == b.y;
}

}  // namespace

// ---- Points and pixels ---------------------------------------------------------------------------

bool insideRaster(const DPoint3d& point) {
  const app::RasterCoordinates at = app::rasterCoordinates();
  return point.x >= at.origin.x && point.y >= at.origin.y && point.x <= at.x(at.width) && point.y <= at.y(0);
}

Pixel pixelAt(const DPoint3d& point) {
  const app::RasterCoordinates at = app::rasterCoordinates();
  return {at.column(point.x), at.row(point.y)};
}

Pixel pixelUnder(const DPoint3d& point) {
  const app::RasterCoordinates at = app::rasterCoordinates();
  Pixel p = pixelAt(point);
  if (p.column >= at.width) p.column = at.width - 1;
  if (p.row >= at.height) p.row = at.height - 1;
  if (p.column < 0) p.column = 0;
  if (p.row < 0) p.row = 0;
  return p;
}

bool inkAt(Pixel pixel) {
  const app::ActiveRaster& r = app::activeRaster();
  if (r.bitmap == nullptr) return false;
  return ConstBitmapView(r.bitmap, r.size.x, r.size.y).at(pixel.column, pixel.row);
}

// ---- The selection state -------------------------------------------------------------------------

bool selectionStateExists() {
  return smart.stateExists && selectionState().live();
}

bool newSelectionState() {
  releaseSelectionState();
  smart.cutLines.clear();
  const app::ActiveRaster& r = app::activeRaster();
  const int bytes = mdlImage_memorySize(&r.size, IMAGEFORMAT_BITMAP);
  if (r.bitmap == nullptr || bytes <= 0 || VXDllInitFloodFill(r.bitmap, r.size.x, r.size.y, bytes) == 0) {
    messageBox("Insufficient memory is available");
    return false;
  }
  smart.stateExists = true;
  smart.raster = r.raster;
  smart.size = r.size;
  smart.bitmapState = r.bitmapState;
  return true;
}

void releaseSelectionState() {
  if (smart.stateExists) VXDllFreeDelBuffer();
  smart.stateExists = false;
  smart.cutLines.clear();
}

bool cutLineSelectionState() {
  if (selectionStateFits()) return true;
  const std::vector<std::pair<Pixel, Pixel>> lines = smart.cutLines;
  if (!newSelectionState()) return false;
  for (const auto& [first, second] : lines) burnCutLine(first, second);
  return true;
}

bool selectionStateFits() {
  const app::ActiveRaster& r = app::activeRaster();
  return selectionStateExists() && r.loaded != 0 && r.raster == smart.raster &&
         sameSize(r.size, smart.size) && r.bitmapState == smart.bitmapState;
}

void burnCutLine(Pixel first, Pixel second) {
  // The slope in doubles: the first point of a set's first line is taken as entered, so its
  // pixel may lie far outside the raster, where integer differences would overflow.
  const double c1 = first.column, c2 = second.column, r1 = first.row, r2 = second.row;
  double slope = 0.0, intercept = c2;
  if (c2 != c1) {
    slope = (r2 - r1) / (c2 - c1);
    intercept = r2 - c2 * slope;
  }
  VXDllInitFloodFill2(slope, intercept, first.column, second.column, first.row, second.row);
  smart.cutLines.emplace_back(first, second);
}

// ---- Selecting, and the overlay ------------------------------------------------------------------

bool takeSelection(Pixel seed, const char* tempName) {
  const app::ActiveRaster& r = app::activeRaster();
  const app::RasterCoordinates at = app::rasterCoordinates();
  VXDllFloodFill(seed.column, seed.row);
  int maxX = 0, minX = 0, maxY = 0, minY = 0;
  VXDllGetCopyBufferSize(&maxX, &minX, &maxY, &minY);

  dropPiece();
  Piece& pc = piece();
  const Point2d size{maxX - minX, maxY - minY};
  const int bytes = mdlImage_memorySize(&size, IMAGEFORMAT_BITMAP);
  unsigned char** slot = pc.bits.slot();
  *slot = bytes > 0 ? static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(bytes))) : nullptr;
  if (pc.bits.get() == nullptr) {
    messageBox("Insufficient memory is available");
    return false;
  }
  VXDllGetDelBuffer(bytes, pc.bits.get());
  pc.size = size;
  pc.low = DPoint3d{at.x(minX), at.y(maxY), 0.0};
  pc.high = DPoint3d{at.x(maxX), at.y(minY), 0.0};

  app::activeRaster().overlayAttached = 1;
  const std::string file = app::userTemporaryFolder() + tempName;
  // Whatever an earlier session left under the name goes first: the overlay shows this piece.
  ::unlink(file.c_str());
  if (mdlImage_createFileFromBitMap(file.c_str(), r.fileType, &pc.size, pc.bits.get(), 0, 0, 0,
                                    mdlImage_checkStop) != SUCCESS) {
    messageBox("File not created from bitmap");
    return true;
  }
  smart.overlayFile = file;
  app::attachOverlayRaster(file.c_str(), pc.high.x - pc.low.x, pc.high.y - pc.low.y, pc.low.x, pc.low.y);
  return true;
}

void hideOverlay() {
  app::ActiveRaster& r = app::activeRaster();
  if (r.overlay != nullptr) app::detachOverlayRaster();
  r.overlayAttached = 0;
  if (!smart.overlayFile.empty()) {
    if (::unlink(smart.overlayFile.c_str()) != 0 && errno != ENOENT)
      toolSubsystem_printf("VXRaster: cannot remove %s\n", smart.overlayFile.c_str());
    smart.overlayFile.clear();
  }
}

void dropSmartSelection() {
  hideOverlay();
  dropPiece();
  releaseSelectionState();
}

// ---- Cut lines -----------------------------------------------------------------------------------

void beginCutLine(const DPoint3d& first) {
  smart.cutFirst = first;
  smart.cutFirstPixel = pixelAt(first);
  mdlState_dynamicUpdate(cutLineDynamics, 0);
}

bool completeCutLine(const DPoint3d& second) {
  const DPoint3d end = clampToRaster(second);
  MSElement line{};
  if (makeCutLine(&line, smart.cutFirst, end)) mdlElement_display(&line, DRAW_MODE_Normal);
  stopCutLineDynamics();
  if (!cutLineSelectionState()) return false;
  burnCutLine(smart.cutFirstPixel, pixelAt(end));
  return true;
}

void stopCutLineDynamics() {
  mdlState_dynamicUpdate(nullptr, 0);
}

}  // namespace pixmend::commands
