/* Host calls of the raster group: the raster library that keeps the design's raster attachments.
 * An application initialises the library before it uses any raster call and terminates it when
 * it is done; both are journaled on channel "raster". */
#ifndef PIXMEND_HOST_RASTER_API_H
#define PIXMEND_HOST_RASTER_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the raster library for the current application. Initialising it again does nothing
 * more. 0, or MDLERR_BADARG when no application runs. */
int mdlRaster_initialize(void);
/* Ends the current application's use of the raster library. 0, or MDLERR_BADARG when no
 * application runs or it had not initialised the library (the journal says so). */
int mdlRaster_terminate(void);

#ifdef __cplusplus
}
#endif

#endif
