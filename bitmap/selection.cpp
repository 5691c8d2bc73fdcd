// The selection state and the operations that read or apply it: the widened box, the delete
// buffer, the deletion of selected pixels and the release.
//
//   VXDllGetCopyBufferSize   widens the stored box by 2 to the right and down, reports it
//   VXDllGetDelBuffer        the marked pixels inside the box, as a bitmap of the box's size
//   VXDllDeleteSelected      clears the marked pixels inside the box in the raster bitmap
//   VXDllFreeDelBuffer       releases the mark bitmap and the work copy
//
// The box is [minX, maxX) x [minY, maxY) here; only its part inside the selected bitmap (and
// inside the rows the state really holds) is visited. Both extraction operations copy whole
// row runs of the mark bitmap with the paste kernel, so their cost is that of the box's bytes.
#include "bitmap/selection.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

#include "bitmap/paste.hpp"
#include "pixmend/vxdll.h"

namespace pixmend {

SelectionState& selectionState() {
  static SelectionState state;
  return state;
}

namespace {

// The box clipped to the part of the selected bitmap that exists; false when nothing is left.
struct Clipped {
  int x0, y0, x1, y1;
};

bool clippedBox(const SelectionState& s, Clipped& out) {
  out.x0 = std::max(s.minX, 0);
  out.y0 = std::max(s.minY, 0);
  out.x1 = std::min(s.maxX, s.width);
  out.y1 = std::min(s.maxY, s.usableHeight());
  return s.live() && out.x0 < out.x1 && out.y0 < out.y1;
}

// Stored maxima grow by 2 per call; they stop at INT_MAX rather than overflow.
int widened(int v) { return v > INT_MAX - 2 ? INT_MAX : v + 2; }

}  // namespace
}  // namespace pixmend

extern "C" {

PIXMEND_API void VXDllGetCopyBufferSize(int* maxX, int* minX, int* maxY, int* minY) {
  pixmend::SelectionState& s = pixmend::selectionState();
  s.maxX = pixmend::widened(s.maxX);
  s.maxY = pixmend::widened(s.maxY);
  if (maxX != nullptr) *maxX = s.maxX;
  if (minX != nullptr) *minX = s.minX;
  if (maxY != nullptr) *maxY = s.maxY;
  if (minY != nullptr) *minY = s.minY;
}

PIXMEND_API void VXDllGetDelBuffer(int size, unsigned char* buffer) {
  if (buffer == nullptr || size <= 0) return;
  const std::size_t bytes = static_cast<std::size_t>(size);
  const pixmend::SelectionState& s = pixmend::selectionState();
  pixmend::Clipped c;
  const long long bw = static_cast<long long>(s.maxX) - s.minX;
  const long long bh = static_cast<long long>(s.maxY) - s.minY;
  // Not a box any fill makes: nothing is selected.
  if (!pixmend::clippedBox(s, c) || bw > INT_MAX || bh > INT_MAX) {
    std::memset(buffer, 0, bytes);
    return;
  }
  const int width = static_cast<int>(bw), height = static_cast<int>(bh);
  const std::size_t stride = pixmend::rowBytes(width);
  const pixmend::ConstBitmapView mark = s.markView();
  // Whole rows that fit in `size` bytes, then the part of the next row that does: its view is
  // only as wide as the bytes it has, so nothing beyond `size` is written.
  const std::size_t wholeRows = bytes / stride;
  const int rows = static_cast<int>(std::min<std::size_t>(wholeRows, static_cast<std::size_t>(height)));
  // Everything but the copied pixels is background. Where the box lies across the whole width of
  // the bitmap's part it covers (a box inside the bitmap), the copy writes every pixel of its
  // rows, so only the rows outside it and the padding bits at each row's end are cleared first;
  // otherwise the whole buffer is. (A sheet-sized piece was written twice before.)
  const int top = c.y0 - s.minY, bottom = std::min(c.y1 - s.minY, rows);
  if (c.x0 == s.minX && c.x1 == s.maxX && top < bottom) {
    std::memset(buffer, 0, static_cast<std::size_t>(top) * stride);
    for (int y = top; y < bottom; ++y) buffer[static_cast<std::size_t>(y) * stride + stride - 1] = 0;
    const std::size_t after = static_cast<std::size_t>(bottom) * stride;
    std::memset(buffer + after, 0, bytes - after);
  } else {
    std::memset(buffer, 0, bytes);
  }
  pixmend::blit(pixmend::BitmapView(buffer, width, rows, stride), c.x0 - s.minX, c.y0 - s.minY, mark, c.x0, c.y0,
                c.x1 - c.x0, c.y1 - c.y0, pixmend::RasterOp::Copy);
  const std::size_t rest = bytes - wholeRows * stride;
  if (rows < height && rest > 0) {
    const int partWidth = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(width), rest * 8));
    pixmend::blit(pixmend::BitmapView(buffer + wholeRows * stride, partWidth, 1, stride), c.x0 - s.minX,
                  c.y0 - s.minY - rows, mark, c.x0, c.y0, c.x1 - c.x0, c.y1 - c.y0, pixmend::RasterOp::Copy);
  }
}

PIXMEND_API void VXDllFreeDelBuffer(void) { pixmend::selectionState().release(); }

PIXMEND_API void VXDllDeleteSelected(unsigned char* dest) {
  if (dest == nullptr) return;
  const pixmend::SelectionState& s = pixmend::selectionState();
  pixmend::Clipped c;
  if (!pixmend::clippedBox(s, c)) return;
  const pixmend::ConstBitmapView mark = s.markView();
  pixmend::rasterChanging(dest, mark.bytes());
  pixmend::blit(pixmend::BitmapView(dest, s.width, mark.height), c.x0, c.y0, mark, c.x0, c.y0, c.x1 - c.x0,
                c.y1 - c.y0, pixmend::RasterOp::AndNot);
}

}  // extern "C"
