/* Plain C types shared by the host's API groups. Records that the applications read keep the
 * layout the host documents for them; each group adds its own records in its api.h. */
#ifndef PIXMEND_HOST_TYPES_H
#define PIXMEND_HOST_TYPES_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct DPoint2d {
  double x, y;
} DPoint2d;

typedef struct DPoint3d {
  double x, y, z;
} DPoint3d;

/* Integer pixel or screen position. */
typedef struct Point2d {
  int x, y;
} Point2d;

/* A 3 x 3 rotation and a 3 x 4 transform (rotation in the first three columns, translation in
 * the fourth), row-major: form3d[row][column]. */
typedef struct RotMatrix {
  double form3d[3][3];
} RotMatrix;

typedef struct Transform {
  double form3d[3][4];
} Transform;

/* A colour: red, green and blue from 0 to 255. */
typedef struct RgbColorDef {
  unsigned char red, green, blue;
} RgbColorDef;

/* Rectangle in pixels: origin inclusive, corner exclusive. */
typedef struct BSIRect {
  Point2d origin;
  Point2d corner;
} BSIRect;

/* An element image in the host's layout, 16-bit words: word 0 holds the element type in bits 8-14
 * and the level in bits 0-5, word 1 the number of words that follow it. The rest is laid out per
 * type (docs/host.md). Big enough for every element the applications build. */
#define MAX_ELEMENT_WORDS 65536
typedef union MSElement {
  unsigned short buf[MAX_ELEMENT_WORDS];
  double alignment; /* keeps the doubles inside an image aligned */
} MSElement;

/* Size of a buffer that receives a file name from the host, terminating zero included. */
#define MAXFILELENGTH 256

/* Status values of host calls: 0 is success, failures are negative. Groups add theirs here. */
#define SUCCESS 0
#define MDLERR_BADARG (-102)
#define MDLERR_FILENOTFOUND (-103)
#define MDLERR_CANNOTOPENFILE (-104)
#define MDLERR_OUTOFDESIGNPLANE (-105)
#define MDLERR_INSFMEMORY (-116)
#define MDLERR_NOSUCHCOMMAND (-131)
#define MDLERR_CFGVARNOTFOUND (-132)
#define MDLERR_TOOLARGE (-133)

#ifdef __cplusplus
}
#endif

#endif
