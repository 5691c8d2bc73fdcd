/* Plain C types shared by the host's API groups. Records that the applications read keep the
 * layout the host documents for them; each group adds its own records in its api.h. */
#ifndef PIXMEND_HOST_TYPES_H
#define PIXMEND_HOST_TYPES_H

#include <stddef.h>

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

/* Checks, at compile time in C and C++, that a record keeps the byte offsets the applications
 * read it at. */
#ifndef PIXMEND_LAYOUT_CHECK
#ifdef __cplusplus
#define PIXMEND_LAYOUT_CHECK(condition, what) static_assert(condition, what)
#else
#define PIXMEND_LAYOUT_CHECK(condition, what) _Static_assert(condition, what)
#endif
#endif

/* ---- Elements -------------------------------------------------------------------------------
 * One layout for every element image: built in memory by the applications and the host's
 * element calls, drawn by the views, stored in the design file. It begins with this 32-byte
 * header; sizes count 16-bit words from the start of the element; linkages run from the
 * attribute offset to the end. Graphic elements go on with their display header (graphic group,
 * class, colour, weight, style) and their geometry; a non-graphic element's own words (an
 * application's data, type 66) start right after the header. The host's documentation
 * (docs/hostapi.md) gives every offset. Fields are in the machine's byte order (little-endian). */
#define MAX_ELEMENT_SIZE 8192 /* bytes: no element stored in a design is larger */
typedef struct ElementHeader {
  unsigned int typeWord;    /* 0: the element type in bits 0-7 (the first byte); the other bits are
                               flags, 0 unless a host call sets them */
  unsigned int sizeWords;   /* 4: size of the whole element in 16-bit words */
  unsigned int attrOffset;  /* 8: offset of the first linkage in words (= sizeWords: no linkages) */
  unsigned int level;       /* 12: level identifier */
  unsigned int uniqueId[2]; /* 16: set by the host when the element is added; callers leave 0 */
  unsigned int modified[2]; /* 24: time of the last change, set by the host; callers leave 0 */
} ElementHeader;
PIXMEND_LAYOUT_CHECK(offsetof(ElementHeader, typeWord) == 0, "type word at 0");
PIXMEND_LAYOUT_CHECK(offsetof(ElementHeader, sizeWords) == 4, "size at 4");
PIXMEND_LAYOUT_CHECK(offsetof(ElementHeader, attrOffset) == 8, "attribute offset at 8");
PIXMEND_LAYOUT_CHECK(offsetof(ElementHeader, level) == 12, "level at 12");
PIXMEND_LAYOUT_CHECK(offsetof(ElementHeader, uniqueId) == 16, "identifier at 16");
PIXMEND_LAYOUT_CHECK(offsetof(ElementHeader, modified) == 24, "time at 24");
PIXMEND_LAYOUT_CHECK(sizeof(ElementHeader) == 32, "element header is 32 bytes");

/* An element image. Big enough for every element the applications build, temporary graphics
 * included (a shape of MAX_VERTICES vertices); an element stored in a design is at most
 * MAX_ELEMENT_SIZE bytes, so a buffer of that size is enough for anything read from a design. */
#define MAX_ELEMENT_WORDS 65536
typedef union MSElement {
  ElementHeader ehdr;
  unsigned short buf[MAX_ELEMENT_WORDS];
  double alignment; /* keeps the doubles inside an image aligned */
} MSElement;

/* Level identifiers are 1 to 63; 0 means no level. */
#define LEVEL_NONE 0
#define MAX_LEVEL 63

/* Linkages: blocks of words an element carries after its own words (from its attribute offset
 * on). Each starts with this 4-byte header; the header word holds flags and the linkage's length
 * in words (header included) in the host's own encoding: use mdlLinkage_setWords/getWords. */
typedef struct LinkageHeader {
  unsigned short info;      /* 0: LINKAGE_USER_DATA and the length */
  unsigned short primaryId; /* 2: whose linkage it is */
} LinkageHeader;
PIXMEND_LAYOUT_CHECK(offsetof(LinkageHeader, info) == 0, "linkage header word at 0");
PIXMEND_LAYOUT_CHECK(offsetof(LinkageHeader, primaryId) == 2, "primary identifier at 2");
PIXMEND_LAYOUT_CHECK(sizeof(LinkageHeader) == 4, "linkage header is 4 bytes");
#define LINKAGE_USER_DATA 0x1000 /* the linkage carries an application's data */
#define LINKAGE_MAX_WORDS 4096   /* no linkage is longer (a whole element is at most 4096 words) */

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
