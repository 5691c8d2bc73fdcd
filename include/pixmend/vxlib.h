/* vxlib: the utility library shared by the maker's applications.
 * Exports are named vxlib<Family>_<operation>; they return 0 for success and 0x8000 for failure
 * unless stated otherwise. Every application links its own copy; state shared between the
 * applications of one process is found through the host. */
#ifndef PIXMEND_VXLIB_H
#define PIXMEND_VXLIB_H

#include "pixmend/export.h"

PIXMEND_BEGIN_C

/* ---- Main: start-up, registry, queries ---- */

/* The fixed text "Statically Linked", in a static buffer. */
PIXMEND_API const char *vxlibMain_getVxlibLocation(void);

PIXMEND_END_C

#endif
