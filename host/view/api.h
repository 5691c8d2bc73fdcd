/* Host calls of the view group: the eight views and their rotations, display controls, view
 * updates, and temporary graphics (element images built in memory and displayed, which only
 * journals them: nothing shown here is ever added to the design). */
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
/* Sets colour (0-255), weight (0-31) and line style (0-7); a null pointer keeps that value.
 * MDLERR_BADARG for a value out of range (nothing changed) or an element of no known type. */
int mdlElement_setSymbology(MSElement* element, const unsigned int* color, const unsigned int* weight,
                            const int* style);
/* Displays an element: journaled on "display", or on "dynamics" while a dynamics function runs,
 * with its type, draw mode, symbology and vertices. MDLERR_BADARG for an empty or broken image. */
int mdlElement_display(const MSElement* element, int drawMode);

#ifdef __cplusplus
}
#endif

#endif
