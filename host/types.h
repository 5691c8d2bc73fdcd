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

/* Rectangle in pixels: origin inclusive, corner exclusive. */
typedef struct BSIRect {
  Point2d origin;
  Point2d corner;
} BSIRect;

/* Status values of host calls: 0 is success, failures are negative. Groups add theirs here. */
#define SUCCESS 0
#define MDLERR_BADARG (-102)
#define MDLERR_FILENOTFOUND (-103)
#define MDLERR_CANNOTOPENFILE (-104)
#define MDLERR_OUTOFDESIGNPLANE (-105)
#define MDLERR_INSFMEMORY (-116)
#define MDLERR_NOSUCHCOMMAND (-131)

#ifdef __cplusplus
}
#endif

#endif
