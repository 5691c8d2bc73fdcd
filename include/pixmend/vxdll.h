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
 * widens again; the maxima stop at INT_MAX), then reports it. The extraction box is
 * [minX, maxX) x [minY, maxY), so the delete buffer is (maxX - minX) x (maxY - minY) pixels.
 * The box survives VXDllFreeDelBuffer, so this works without a live selection state too. */
PIXMEND_API void VXDllGetCopyBufferSize(int *maxX, int *minX, int *maxY, int *minY);

/* Clears the first `size` bytes of buffer, then sets pixel (x - minX, y - minY) for every marked
 * pixel (x, y) of the selection inside the box (stride ceil((maxX - minX) / 8)). Box parts
 * outside the selected bitmap stay 0. Pixels that would lie beyond `size` bytes are not written.
 * Without a live selection state only the clearing happens; a null buffer or a size that is not
 * positive does nothing. */
PIXMEND_API void VXDllGetDelBuffer(int size, unsigned char *buffer);

/* Releases the selection state's mark bitmap and work copy. The box survives. Calling it again,
 * or without a selection state, does nothing. */
PIXMEND_API void VXDllFreeDelBuffer(void);

/* Clears in dest (a bitmap of the selection's width and height) every marked pixel inside the
 * box. Marked pixels outside the box stay. Without a live selection state nothing happens. */
PIXMEND_API void VXDllDeleteSelected(unsigned char *dest);

/* ---- Flood-fill selection --------------------------------------------------------------------
 * (Documented with their implementation in bitmap/floodfill.cpp.) */

/* Creates the selection state for a width x height bitmap of `size` bytes: a cleared mark
 * bitmap and a snapshot of src. Returns the bytes initialised (size, or 0 when size is not
 * positive or memory cannot be had: the state then stays empty and later calls do nothing). */
PIXMEND_API int VXDllInitFloodFill(const unsigned char *src, int width, int height, int size);

/* Burns a cut line between pixels (x1, y1) and (x2, y2), given as y = slope * x + intercept
 * (vertical lines: slope 0, intercept x1), into the mark bitmap: only ink under it is marked. */
PIXMEND_API void VXDllInitFloodFill2(double slope, double intercept, int x1, int x2, int y1, int y2);

/* Selects the 4-connected ink of the snapshot around the seed (x, y) that does not cross
 * pixels marked before, and sets the selection box to it. A seed outside the bitmap does
 * nothing, not even to the box. */
PIXMEND_API void VXDllFloodFill(int x, int y);

/* ---- TIFF utilities and inversion ------------------------------------------------------------ */

/* 1 when the TIFF file is organised in tiles, 0 when in strips or when it cannot be opened. */
PIXMEND_API int VXDllIsTiffTiled(const char *path);

/* The photometric interpretation of the first directory (0 min-is-white, 1 min-is-black, ...);
 * 0 when the tag is missing; -1 when the file cannot be opened as TIFF. */
PIXMEND_API int VXDllGetPhotometric(const char *path);

/* Sets the photometric interpretation of the file without losing its image. */
PIXMEND_API void VXDllSetPhotometric(const char *path, int photometric);

/* 1 when the file cannot be opened for reading and writing (missing, protected, or without any
 * write permission bit, whoever asks), else 0. */
PIXMEND_API int VXDllIsReadOnly(const char *path);

/* Toggles every pixel of a width x height bitmap in place; padding bits are left as they are. */
PIXMEND_API void VXDllInvertRaster(unsigned char *bitmap, int width, int height);

/* Deletes the file: non-zero on success, 0 on failure. */
PIXMEND_API int VXDllDeleteFile(const char *path);

PIXMEND_END_C

#endif
