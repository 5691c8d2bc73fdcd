/* The records of a raster attachment that the design file stores: its names (the file
 * information), how it is drawn, where it lies and its extended state. The raster group's calls
 * (host/raster/api.h) read and set them; the design group keeps them, and so defines them. */
#ifndef PIXMEND_HOST_DESIGN_RASTERRECORDS_H
#define PIXMEND_HOST_DESIGN_RASTERRECORDS_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* File information (read only: there is no set call). */
typedef struct RasterFileInfo {
  char attachedName[276]; /* 0: the name the raster is attached under, as given when attached */
  char fullPath[260];     /* 276: the raster file's full path */
  int fileType;           /* 536: IMAGEFILE_TIFF, IMAGEFILE_RLE or IMAGEFILE_CIT (host/image/api.h) */
  unsigned char reserved1[304];
  /* 844: non-zero while the raster library has the file open as an attachment of its own (after
   * mdlRaster_fileOpen); 0 for an attachment the design only names, which a caller closes and
   * opens again before it rewrites the file. */
  int fileOpen;
} RasterFileInfo;

/* Rendering: how the attachment is drawn. */
typedef struct RasterRendering {
  unsigned char reserved1[5];
  RgbColorDef color; /* 5: drawing colour of the ink (pixels of value 1) */
  unsigned char reserved2[8];
  int invertedDisplay;       /* 16: non-zero draws 0 pixels as ink and 1 pixels as background */
  int transparentBackground; /* 20: non-zero leaves background pixels undrawn, so what lies
                                beneath shows through (overlays set 1) */
  int reserved3;
  int placementTransformApplied; /* 28: non-zero draws the attachment with the turn and skew of its
                                    georeference; 0 draws it upright */
  unsigned char reserved4[12];
  int displayPriority;                  /* 44: attachments of higher priority are drawn over lower ones
                                           (an overlay takes its raster's priority + 1) */
  unsigned char backgroundTransparency; /* 48: 0 opaque to 0xff fully transparent, while
                                           transparentBackground is set (overlays set 0xff) */
  unsigned char reserved5[31];
} RasterRendering;

/* Georeference: where the attachment lies in the design, in design units. */
typedef struct RasterGeoReference {
  DPoint3d origin; /* 0: the lower-left corner */
  double extentX;  /* 24: width of the raster in the design */
  double extentY;  /* 32: height of the raster in the design */
  double rotation; /* 40: turn of the attachment about its origin, radians counter-clockwise */
  double skew;     /* 48: shear of the attachment, radians; both 0.0 for an upright, unskewed one */
  unsigned char reserved[24];
} RasterGeoReference;

/* Extended information. */
typedef struct RasterExtendedInfo {
  int state; /* 0: RASTER_STATE_CLOSING before a caller closes the attachment, RASTER_STATE_REOPENED
                after it opened it again; the host keeps the value as stored */
  unsigned char reserved[88];
} RasterExtendedInfo;
#define RASTER_STATE_CLOSING 1
#define RASTER_STATE_REOPENED 3

#ifdef __cplusplus
}
#endif

#endif
