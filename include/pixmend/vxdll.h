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
 * Creates and fills the area selection that the functions above read. Calling order:
 * VXDllInitFloodFill once, VXDllInitFloodFill2 for every cut line, VXDllFloodFill with the seed.
 * Within one selection state, cut lines and fills accumulate in the same mark bitmap; only a new
 * VXDllInitFloodFill starts from a clear one. */

/* Creates the selection state for a width x height bitmap whose first `size` bytes are at src
 * (the value mdlImage_memorySize gives for it): a cleared mark bitmap, and src as it stands now
 * for the fill to read, both held by the selection state until VXDllFreeDelBuffer. src is never
 * read beyond `size` bytes; when `size` holds fewer than `height` rows, only the whole rows it
 * holds belong to the selection. A state still live is released first; the selection box is kept
 * until the next fill.
 * The state reads src itself until src is about to change, and takes its own copy of it then, so
 * that its fills always read src as it stood at creation: every VXDll call that writes into src
 * (the pastes, VXDllDeleteSelected, VXDllInvertRaster, the warps' output) and VXRaster's own
 * editing (its undo step, which precedes every change, and the release of its bitmap) announce
 * the change first. Code that changes or frees src by other means while the state is live
 * releases the state first (VXDllFreeDelBuffer) or announces it (pixmend::rasterChanging
 * in bitmap/selection.hpp); should the copy not be had then, later fills and cut lines do nothing
 * while what is selected can still be taken and deleted.
 * Returns size. Returns 0 when size, width or height is not positive, src is null, or the memory
 * cannot be had for the mark bitmap: there is then no selection state, and VXDllInitFloodFill2,
 * VXDllFloodFill and the selection functions above do nothing with it until a later call succeeds. */
PIXMEND_API int VXDllInitFloodFill(const unsigned char *src, int width, int height, int size);

/* Burns a cut line into the mark bitmap as a barrier for the fill. The line runs between pixels
 * (x1, y1) and (x2, y2) and is given as y = slope * x + intercept; for a vertical line (x1 == x2)
 * pass slope 0 and x1 as intercept. Each pair is put in order first. Where the raster as created
 * has ink, it marks (x, trunc(slope * x + intercept)) for every column x from x1 to x2 unless the line is
 * vertical, and (trunc((y - intercept) / slope), y) for every row y from y1 to y2 (x1 when slope
 * is 0), truncating toward zero. Pixels outside the bitmap and values that are not finite are
 * skipped. Marked cut-line ink inside the widened box is taken by VXDllGetDelBuffer and cleared
 * by VXDllDeleteSelected like the selection itself. */
PIXMEND_API void VXDllInitFloodFill2(double slope, double intercept, int x1, int x2, int y1, int y2);

/* Selects from the seed (x, y): marks the seed (its ink is not tested; callers check it) and every
 * ink pixel of the snapshot 4-connected to it through pixels not marked before (cut lines,
 * earlier fills), then sets the selection box to the seed and the pixels this call marked, bounds
 * inclusive (VXDllGetCopyBufferSize widens it for extraction). A seed outside the bitmap changes
 * nothing, not even the box. Any area, up to the whole bitmap, is filled without deep recursion. */
PIXMEND_API void VXDllFloodFill(int x, int y);

/* ---- TIFF utilities and inversion ------------------------------------------------------------
 * Each TIFF helper opens the file by path, does one thing and closes it; libtiff's messages of
 * that call go to the host's text window, never to the terminal. */

/* 1 when the TIFF file is organised in tiles, 0 when in strips or when it cannot be opened. */
PIXMEND_API int VXDllIsTiffTiled(const char *path);

/* The photometric interpretation of the first directory (0 min-is-white, 1 min-is-black, ...);
 * 0 when the tag is missing; -1 when the file cannot be opened as TIFF. */
PIXMEND_API int VXDllGetPhotometric(const char *path);

/* Sets the photometric interpretation (0 to 65535) of the first directory without losing the
 * image or further pages: the change is made on a copy beside the file that then replaces it.
 * Read-only files, files that are not TIFF and other values are left as they are. */
PIXMEND_API void VXDllSetPhotometric(const char *path, int photometric);

/* 1 when the file cannot be written back (missing, not a regular file, protected, without any
 * write permission bit whoever asks, held locked for writing by another program, mounted on its
 * own, or in a folder that takes no new file: every write goes to a temporary beside the file
 * that is renamed over it), else 0. */
PIXMEND_API int VXDllIsReadOnly(const char *path);

/* Toggles every pixel of a width x height bitmap in place; padding bits are left as they are.
 * A null bitmap or a non-positive size does nothing. */
PIXMEND_API void VXDllInvertRaster(unsigned char *bitmap, int width, int height);

/* Deletes the file: non-zero on success, 0 on failure (missing, a directory, or read-only: a
 * file without any write permission bit is not deleted, whoever asks). */
PIXMEND_API int VXDllDeleteFile(const char *path);

