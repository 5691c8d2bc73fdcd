/* Host calls of the design group: the open design's active model, its active parameters, its
 * line-style table and the level style list.
 *
 * The host always has an active model (a new, empty design when no file was opened). Line
 * styles: the standard styles 0 to 7 are always there, named by their number ("0" to "7"); a
 * design may also know named styles, which get the next free number (from 8 on) once the design
 * uses them (made active, or looked up by name). Until then a named style has no number. */
#ifndef PIXMEND_HOST_DESIGN_API_H
#define PIXMEND_HOST_DESIGN_API_H

#include "host/resource/api.h"
#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct DgnModelRef DgnModelRef;
typedef DgnModelRef *DgnModelRefP;

/* The active model of the open design. Never null. */
DgnModelRefP mdlModelRef_getActive(void);

/* ---- Active parameters --------------------------------------------------------------------------
 * Each parameter has a fixed type; the value pointer points to a value of that type. */
#define ACTIVEPARAM_LINESTYLE 3      /* int: the active line style's number */
#define ACTIVEPARAM_LINESTYLENAME 44 /* text of LINESTYLE_NAME_MAX bytes: the active line style's name;
                                        setting it makes that style active (numbering it if needed) */

/* 0; MDLERR_BADARG for a null pointer or a parameter the host does not keep; setting an
 * unknown line style (by number or name) is refused with MDLERR_BADARG and changes nothing. */
int mdlParams_getActive(void *valueP, int paramName);
int mdlParams_setActive(const void *valueP, int paramName);

/* ---- Line styles ---------------------------------------------------------------------------- */
#define LINESTYLE_NAME_MAX 64 /* a style name, terminating zero included */
/* The long value of a level style list row whose named style has no number in the design yet. */
#define LINESTYLE_NOT_NUMBERED 0x7fffff00L

/* The name of style `styleNumber` of the model (null: the active one) into `name`
 * (LINESTYLE_NAME_MAX bytes). 0; MDLERR_BADARG for a null name or a number the design does not
 * have (name = ""). */
int mdlLineStyle_nameFromNumber(char *name, long styleNumber, DgnModelRefP modelRef);
/* The number of the style named `name` (case-insensitive), numbering a named style that has no
 * number yet; MDLERR_BADARG when the design knows no such style. */
long mdlLineStyle_numberFromName(const char *name, DgnModelRefP modelRef);

/* ---- Levels --------------------------------------------------------------------------------------
 * The level style list: the line styles a level may take, one row per style (standard styles
 * first, then the named ones in the order the design learnt them). Cell 0 of a row holds the
 * style's name as text and display text, and its number as long value (LINESTYLE_NOT_NUMBERED
 * for a named style without a number). The rows are appended to `listModel`, which must have at
 * least one column. 0, or MDLERR_BADARG. */
int mdlLevelList_getStyleListModel(ListModel *listModel, DgnModelRefP modelRef);

/* ---- Work files ----------------------------------------------------------------------------------
 * Another design file opened beside the active one, to look at it without making it active.
 * Until the design file itself is built, any existing regular file can be opened this way. A work
 * file is read-only when it was opened read-only, or when the file cannot be opened for writing
 * or has no write permission bit (so a file kept read-only stays so for root as well). */
typedef struct DgnFileObj DgnFileObj;
typedef DgnFileObj *DgnFileObjP;

/* Opens `fileName` as a work file: its model goes to *modelRefP and the file to *fileP (either
 * may be null). `modelName` (null: the default model) and `formatP` (receives 0, the host's one
 * format; may be null) are accepted for callers' sake. `readOnly` non-zero opens it read-only.
 * 0; MDLERR_BADARG for a null or empty name; MDLERR_FILENOTFOUND; MDLERR_CANNOTOPENFILE when it
 * is not a regular file or cannot be read. */
int mdlWorkDgn_openFile(DgnModelRefP *modelRefP, DgnFileObjP *fileP, const char *fileName, const char *modelName,
                        int *formatP, int readOnly);
/* Closes the work file of that model. 0, or MDLERR_BADARG when it is not an open work file. */
int mdlWorkDgn_closeFile(DgnModelRefP modelRef);
/* Non-zero when nothing may be written through the model: a read-only work file, or a model
 * reference the host does not know. The active model (or null) is writable: 0. */
int mdlModelRef_isReadOnly(DgnModelRefP modelRef);

#ifdef __cplusplus
}
#endif

#endif
