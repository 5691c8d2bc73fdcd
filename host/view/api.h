/* Host calls of the view group: the eight views and their rotations, display controls, view
 * updates, and temporary graphics (element images built in memory and displayed: journaled and
 * drawn in the pictures of a view until it is redrawn; nothing shown here is ever added to the
 * design); rotation and transform helpers, the current coordinate system, view flags and the busy
 * cursor. */
#ifndef PIXMEND_HOST_VIEW_API_H
#define PIXMEND_HOST_VIEW_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MAX_VIEWS 8 /* views 0 to 7; view 0 is the top view and every view starts as one */

/* The rotation of a view: view coordinates = matrix x design coordinates. 0, or MDLERR_BADARG
 * for a view out of range or a null matrix. `reserved` is not used. */
int mdlRMatrix_fromView(RotMatrix* matrix, int view, int reserved);
/* point = matrix x point (design to view). */
void mdlRMatrix_rotatePoint(DPoint3d* point, const RotMatrix* matrix);
/* point = transpose(matrix) x point (view back to design). */
void mdlRMatrix_unrotatePoint(DPoint3d* point, const RotMatrix* matrix);

/* Display controls: flags 0 to 63 per view, all off at first. Journaled. 0 or MDLERR_BADARG. */
int mdlView_setDisplayControl(int control, int view, int value);
/* The flag's value (0 or 1), or MDLERR_BADARG. */
int mdlView_getDisplayControl(int control, int view);
/* Redraws a view: journaled "view: update N". 0 or MDLERR_BADARG. */
int mdlView_updateSingle(int view);

/* ---- Element images ------------------------------------------------------------------------------
 * Lines (type 3), line strings (4) and shapes (6) of double-precision vertices. A template
 * element (may be null) gives the level and symbology; without one they are 0. Coordinates must
 * be finite and within the design plane (|c| <= 2^53): otherwise MDLERR_OUTOFDESIGNPLANE and
 * the output is untouched. Line strings take 2 to MAX_VERTICES vertices, shapes 3 to
 * MAX_VERTICES (a shape is closed: the caller repeats the first vertex last). */
#define LINE_ELM 3
#define LINE_STRING_ELM 4
#define SHAPE_ELM 6
/* The complex and text types the views draw (created through host/design/api.h). */
#define CELL_HEADER_ELM 2
#define TEXT_NODE_ELM 7
#define CMPLX_SHAPE_ELM 14
#define TEXT_ELM 17
#define MAX_VERTICES 5000

/* Draw modes of mdlElement_display; any value is journaled as given. */
#define DRAW_MODE_Normal 0
#define DRAW_MODE_Erase 1
#define DRAW_MODE_Hilite 2
#define DRAW_MODE_TempDraw 3

int mdlLine_create(MSElement* out, const MSElement* templ, const DPoint3d* points);
int mdlLineString_create(MSElement* out, const MSElement* templ, const DPoint3d* points, int numVerts);
int mdlShape_create(MSElement* out, const MSElement* templ, const DPoint3d* points, int numVerts,
                    int fillMode);
/* Symbology values that mean "as the element's level says" (displayed as 0 here; the design
 * group's mdlElement_getEffectiveSymbology gives the level's). */
#define COLOR_BYLEVEL 0xFFFFFFFFU
#define WEIGHT_BYLEVEL 0xFFFFFFFFU
#define STYLE_BYLEVEL 0x7FFFFFFF
/* Sets colour (0-255), weight (0-31) and line style (0-7), or the by-level values, on a graphic
 * element; a null pointer keeps that value. MDLERR_BADARG for a value out of range (nothing
 * changed) or an element that is not graphic. */
int mdlElement_setSymbology(MSElement* element, const unsigned int* color, const unsigned int* weight,
                            const int* style);
/* Displays an element: journaled on "display", or on "dynamics" while a dynamics function runs,
 * with its type, draw mode, symbology and vertices, and drawn in the pictures of the views
 * (host/view/graphics.hpp says for how long; DRAW_MODE_Erase paints in the paper's colour).
 * MDLERR_BADARG for an empty or broken image. */
int mdlElement_display(const MSElement* element, int drawMode);

/* ---- Rotations and transforms ------------------------------------------------------------------
 * Every call that writes a matrix allows the output to be one of its inputs. */

/* The identity rotation. */
void mdlRMatrix_getIdentity(RotMatrix* matrix);
/* A turn by `radians` counter-clockwise about z. */
void mdlRMatrix_fromAngle(RotMatrix* matrix, double radians);
/* The rotation of standard view `standardView`: 1 top, 2 bottom, 3 left, 4 right, 5 front,
 * 6 back, 7 isometric, 8 right isometric. 0, or MDLERR_BADARG (matrix untouched). */
int mdlRMatrix_getStandard(RotMatrix* matrix, int standardView);
/* out = the inverse of in. 0, or MDLERR_BADARG when `in` is singular (out untouched). */
int mdlRMatrix_invert(RotMatrix* out, const RotMatrix* in);

