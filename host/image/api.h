/* The host's image library: 1-bit raster files (TIFF, Intergraph run-length and Intergraph CCITT
 * Group 4) read into and written from bitmaps, and the bitmap operations the editing commands
 * use (sub-image, quarter turns, mirror, polygon fill, warp).
 *
 * Bitmaps (format IMAGEFORMAT_BITMAP = 1): W x H pixels in rows of ceil(W / 8) bytes, row 0
 * first in memory and at the top of the raster, the leftmost pixel in the most significant bit,
 * 1 = ink. No header: the size travels beside the bitmap as a Point2d (x = width, y = height).
 * The byte count is mdlImage_memorySize(&size, 1). Pixel rectangles are left/top inclusive and
 * right/bottom exclusive; every operation clips to the bitmaps it is given and never writes
 * outside them. Padding bits at the end of a row are never read as pixels.
 *
 * Ownership: bitmaps that this library returns (mdlImage_readFileToBitMap, mdlImage_copyImage,
 * and the outputs of mdlImage_rotate and mdlImage_warp) belong to the caller, who releases them
 * with mdlImage_freeImage and never with free() or realloc(): a large bitmap read from a file the
 * host has decoded already may be a private mapping of that decode (its pages shared until
 * written). mdlImage_freeImage unmaps those and releases everything else with free(), so it also
 * takes blocks the caller allocated with malloc/calloc (or the host's dlmSystem_mdlMalloc) and
 * then handed to the image library's bookkeeping, as the rotate command does. Input bitmaps are
 * borrowed and never kept; an operation that works in place (*out equal to the input) releases
 * the input as mdlImage_freeImage does.
 *
 * Results: 0 on success, a negative MDLERR_ value on failure; a failed call changes none of its
 * outputs and, for file writes, leaves an existing file exactly as it was. Diagnostics (libtiff's
 * own messages included) go to the host's text window, never to the terminal. */
#ifndef PIXMEND_HOST_IMAGE_API_H
#define PIXMEND_HOST_IMAGE_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Host image file types (not the codes stored inside the files). */
#define IMAGEFILE_UNKNOWN 0
#define IMAGEFILE_TIFF 3
#define IMAGEFILE_RLE 13         /* Intergraph run-length bitonal (data type 9) */
#define IMAGEFILE_CIT 19         /* Intergraph CCITT Group 4 (data type 24) */
#define IMAGEFILE_FROM_FILE (-1) /* readFileToBitMap / createFileFromBitMap: take the type from the file */

/* Bitmap formats: only the 1-bit format exists here. */
#define IMAGEFORMAT_BITMAP 1

/* Failure results. The first ones are shared host values (host/types.h defines them too). */
#ifndef MDLERR_BADARG
#define MDLERR_BADARG (-102)
#endif
#ifndef MDLERR_FILENOTFOUND
#define MDLERR_FILENOTFOUND (-103)
#endif
#ifndef MDLERR_CANNOTOPENFILE
#define MDLERR_CANNOTOPENFILE (-104)
#endif
#ifndef MDLERR_INSFMEMORY
#define MDLERR_INSFMEMORY (-116) /* memory cannot be had, or the image exceeds the pixel limit */
#endif
#define MDLERR_NOTMONOCHROME (-119)    /* the file holds no 1-bit-per-pixel image */
#define MDLERR_INVALIDIMAGE (-126)     /* null or empty bitmap, bad size, format other than 1 */
#define MDLERR_CORRUPTIMAGE (-140)     /* malformed, truncated or implausible file contents */
#define MDLERR_IMAGEWRITEFAILED (-141) /* the file could not be written; an old one is intact */
#define MDLERR_UNKNOWNIMAGETYPE (-142) /* not a TIFF or Intergraph raster, or a type not handled */
#define MDLERR_IMAGESTOPPED (-143)     /* the stop-check function asked to stop */

/* Stop-check: called now and then during long operations; non-zero stops the operation, which
 * then fails with MDLERR_IMAGESTOPPED and changes nothing. Null means "never stop". */
typedef int (*ImageStopFunc)(void);

/* The host's stop-check: 0 (the stand-in has no interrupt key). */
int mdlImage_checkStop(void);

