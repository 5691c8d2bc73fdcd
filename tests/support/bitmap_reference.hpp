// Plain pixel-loop versions of the buffer operations, written straight from their documented
// algorithms (columns in the outer loop, rows in the inner one, one pixel at a time, pixel
// (x, y) of a bitmap with stride ceil(W / 8) being bit y * 8 * stride + x). The fast kernels in
// bitmap/ must give the same bytes, padding bits included.
#pragma once

#include <cstdint>

#include "bitmap/paste.hpp"
#include "bitmap/selection.hpp"

namespace pixmend::testsupport {

// Pixel (i, j) of src goes to (destX + i, destY + j) of a destWidth x destHeight dest: opaque
// (set or clear) or transparent (set only). Pixels landing outside dest are skipped; this is the
// clipping the exported pastes promise (with destHeight as large as the caller's buffer).
void paste(unsigned char* dest, const unsigned char* src, int destX, int destY, int srcWidth, int srcHeight,
           int destWidth, int destHeight, bool transparent);

// The w x h rectangle of src at (sx, sy) combined into dest at (dx, dy) with op, clipped to both
// bitmaps. Strides are ceil(width / 8).
void blit(unsigned char* dest, int destWidth, int destHeight, int dx, int dy, const unsigned char* src,
          int srcWidth, int srcHeight, int sx, int sy, int w, int h, RasterOp op);

// Bounding box of the ink, reported through the four outputs in the documented starting-value
// form (an empty buffer gives maxX 0, minX width, maxY 0, minY height).
void smartPasteInit(const unsigned char* src, int* maxX, int* minX, int* maxY, int* minY, int width, int height);

// The delete buffer of state `s` (its box taken as exclusive bounds): clears `size` bytes, then
// sets the marked pixels; a pixel whose byte lies at or beyond `size` is not written. Rows of the
// selection beyond s.usableHeight() do not exist. Nothing but the clearing without a live state.
void getDelBuffer(const SelectionState& s, int size, unsigned char* buffer);

// Clears in dest (s.width wide) every marked pixel inside the box.
void deleteSelected(const SelectionState& s, unsigned char* dest);

}  // namespace pixmend::testsupport
