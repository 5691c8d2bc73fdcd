/* Pixmend bitmap operations: the VXDll functions of the VXRaster library.
 *
 * Bitmaps are 1 bit per pixel, W x H pixels, rows of ceil(W / 8) bytes, row 0 first in memory
 * (the top of the raster), the leftmost pixel of a byte in its most significant bit, 1 = ink.
 * The bitmap carries no header: callers keep its width and height. The padding bits at the end
 * of each row are never read or written for in-range pixels.
 *
 * Ownership: every bitmap argument is borrowed; no function here keeps a pointer to it after it
 * returns, except that the selection state keeps its own copies (see VXDllInitFloodFill).
 * None of the paste functions allocates memory.
 *
 * Link with -lVXRaster (pkg-config vxraster) or Pixmend::VXRaster (find_package(Pixmend)).
 */
#ifndef PIXMEND_VXDLL_H
#define PIXMEND_VXDLL_H

#include "pixmend/export.h"

PIXMEND_BEGIN_C

/* ---- Pasting -------------------------------------------------------------------------------
 * Pixel (i, j) of src (stride ceil(srcWidth / 8)) goes to pixel (destX + i, destY + j) of dest
 * (stride ceil(destWidth / 8)). The destination's height is not known to these functions, so
 * they clip what they can: columns outside 0 .. destWidth - 1 and rows above row 0 are skipped.
 * Rows below the destination's last row are the caller's to avoid, as is a dest buffer that
 * does not hold every row the placement reaches. A non-positive srcWidth or srcHeight (or
 * destWidth) leaves dest unchanged. */

/* Opaque paste: every source pixel replaces the destination pixel. */
PIXMEND_API void VXDllPaste(unsigned char *dest, const unsigned char *src, int destX, int destY,
                            int srcWidth, int srcHeight, int destWidth);

/* Transparent paste: ink of src is added to dest; background of src leaves dest unchanged. */
PIXMEND_API void VXDllPasteTransparent(unsigned char *dest, const unsigned char *src, int destX,
                                       int destY, int srcWidth, int srcHeight, int destWidth);

/* Bounding box of the ink of src (width x height). Starts from maxX = 0, minX = width,
 * maxY = 0, minY = height, so an all-background buffer reports minX > maxX and minY > maxY. */
PIXMEND_API void VXDllSmartPasteInit(const unsigned char *src, int *maxX, int *minX, int *maxY,
                                     int *minY, int width, int height);

/* Transparent paste of src with its origin at (minX - offsetX, minY - offsetY), where minX and
 * minY are the box of the current area selection. `reserved` is accepted and ignored. Clipped
 * like the pastes above. */
PIXMEND_API void VXDllSmartPaste(unsigned char *dest, const unsigned char *src, int offsetX,
                                 int offsetY, int destWidth, int reserved, int srcWidth,
                                 int srcHeight);

/* ---- The area selection ----------------------------------------------------------------------
 * One process-wide selection state exists at a time: created by VXDllInitFloodFill, filled by
 * VXDllFloodFill, read by the functions below and released by VXDllFreeDelBuffer.
 * Calling order: VXDllInitFloodFill, VXDllInitFloodFill2 per cut line, VXDllFloodFill,
 * VXDllGetCopyBufferSize once, VXDllGetDelBuffer and/or VXDllDeleteSelected, VXDllFreeDelBuffer. */

/* Widens the stored box by 2 on the right and at the bottom (the change persists: a second call
 * widens again), then reports it. The extraction box is [minX, maxX) x [minY, maxY), so the
 * delete buffer is (maxX - minX) x (maxY - minY) pixels. */
PIXMEND_API void VXDllGetCopyBufferSize(int *maxX, int *minX, int *maxY, int *minY);

/* Clears the first `size` bytes of buffer, then sets pixel (x - minX, y - minY) for every marked
 * pixel (x, y) of the selection inside the box (stride ceil((maxX - minX) / 8)). Box parts
 * outside the selected bitmap stay 0. Pixels that would lie beyond `size` bytes are not written.
 * Without a live selection state only the clearing happens. */
PIXMEND_API void VXDllGetDelBuffer(int size, unsigned char *buffer);

/* Releases the selection state's mark bitmap and work copy. The box survives. Calling it again,
 * or without a selection state, does nothing. */
PIXMEND_API void VXDllFreeDelBuffer(void);

/* Clears in dest (a bitmap of the selection's width and height) every marked pixel inside the
 * box. Marked pixels outside the box stay. Without a live selection state nothing happens. */
PIXMEND_API void VXDllDeleteSelected(unsigned char *dest);

PIXMEND_END_C

#endif