/* File type by content (TIFF, Intergraph header), else by extension (.tif/.tiff 3, .rle/.cot 13,
 * .cit 19, case-insensitive); IMAGEFILE_UNKNOWN otherwise. An Intergraph file gives 19 for
 * CCITT Group 4 data (also inside tiles) and 13 for every other data type, which then reads
 * as MDLERR_NOTMONOCHROME unless it is run-length bitonal. */
int mdlImage_typeFromFile(const char* fileName);

/* Bytes of a bitmap of `size` in `format` (1: size->y * ceil(size->x / 8)); 0 for a null or
 * non-positive size, an unknown format, or a bitmap beyond the pixel limit. */
int mdlImage_memorySize(const Point2d* size, int format);

/* Releases a bitmap (null is fine). `size` and `format` are accepted for their callers' sake. */
void mdlImage_freeImage(void* image, const Point2d* size, int format);

/* A copy of the bitmap `image` of `size` in *out (owned by the caller, released with
 * mdlImage_freeImage). A bitmap this library mapped (see Ownership) is copied by mapping: only the
 * pages that later differ between the two take memory. 0, MDLERR_INVALIDIMAGE for a bad bitmap,
 * MDLERR_INSFMEMORY when memory cannot be had (*out unchanged). */
int mdlImage_copyImage(unsigned char** out, const unsigned char* image, const Point2d* size, int format);

/* Reads the first image of `fileName` into a new bitmap (*imageOut, owned by the caller) and
 * its size (*sizeOut). `fileType` is 3, 13, 19 or IMAGEFILE_FROM_FILE; when the content shows
 * another supported type, the content wins (the text window says so). The bitmap's 1 is ink
 * whatever the file stores: a min-is-black TIFF (white stored as 1) and a palette TIFF whose
 * entry 0 is the darker colour are inverted on the way in; fill order 2 is read the same as 1.
 * A Group 3/4 stream that stops before its last line is read as far as it goes, the rest
 * background: mdlImage_lastReadDamage then says from which line. `reserved`: pass 0.
 * Results: MDLERR_NOTMONOCHROME for anything not 1 bit per pixel, MDLERR_INSFMEMORY when memory
 * cannot be had, MDLERR_FILENOTFOUND, MDLERR_CANNOTOPENFILE, MDLERR_CORRUPTIMAGE,
 * MDLERR_UNKNOWNIMAGETYPE, MDLERR_IMAGESTOPPED, MDLERR_BADARG for null pointers. */
int mdlImage_readFileToBitMap(unsigned char** imageOut, Point2d* sizeOut, const char* fileName, int fileType,
                              int reserved, ImageStopFunc stop);

/* What the last mdlImage_readFileToBitMap of this process could not decode: 0 when every line
 * decoded cleanly; 1 when the file decoded with errors, with *firstBadLine the first line (0-based)
 * that could not be read whole and *lines the image's height (either pointer may be null).
 * A read that failed leaves nothing to report (0). */
int mdlImage_lastReadDamage(int* firstBadLine, int* lines);

/* Writes `image` (`size`, 1 = ink) to `fileName` as `fileType` (3: TIFF, CCITT Group 4, one
 * strip; 13: Intergraph run-length with line headers; 19: Intergraph Group 4;
 * IMAGEFILE_FROM_FILE: the type of the existing file, else by the name's extension). A new TIFF
 * is min-is-white; a TIFF written over a 1-bit TIFF keeps that file's photometric interpretation
 * (min-is-black stays min-is-black, a palette keeps its colours), so the picture looks the same
 * in every viewer. The file is written beside the target under a temporary name and renamed over
 * it when complete. When the target exists, its resolution, resolution unit, document name and
 * description (TIFF) or its placement matrix, resolution and names (Intergraph) are carried
 * over; further pages of a multi-page TIFF are kept after the new first page. `option1` to
 * `option3`: pass 0.
 * Results: 0, MDLERR_INVALIDIMAGE, MDLERR_UNKNOWNIMAGETYPE, MDLERR_INSFMEMORY,
 * MDLERR_IMAGEWRITEFAILED, MDLERR_IMAGESTOPPED, MDLERR_BADARG. */
int mdlImage_createFileFromBitMap(const char* fileName, int fileType, const Point2d* size,
                                  const unsigned char* image, int option1, int option2, int option3,
                                  ImageStopFunc stop);

