// The piece a copy or move carries (see piece.hpp).
#include "bitmap/commands/piece.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/params.hpp"
#include "bitmap/commands/graphics.hpp"
#include "bitmap/paste.hpp"

namespace pixmend::commands {
namespace {

Piece current;

}  // namespace

Piece& piece() {
  return current;
}

void dropPiece() {
  current.bits.reset();
  current.size = Point2d{0, 0};
}

bool takePixels(const BSIRect& rect) {
  const app::ActiveRaster& r = app::activeRaster();
  const Point2d size{rect.corner.x - rect.origin.x, rect.corner.y - rect.origin.y};
  const int bytes = mdlImage_memorySize(&size, IMAGEFORMAT_BITMAP);
  dropPiece();
  if (bytes <= 0) return false;
  unsigned char** slot = current.bits.slot();
  *slot = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(bytes), 1));
  if (*slot == nullptr) {
    messageBox("Insufficient memory is available");
    return false;
  }
  if (mdlImage_extractSubImage(current.bits.get(), nullptr, r.bitmap, &r.size, &rect, IMAGEFORMAT_BITMAP) !=
      SUCCESS) {
    dropPiece();
    return false;
  }
  current.size = size;
  return true;
}

void turnPiece(int rotation) {
  if (rotation < 1 || rotation > 3 || current.bits.get() == nullptr) return;
  unsigned char* turned = nullptr;
  Point2d size{};
  const int status = mdlImage_rotate(&turned, &size, current.bits.get(), &current.size, IMAGEFORMAT_BITMAP,
                                     90 * rotation, mdlImage_checkStop);
  if (status != SUCCESS) {
    if (status == MDLERR_INSFMEMORY) messageBox("Insufficient memory is available");
    return;  // the piece stays as it was taken, pixels and rectangle alike
  }
  *current.bits.slot() = turned;
  current.size = size;
  // The rectangle turned about the from point by the same angle, counter-clockwise.
  const DPoint3d s = current.from;
  const double x1 = current.low.x, y1 = current.low.y, x2 = current.high.x, y2 = current.high.y;
  switch (rotation) {
    case 1:
      current.low.x = s.x - (y2 - s.y), current.high.x = s.x + (s.y - y1);
      current.low.y = s.y - (s.x - x1), current.high.y = s.y + (x2 - s.x);
      break;
    case 2:
      current.low.x = 2 * s.x - x2, current.high.x = 2 * s.x - x1;
      current.low.y = 2 * s.y - y2, current.high.y = 2 * s.y - y1;
      break;
    default:
      current.low.x = s.x - (s.y - y1), current.high.x = s.x + (y2 - s.y);
      current.low.y = s.y - (x2 - s.x), current.high.y = s.y + (s.x - x1);
      break;
  }
}

DPoint3d clampPlacement(const DPoint3d& cursor) {
  const app::RasterCoordinates at = app::rasterCoordinates();
  const double p = at.pixelSize;
  const double width = current.size.x * p, height = current.size.y * p;
  const double dx = current.low.x - current.from.x, dy = current.high.y - current.from.y;
  const double right = at.origin.x + at.width * p, top = at.origin.y + at.height * p;
  DPoint3d t = cursor;
  if (t.x + dx < at.origin.x) t.x = at.origin.x - dx;
  if (t.y + dy - height < at.origin.y) t.y = at.origin.y + height - dy;
  if (t.x + dx + width > right) t.x = right - width - dx;
  if (t.y + dy > top) t.y = top - dy;
  return t;
}

void placementPixel(const DPoint3d& target, int* column, int* row) {
  const app::RasterCoordinates at = app::rasterCoordinates();
  *column = at.column(target.x + (current.low.x - current.from.x));
  *row = at.row(target.y + (current.high.y - current.from.y));
}

void holdOnRaster(int* column, int* row) {
  const Point2d raster = app::activeRaster().size;
  // In the dynamics' order: a piece larger than the raster is held at its right and top edges.
  *column = std::min(std::max(*column, 0), raster.x - current.size.x);
  *row = std::max(std::min(*row, raster.y - current.size.y), 0);
}

bool transparentPaste() {
  const app::VxRasterParams* p = app::params();
  return p != nullptr && (p->copyTransparent == 1 || p->copyTransparent == -1);
}

void pastePiece(int column, int row, bool transparent) {
  app::ActiveRaster& r = app::activeRaster();
  const BitmapView dest(r.bitmap, r.size.x, r.size.y);
  const ConstBitmapView src(current.bits.get(), current.size.x, current.size.y);
  if (transparent) {
    pasteTransparent(dest, src, column, row);
  } else {
    pasteOpaque(dest, src, column, row);
  }
}

}  // namespace pixmend::commands
