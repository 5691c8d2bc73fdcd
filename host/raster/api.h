/* Host calls of the raster group: the raster library that keeps the design's raster attachments.
 * An application initialises the library before it uses any raster call and terminates it when
 * it is done; both are journaled on channel "raster".
 *
 * Attachments: each raster reference of the active model has a handle (DgnRasterP) and four
 * records the applications read and write whole: file information, rendering, georeference and
 * extended information. The records keep their fields at fixed byte offsets (checked below);
 * every byte not named is reserved: callers read a record, change the fields they mean to
 * change and store it back, so reserved bytes travel unchanged. Raster calls of an application
 * that has not initialised the library, and handles the host does not know (a closed attachment
 * included), are refused with MDLERR_BADARG and change nothing. */
#ifndef PIXMEND_HOST_RASTER_API_H
#define PIXMEND_HOST_RASTER_API_H

#include <stddef.h>

#include "host/design/api.h"
#include "host/design/rasterrecords.h"
#include "host/dialog/api.h"
#include "host/image/api.h"
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

/* ---- Attachments and their records -------------------------------------------------------------
 * A handle stays valid until its attachment is closed (mdlRaster_fileClose) or the design is
 * closed; the host owns it. */
typedef struct DgnRaster DgnRaster;
typedef DgnRaster* DgnRasterP;

/* Update options of the store, reload, close and synchronise calls: bits that say how far a
 * change goes. Callers pass RASTER_UPDATE_MEMORY (1) or RASTER_UPDATE_ALL (14). */
#define RASTER_UPDATE_MEMORY 0x1 /* the attachment in memory only: nothing redrawn, the file let go */
#define RASTER_UPDATE_FILE 0x2   /* the raster file is read again */
#define RASTER_UPDATE_DESIGN 0x4 /* the attachment is stored in the design */
#define RASTER_UPDATE_VIEWS 0x8  /* the views showing the attachment are redrawn */
#define RASTER_UPDATE_ALL (RASTER_UPDATE_FILE | RASTER_UPDATE_DESIGN | RASTER_UPDATE_VIEWS)


/* File information, rendering, georeference and extended information: host/design/rasterrecords.h (the design
 * file stores them). */

PIXMEND_LAYOUT_CHECK(offsetof(RasterFileInfo, attachedName) == 0, "attached name at 0");
PIXMEND_LAYOUT_CHECK(offsetof(RasterFileInfo, fullPath) == 276, "full path at 276");
PIXMEND_LAYOUT_CHECK(offsetof(RasterFileInfo, fileType) == 536, "file type at 536");
PIXMEND_LAYOUT_CHECK(offsetof(RasterFileInfo, fileOpen) == 844, "open flag at 844");
PIXMEND_LAYOUT_CHECK(sizeof(RasterFileInfo) == 848, "file information is 848 bytes");
PIXMEND_LAYOUT_CHECK(offsetof(RasterRendering, color) == 5, "colour at 5");
PIXMEND_LAYOUT_CHECK(offsetof(RasterRendering, invertedDisplay) == 16, "inverted display at 16");
PIXMEND_LAYOUT_CHECK(offsetof(RasterRendering, transparentBackground) == 20, "transparency at 20");
PIXMEND_LAYOUT_CHECK(offsetof(RasterRendering, placementTransformApplied) == 28, "placement flag at 28");
PIXMEND_LAYOUT_CHECK(offsetof(RasterRendering, displayPriority) == 44, "priority at 44");
PIXMEND_LAYOUT_CHECK(offsetof(RasterRendering, backgroundTransparency) == 48, "transparency level at 48");
PIXMEND_LAYOUT_CHECK(sizeof(RasterRendering) == 80, "rendering is 80 bytes");
PIXMEND_LAYOUT_CHECK(offsetof(RasterGeoReference, origin) == 0, "origin at 0");
PIXMEND_LAYOUT_CHECK(offsetof(RasterGeoReference, extentX) == 24, "extent x at 24");
PIXMEND_LAYOUT_CHECK(offsetof(RasterGeoReference, extentY) == 32, "extent y at 32");
PIXMEND_LAYOUT_CHECK(offsetof(RasterGeoReference, rotation) == 40, "rotation at 40");
PIXMEND_LAYOUT_CHECK(offsetof(RasterGeoReference, skew) == 48, "skew at 48");
PIXMEND_LAYOUT_CHECK(sizeof(RasterGeoReference) == 80, "georeference is 80 bytes");
PIXMEND_LAYOUT_CHECK(offsetof(RasterExtendedInfo, state) == 0, "state at 0");
PIXMEND_LAYOUT_CHECK(sizeof(RasterExtendedInfo) == 92, "extended information is 92 bytes");

/* Each get fills the caller's record; each set stores the record on the attachment, then
 * updates as `options` says. 0, or MDLERR_BADARG (null record, unknown handle), and then the
 * record or the attachment is unchanged. A rendering whose colour is set is drawn in it from
 * the next redraw on. A georeference with a non-finite value or an extent that is not positive
 * is refused with MDLERR_BADARG. */