/* ---- Affine warp -----------------------------------------------------------------------------
 * Resamples a bitmap through x' = a x + b y + c, y' = d x + e y + f (pixel units, x to the right,
 * y downward) into an output the size of the transformed source's box. Two calls: a set-up
 * (VXDllWarpAffineRotPre from coefficients, VXDllWarpAffinePre from three point pairs), which
 * copies the source and fixes the box, then VXDllWarpAffine, which fills the caller's output and
 * frees the copy. VXDllGetNewMaxAndMin reports the box between them (and after, until the next
 * set-up). One warp is pending at a time, shared with the perspective warp below: a set-up of
 * either kind releases the copy of one still pending.
 *
 * Box: the four corners (0, 0), (W, 0), (W, H), (0, H) transformed, each coordinate truncated
 * toward zero; [minX, maxX) x [minY, maxY). Output pixel (x - minX, y - minY) takes source pixel
 * (trunc(A x + B y + C), trunc(D x + E y + F)) of the inverse transform when that lies inside
 * the source (the exact mapping: source row 0 is the output's top row under the identity).
 *
 * Refused set-ups: no source, a non-positive size, coefficients or an inverse that are not
 * finite (a singular transform, three collinear points), a box larger than 2^24 pixels a side
 * or 2^32 pixels, or a copy that cannot be allocated. The box is then empty (all four values 0,
 * outputs 0 x 0), no copy is held, and the warp writes nothing and frees nothing. A caller
 * tells a refused set-up by the empty box and must not write an empty bitmap anywhere.
 *
 * Ownership: source is borrowed (read during the set-up only); the engine owns its copy and
 * frees it in VXDllWarpAffine (or at the next set-up); the caller owns the output. */

/* Set-up from the coefficients, given column by column: a, d, b, e, c, f. outputWidth and
 * outputHeight are accepted and not used. sourceSize is the byte size of source; rows it does
 * not reach read as background. */
PIXMEND_API void VXDllWarpAffineRotPre(const unsigned char *source, double a, double d, double b, double e,
                                       double c, double f, int sourceWidth, int sourceHeight,
                                       int outputWidth, int outputHeight, int sourceSize);

/* Set-up from three point pairs. xSystem and ySystem are 3 x 4 row-major matrices, one row per
 * pair: [x_i, y_i, 1, X_i] and [x_i, y_i, 1, Y_i], (x_i, y_i) a source position and (X_i, Y_i)
 * where it must go. Both are overwritten (solved in place, without pivoting). The box's width
 * and height are written to outputWidthOut and outputHeightOut (0 x 0 when refused). */
PIXMEND_API void VXDllWarpAffinePre(const unsigned char *source, int sourceWidth, int sourceHeight,
                                    int *outputWidthOut, int *outputHeightOut, double *xSystem,
                                    double *ySystem, int sourceSize);

/* The box of the last set-up: minX, minY inclusive, maxX, maxY exclusive. Null pointers are
 * skipped. */
PIXMEND_API void VXDllGetNewMaxAndMin(int *minX, int *minY, int *maxX, int *maxY);

/* Resamples into output (outputWidth x outputHeight, normally all clear: set pixels are ORed in)
 * and frees the copy. sourceWidth and sourceHeight must be those of the set-up, or nothing is
 * written. Box positions outside the output are dropped; the output's padding bits are never
 * touched. outputSize, when positive, is the output's byte size: only the whole rows it holds
 * are written. progress (may be null) is called as progress(progressContext, progressMessage,
 * percent) after each box row whose percent = row * 100 / outputHeight is a multiple of 5 and at
 * most 100, then once with 100 (at once when nothing is pending). */
PIXMEND_API void VXDllWarpAffine(unsigned char *output, int sourceWidth, int sourceHeight, int outputWidth,
                                 int outputHeight, int outputSize,
                                 void (*progress)(void *context, const char *message, int percent),
                                 void *progressContext, const char *progressMessage);

/* ---- Perspective warp ------------------------------------------------------------------------
 * Maps a bitmap so that a quadrilateral of the source (the pre-quad) lands on another (the
 * post-quad), through a projective mapping in triangle coordinates. Two calls: the set-up, then
 * exactly one VXDllWarpPerspective. Shares the pending-warp slot with the affine warp.
 *
 * corners: 16 ints, four records in the order v00, v10, v11, v01 (v00 and v11 opposite), each
 * pre-quad x, pre-quad y, post-quad x, post-quad y.
 *
 * Ownership: source is borrowed; the returned copy belongs to the engine, which frees it in
 * VXDllWarpPerspective (or at the next set-up of either warp); the caller must not free it. */

/* Fixes the mapping, reports the output size (the largest truncated x and y of the mapped
 * source corners, never below 0), prints both quads to the host's text window and copies the
 * source (sourceSize readable bytes). Returns the engine's copy, or null when the set-up is
 * refused (no source, a non-positive size, a degenerate quad, coefficients or corners that are
 * not finite or beyond 2^24, no memory): the size is then 0 x 0 and the warp writes nothing. */
PIXMEND_API unsigned char *VXDllWarpPerspectivePre(const unsigned char *source, int sourceWidth,
                                                   int sourceHeight, int *outputWidthOut,
                                                   int *outputHeightOut, int sourceSize,
                                                   const int *corners);

/* Fills output (outputWidth x outputHeight) from the bottom row up: a position whose source
 * position lies inside the source's inner part (its outermost rows and columns are never read)
 * gets that pixel, set or clear; every other pixel keeps what the caller's bitmap held. Then
 * frees the copy. sourceWidth and sourceHeight must be those of the set-up, or nothing is
 * written. No progress is reported. */
PIXMEND_API void VXDllWarpPerspective(unsigned char *output, int sourceWidth, int sourceHeight,
                                      int outputWidth, int outputHeight);

/* ---- Tiled-to-strip conversion ---------------------------------------------------------------
 * Writes a copy of the TIFF sourcePath to targetPath organised in strips (one strip), CCITT
 * Group 4, marked min-is-black, with the source's sample bits unchanged and its descriptive tags
 * copied. The target is written to a temporary file beside it and renamed over it only when
 * complete: a conversion that fails (missing or unreadable source, a size too large for the
 * data, damaged tiles or strips, data Group 4 cannot hold such as more than one bit per sample,
 * a target that cannot be written or has no write permission bit) leaves no new file and an
 * existing target exactly as it was; the reason goes to the host's text window. */
PIXMEND_API void VXDllConvertTiledTiff(const char *sourcePath, const char *targetPath);

PIXMEND_END_C

#endif