/* Copies the pixels of `rect` (origin = left, top inclusive; corner = right, bottom exclusive)
 * of `in` (inSize) into `out`, a caller-owned buffer of mdlImage_memorySize(rect size) bytes,
 * and sets *outSize (may be null) to the rectangle's size. Parts of the rectangle outside `in`
 * come out as 0; padding bits of `out` are set to 0. A rectangle with corner <= origin in
 * either direction gives MDLERR_INVALIDIMAGE. */
int mdlImage_extractSubImage(unsigned char* out, Point2d* outSize, const unsigned char* in,
                             const Point2d* inSize, const BSIRect* rect, int format);

/* Turns `in` (inSize) counter-clockwise as displayed (row 0 at the top) by `angle` degrees, a
 * multiple of 90 (negative and >= 360 fold into 0..359). The result is a new bitmap stored in
 * *out with its size in *outSize (width and height exchange for 90 and 270). When *out equals
 * `in` on entry (turning in place), the old block is released. Results: 0, MDLERR_INSFMEMORY
 * (nothing changed), MDLERR_INVALIDIMAGE (bad bitmap, size, format, or an angle that is not a
 * quarter turn), MDLERR_IMAGESTOPPED. */
int mdlImage_rotate(unsigned char** out, Point2d* outSize, const unsigned char* in, const Point2d* inSize,
                    int format, int angle, ImageStopFunc stop);

/* Mirrors `image` in place: direction 0 exchanges top and bottom (rows), 1 left and right
 * (columns). `reserved`: pass 0. Results: 0, MDLERR_INSFMEMORY, MDLERR_INVALIDIMAGE (also for a
 * direction other than 0 and 1). */
int mdlImage_mirror(unsigned char* image, const Point2d* size, int format, int direction, int reserved);

/* Sets to `value` (0, or 1 for any non-zero value) every pixel of `image` whose centre lies
 * inside (outside = 0) or outside (outside != 0) the polygon of `nPoints` pixel-space vertices
 * (x right, y down, the pixel (c, r) covering [c, c + 1) x [r, r + 1)); inside is decided by the
 * even-odd rule, and the polygon closes itself. Fewer than 3 vertices enclose nothing.
 * Results: 0, MDLERR_INSFMEMORY, MDLERR_INVALIDIMAGE (bad bitmap, size or format, null or
 * non-finite vertices). */
int mdlImage_setMapPolygon(unsigned char* image, const Point2d* size, int format, const DPoint2d* points,
                           int nPoints, int outside, int value);

/* Resamples `in` (inSize) into a new bitmap of *outSize (read: the size wanted) stored in *out.
 * `transform` maps output pixel positions (X, Y), measured from the output's lower-left corner
 * with y up, to source positions (u, v), measured from the source's lower-left corner with y up:
 *   u = f[0][0] X + f[0][1] Y + f[0][2] + f[0][3],  v = f[1][0] X + f[1][1] Y + f[1][2] + f[1][3]
 * (the constant may stand in the third column, the translation column, or both; row 2 is not
 * used). Each output pixel takes the source pixel under its centre, 0 outside the source.
 * When *out equals `in` on entry, the old block is released. `option`: may be null, else 0.
 * Results: 0, MDLERR_INSFMEMORY, MDLERR_INVALIDIMAGE (bad bitmaps or sizes, non-finite
 * transform), MDLERR_IMAGESTOPPED. */
int mdlImage_warp(unsigned char** out, Point2d* outSize, const unsigned char* in, const Point2d* inSize,
                  int format, const Transform* transform, const unsigned char* option, ImageStopFunc stop);

/* Writes a placement into the header of the Intergraph raster `fileName`: lower-left corner
 * `origin` (z ignored) and `extent` (design units), stored as the header's matrix with the
 * translation at the outer upper-left corner (x = origin.x, y = origin.y + extent.y) and pixel
 * sizes extent / (pixels per line, lines). Every other header byte stays; VAX-coded headers are
 * converted to IEEE as a whole. Written atomically. Results: 0, MDLERR_BADARG,
 * MDLERR_FILENOTFOUND, MDLERR_UNKNOWNIMAGETYPE (not an Intergraph raster), MDLERR_CORRUPTIMAGE,
 * MDLERR_IMAGEWRITEFAILED. */
int mdlImage_updateIngrAttach(const DPoint3d* origin, const DPoint2d* extent, const char* fileName);

#ifdef __cplusplus
}
#endif

#endif