int mdlRaster_fileInfoGet(RasterFileInfo* info, DgnRasterP raster);
int mdlRaster_renderingInfoGet(RasterRendering* info, DgnRasterP raster);
int mdlRaster_renderingInfoSet(const RasterRendering* info, DgnRasterP raster, int options);
int mdlRaster_geoReferenceInfoGet(RasterGeoReference* info, DgnRasterP raster);
int mdlRaster_geoReferenceInfoSet(const RasterGeoReference* info, DgnRasterP raster, int options);
int mdlRaster_extendedInfoGet(RasterExtendedInfo* info, DgnRasterP raster);
int mdlRaster_extendedInfoSet(const RasterExtendedInfo* info, DgnRasterP raster, int options);

/* ---- Opening, saving, reloading and closing attachments ------------------------------------- */

/* Open modes of mdlRaster_fileOpen. */
#define RASTER_OPEN_ATTACH 1 /* attach the file to the model as a raster reference, shown in its views */

/* Attaches the raster file `fileName` (configuration variables in it expanded; a relative name
 * is taken in the design's directory, the value of _DGNDIR) to `modelRef` (null: the active
 * model) and gives its new handle in *rasterOut. The file is read at once. A name longer than
 * the file information's fields hold (275 characters, 259 for the full path) is refused. The
 * georeference starts with the file's own placement (Intergraph header), else at the origin with
 * one design unit per pixel; the rendering draws black ink, upright, opaque. 0; MDLERR_BADARG
 * (null output, bad mode, a model other than the active one, name too long);
 * MDLERR_FILENOTFOUND; MDLERR_CANNOTOPENFILE (a folder, an unreadable file); the image library's
 * error when the file is no raster it reads (MDLERR_UNKNOWNIMAGETYPE, MDLERR_CORRUPTIMAGE,
 * MDLERR_NOTMONOCHROME, MDLERR_INSFMEMORY); *rasterOut is then untouched. Journaled on
 * "raster": "attached NAME at X,Y extent W,H". */
int mdlRaster_fileOpen(DgnRasterP* rasterOut, const char* fileName, DgnModelRefP modelRef, int mode,
                       int options);
/* Stores the attachment and its records in the design, so that they are there when the design is
 * opened again (the design file is written once control is back in the host, and only when its
 * content changed). 0 or MDLERR_BADARG. */
int mdlRaster_fileSave(DgnRasterP raster);
/* RASTER_UPDATE_MEMORY: lets go of the file so that it can be rewritten (nothing redrawn);
 * RASTER_UPDATE_ALL: reads the file again and redraws the views that show it (journaled
 * "raster: reloaded NAME"). A file that cannot be read any more leaves the attachment showing
 * nothing and gives its image error (host/image/api.h); the handle stays valid. */
int mdlRaster_fileReload(DgnRasterP raster, int options);
/* Detaches the raster: the handle becomes invalid at once (later calls with it are refused) and
 * no new container lists it. The views are redrawn at once with RASTER_UPDATE_VIEWS, otherwise
 * at the next mdlRaster_eventSynchronize. The file itself is never touched. 0 or
 * MDLERR_BADARG. */
int mdlRaster_fileClose(DgnRasterP raster, int options);
/* Redraws the views for the attachments opened and closed since the last call that are not
 * redrawn yet (journaled "raster: views redrawn" when there were any). 0. */
int mdlRaster_eventSynchronize(int options);

/* The topmost attachment (highest display priority, then the newest) whose drawn area holds
 * `point` (design coordinates), or null when none does, the view is out of range, or the point
 * lies outside the area the view shows (a point outside it cannot have been given in it). The
 * drawn area is the attachment's georeference, turned and skewed while its rendering applies
 * that, whether or not its file can be read. */
DgnRasterP mdlRaster_viewFindRaster(const DPoint3d* point, int view);

/* ---- Containers ------------------------------------------------------------------------------
 * A container is a snapshot list of values that the host hands out and the caller releases. */
typedef struct MdlContainer MdlContainer;
typedef struct MdlContainerIterator MdlContainerIterator;

/* Directions of mdlCntr_iteratorCreate. */
#define CNTR_ITERATE_FORWARD 1 /* from the first item on */

/* A new container holding the handles (DgnRasterP values) of the active model's attachments,
 * oldest first, as they are now; later attaches and detaches do not change it. The caller
 * releases it with mdlCntr_release. Null when memory cannot be had. */
MdlContainer* mdlRaster_systemRasterContainerGet(void);
/* The number of items, 0 for a null container. */
int mdlCntr_itemCount(const MdlContainer* container);
/* An iterator standing on the first item (CNTR_ITERATE_FORWARD). It belongs to the container and
 * goes with it; null for a null container or another direction. */
MdlContainerIterator* mdlCntr_iteratorCreate(MdlContainer* container, int direction);
/* The value of the item the iterator stands on (for the raster container a DgnRasterP), or null
 * when the container is empty or the iterator is past its end. */
void* mdlCntr_valueGet(MdlContainerIterator* iterator);
/* Moves to the next item. 0, or 1 when there is none (the iterator is then past the end). */
int mdlCntr_iteratorNext(MdlContainerIterator* iterator);
/* Releases the container and its iterators (null is fine). The values themselves belong to the
 * host: releasing a raster container detaches nothing. */
void mdlCntr_release(MdlContainer* container);

#ifdef __cplusplus
}
#endif

#endif