/* The identity transform. */
void mdlTMatrix_getIdentity(Transform* transform);
/* out = in followed by a move by (x, y, z): the translation column (column 3) gains (x, y, z);
 * the other columns are copied. */
void mdlTMatrix_translate(Transform* out, const Transform* in, double x, double y, double z);
/* out = in followed by a scaling by (x, y, z) about the origin: each row of `in`, translation
 * included, is multiplied by its factor. */
void mdlTMatrix_scale(Transform* out, const Transform* in, double x, double y, double z);
/* A transform that turns by `rotation` and moves nothing. */
void mdlTMatrix_fromRMatrix(Transform* transform, const RotMatrix* rotation);
/* point = transform x point (columns 0-2 times the point, plus column 3). */
void mdlTMatrix_transformPoint(DPoint3d* point, const Transform* transform);

/* ---- The current coordinate system ---------------------------------------------------------------
 * Calls that read coordinates out of elements for drawing (stroking, text extraction) give them in
 * the current coordinate system. It starts as design coordinates. Each call below changes it
 * relative to itself: mdlCurrTrans_origin(p) puts its origin at p (given in current coordinates),
 * scale(s) makes one current unit worth s of the previous ones, rotateByAngles turns its axes.
 * A design point d then reads as C^-1(d), C being the product of the changes in call order. */

/* Saves the current system; mdlCurrTrans_end brings the saved one back. Pairs nest (at most 64
 * deep: a deeper begin is refused with MDLERR_TOOLARGE and changes nothing). */
int mdlCurrTrans_begin(void);
/* MDLERR_BADARG without a matching begin. */
int mdlCurrTrans_end(void);
/* The current system becomes design coordinates again (the saved ones are kept). */
void mdlCurrTrans_identity(void);
/* The changes below refuse a null or non-finite argument, and a scale factor of 0, with
 * MDLERR_BADARG and change nothing. */
int mdlCurrTrans_origin(const DPoint3d* origin);
int mdlCurrTrans_scale(double x, double y, double z);
/* Turns about x, then y, then z (radians, counter-clockwise looking down each axis). */
int mdlCurrTrans_rotateByAngles(double x, double y, double z);

/* ---- View flags ----------------------------------------------------------------------------------
 * What a view (or a drawing into a window) shows. Word 0 holds the flags the host reads; every
 * other bit and word is kept as given. */
typedef struct ViewFlags {
  unsigned int words[4];
} ViewFlags;
#define VIEWFLAG_FILL 0x4           /* filled elements drawn filled */
#define VIEWFLAG_TEXT 0x8           /* texts drawn (else left out) */
#define VIEWFLAG_LINEWEIGHT 0x80    /* weights drawn (else every line at weight 0) */
#define VIEWFLAG_CONSTRUCTION 0x400 /* construction-class elements drawn */
#define VIEWFLAGS_DEFAULT 73868U    /* word 0 of the usual set: fill, text, weights, no construction */

/* ---- Arcs and ellipses --------------------------------------------------------------------------
 * Built like the linear elements above (template, design-plane check, MDLERR_OUTOFDESIGNPLANE). A
 * null rotation means unturned (axes along x and y); a given one must have orthonormal columns
 * (MDLERR_BADARG otherwise). Angles in radians, counter-clockwise; axes (semi-axes, design units)
 * must be positive and finite; the whole curve must lie within the design plane. */
#define ELLIPSE_ELM 15
#define ARC_ELM 16

/* An elliptical arc about `center` from `startAngle` through `sweepAngle` (negative: clockwise;
 * |sweep| at most 2 pi). */
int mdlArc_create(MSElement* out, const MSElement* templ, const DPoint3d* center, double axis1, double axis2,
                  const RotMatrix* rotation, double startAngle, double sweepAngle);
/* A circular arc about `center` from `start` to `end` (the end is put on the circle through
 * `start`), in the plane with normal `normal` (null: +z), counter-clockwise unless `clockwise`.
 * MDLERR_BADARG when start equals center. */
int mdlArc_createByCenter(MSElement* out, const MSElement* templ, const DPoint3d* start, const DPoint3d* end,
                          const DPoint3d* center, const DPoint3d* normal, int clockwise);
/* A whole ellipse; `fillMode` non-zero draws it filled. */
int mdlEllipse_create(MSElement* out, const MSElement* templ, const DPoint3d* center, double axis1,
                      double axis2, const RotMatrix* rotation, int fillMode);

/* ---- The cursor ----------------------------------------------------------------------------------
 * A busy cursor while a long operation runs; journaled "view: busy" and "view: ready". Stops and
 * starts do not nest: one stop ends it. */
void mdlSystem_startBusyCursor(void);
void mdlSystem_stopBusyCursor(void);

#ifdef __cplusplus
}
#endif

#endif
