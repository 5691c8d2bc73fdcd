/* Host calls of the design group: the open design's active model, its references, active
 * parameters, units and palette; elements, their linkages and descriptors; scanning; levels, line
 * and text styles, texts, cells and cell libraries; the fence.
 *
 * Ownership: descriptors, scan criteria and the blocks a call says it allocates belong to the
 * caller; model references, colour descriptors and the element images inside a descriptor belong
 * to the host (or to their descriptor). Every change to a design is journaled on "design".
 *
 * The host always has an active model (a new, empty design when no file was opened). Line
 * styles: the standard styles 0 to 7 are always there, named by their number ("0" to "7"); a
 * design may also know named styles, which get the next free number (from 8 on) once the design
 * uses them (made active, or looked up by name). Until then a named style has no number. */
#ifndef PIXMEND_HOST_DESIGN_API_H
#define PIXMEND_HOST_DESIGN_API_H

#include <stddef.h>

#include "host/dialog/api.h"
#include "host/resource/api.h"
#include "host/types.h"
#include "host/view/api.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct DgnModelRef DgnModelRef;
typedef DgnModelRef *DgnModelRefP;

/* The active model of the open design. Never null. */
DgnModelRefP mdlModelRef_getActive(void);

/* States of the new-design-file event (system event slot 1) the host raises when another design
 * is opened or created: first DESIGN_FILE_CLOSING with the old design's file name while its
 * raster attachments are still there, then DESIGN_FILE_OPENED with the new design's. */
#define DESIGN_FILE_CLOSING 0
#define DESIGN_FILE_OPENED 1

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
 * reference the host does not know. The active model (or null) is writable (0) unless its design
 * file was opened read-only. */
int mdlModelRef_isReadOnly(DgnModelRefP modelRef);

/* ---- Failures of the design calls (the shared ones are in host/types.h) ------------------------ */
#define MDLERR_NOFENCE (-150)         /* no fence is defined */
#define MDLERR_BADELEMENT (-151)      /* no element at that file position, or a broken image */
#define MDLERR_ELEMENTTOOLARGE (-152) /* the element would exceed MAX_ELEMENT_SIZE */
#define MDLERR_NOCELLLIBRARY (-153)   /* no cell library is attached, or it cannot be read */
#define MDLERR_CELLNOTFOUND (-154)    /* the attached library has no cell of that name */
#define MDLERR_LEVELNOTFOUND (-155)   /* the model has no level of that name or identifier */
#define MDLERR_MODELREADONLY (-156)   /* the model may not be written (mdlModelRef_isReadOnly) */
#define MDLERR_NOSUCHTEXTSTYLE (-157) /* the model has no text style of that name */

/* Texts of the design (level, cell and text style names, text elements made wide) are in wide
 * characters: 16-bit code units (UTF-16), zero-terminated. The host's 8-bit texts are Latin-1. */
typedef unsigned short MSWChar;

/* ---- Models and their references -------------------------------------------------------------- */

/* Non-zero for a three-dimensional model; the host's models are two-dimensional unless the design
 * was made 3-D. A 2-D model ignores z on write and gives z = 0 on read. */
int mdlModelRef_is3D(DgnModelRefP modelRef);
/* The full path of the design file holding the model (null: the active one) into `name` (`size`
 * bytes, always terminated; cut to fit with MDLERR_TOOLARGE). "" and 0 for a new design that has
 * no file yet. MDLERR_BADARG for a null buffer or a model the host does not know. */
int mdlModelRef_getFileName(DgnModelRefP modelRef, char* name, int size);

/* The design files attached to a model as references, in attachment order. */
int mdlRefFile_getCount(DgnModelRefP parent);
/* The reference at `index` (0 to count - 1), or null. Host-owned; valid until it is detached. */
DgnModelRefP mdlRefFile_getModelRef(DgnModelRefP parent, int index);
/* Parameters of a reference, each an int (0 or 1) written to *value. */
#define REFERENCE_LOCATE 1    /* its elements can be located (picked, scanned for the user) */
#define REFERENCE_DISPLAY 4   /* it is drawn in the views */
#define REFERENCE_FILEFOUND 6 /* its file was found and read */
/* 0, or MDLERR_BADARG for a null value, an unknown parameter or a model that is no reference. */
int mdlRefFile_getParameters(void* value, int param, DgnModelRefP reference);

/* The design's work mode: what the files written must stay readable by. */
#define WORKMODE_DGN 0
#define WORKMODE_DWG 1
#define WORKMODE_V7 2
/* WORKMODE_DGN unless the session chose another (the configuration variable
 * PIXMEND_WORKMODE holds "DWG" or "V7" when the design is opened). */
int mdlSystem_getWorkmode(void);

/* ---- More active parameters (mdlParams_getActive / mdlParams_setActive) ---------------------- */
#define ACTIVEPARAM_FONT 6        /* int: the active font number */
#define ACTIVEPARAM_TEXTJUST 9    /* int: the active text justification (TEXT_JUST_...) */
#define ACTIVEPARAM_TEXTHEIGHT 10 /* double: the active text height, UORs */
#define ACTIVEPARAM_TEXTWIDTH 11  /* double: the active text width, UORs */
#define ACTIVEPARAM_ANGLE 12      /* double: the active angle, radians counter-clockwise */
/* unsigned int: the next graphic group number (from 1); a caller that takes one sets it one
 * higher. */
#define ACTIVEPARAM_GRAPHICGROUP 13
/* int: READOUT_DECIMAL or READOUT_FRACTIONAL, how coordinates are shown. */
#define ACTIVEPARAM_READOUT_FORMAT 50
/* int: the readout's accuracy byte (0-255): a decimal readout keeps its places + 1 in bits 0-2,
 * a fractional one 0, 1, 3, 7, 15 or 31 (halves to 64ths) in bits 3-7. */
#define ACTIVEPARAM_READOUT_ACCURACY 51
#define READOUT_DECIMAL 0
#define READOUT_FRACTIONAL 1

/* ---- Units, conversions and numbers ---------------------------------------------------------------
 * Design coordinates are in UORs (units of resolution); users enter distances in master units.
 * Each model has its number of UORs per master unit. */

/* *uors = masterUnits x the model's UORs per master unit (null: the active model). 0, or
 * MDLERR_BADARG for a null output or an unknown model (output untouched). */
int mdlCnv_masterUnitsToUors(double* uors, double masterUnits, DgnModelRefP modelRef);
/* The reverse: *masterUnits = uors / UORs per master unit. */
int mdlCnv_uorsToMasterUnits(double* masterUnits, double uors, DgnModelRefP modelRef);

/* Doubles as the design file stores them: 8 bytes, IEEE 754, little-endian. `fileFormat` is any
 * 8 bytes (no alignment needed). The value travels unchanged, non-finite values included. */
void mdlCnv_doubleToFileFormat(void* fileFormat, const double* value);
void mdlCnv_doubleFromFileFormat(double* value, const void* fileFormat);

/* Latin-1 to wide text and back. `length` characters of `text` (-1: up to its zero) go into `out`
 * (`outSize` units, always terminated; longer texts are cut at a whole character). A wide
 * character beyond Latin-1 becomes '?'. The number of units written without the zero, or
 * MDLERR_BADARG for null arguments or outSize < 1. */
int mdlCnv_convertMultibyteToUnicode(const char* text, int length, MSWChar* out, int outSize);
int mdlCnv_convertUnicodeToMultibyte(const MSWChar* text, int length, char* out, int outSize);

/* The host's tolerance for comparing doubles: values whose difference is at most *fc_epsilonP
 * count as equal. The pointer and the value are the host's and never change. */
extern const double* const fc_epsilonP;

/* ---- Colour palette -----------------------------------------------------------------------------
 * Every model has a palette of 256 colours (indices 0 to 255). */
typedef struct MSColorDescr MSColorDescr;

/* The descriptor of colour `index` in the palette of `modelRef` (null: the active model), host-
 * owned and valid while the design is open; null for an index outside 0 to 255. */
MSColorDescr* mdlColorPal_getColorDescr(DgnModelRefP modelRef, int index);
/* The colour's red, green and blue into *rgb. 0, or MDLERR_BADARG for a null descriptor or
 * output (then *rgb is untouched, so a caller that passes an unchecked index keeps its colour). */
int mdlColorDescr_getRgb(RgbColorDef* rgb, const MSColorDescr* descr);

/* ---- Element images in the design ------------------------------------------------------------------
 * The layout (ElementHeader, MSElement) is in host/types.h. */

/* Element types beside those of host/view/api.h (which draws cells, texts and complex shapes). */
#define APPLICATION_DATA_ELM 66 /* non-graphic: carries an application's bytes, never drawn */

/* Element classes. */
#define ELEMENT_CLASS_PRIMARY 0
#define ELEMENT_CLASS_CONSTRUCTION 2

/* The element's type, or 0 for a null or empty image. */
int mdlElement_getType(const MSElement* element);
/* The element's size in bytes (its word count x 2), or 0 for a null or broken image. */
int mdlElement_size(const MSElement* element);
/* Level, graphic group and class; each output may be null. 0, or MDLERR_BADELEMENT. */
int mdlElement_getProperties(unsigned int* level, unsigned int* graphicGroup, int* elementClass,
                             const MSElement* element);
/* Sets those a non-null pointer gives (level 1 to 63, class 0 to 7). MDLERR_BADARG for a value out of
 * range (nothing changed), MDLERR_BADELEMENT. */
int mdlElement_setProperties(MSElement* element, const unsigned int* level, const unsigned int* graphicGroup,
                             const int* elementClass);
/* Colour, weight and style as stored (by-level values included); each output may be null. */
int mdlElement_getSymbology(unsigned int* color, unsigned int* weight, int* style, const MSElement* element);
/* The same with by-level values replaced by the level's in `modelRef` (null: the active model), so
 * the results are what the element is drawn with. */
int mdlElement_getEffectiveSymbology(unsigned int* color, unsigned int* weight, int* style,
                                     const MSElement* element, DgnModelRefP modelRef);
/* Non-zero for a closed element drawn filled (a shape, complex shape or ellipse made with fill). */
int mdlElement_isFilled(const MSElement* element);

/* Modifiers of a named (custom) line style. */
typedef struct LineStyleParams {
  unsigned int modifiers; /* LINESTYLE_PARAM_... bits saying which fields below apply */
  double scale;           /* the style's pattern scale */
  double startWidth;      /* widths in UORs */
  double endWidth;
} LineStyleParams;
#define LINESTYLE_PARAM_SCALE 0x1
#define LINESTYLE_PARAM_WIDTH 0x2 /* startWidth and endWidth */

/* Gives the element line style `styleNumber` (0 to 7, a number mdlLineStyle_numberFromName gave,
 * or STYLE_BYLEVEL) with the modifiers (may be null). MDLERR_BADARG for a style the model does not
 * know (nothing changed). */
int mdlElement_setLineStyle(MSElement* element, long styleNumber, const LineStyleParams* params,
                            DgnModelRefP modelRef);

/* Copies `in` to `out` without any of its linkages (`out` may equal `in`). 0 or MDLERR_BADELEMENT. */
int mdlElement_stripAttributes(MSElement* out, const MSElement* in);

/* File positions: where an element lies in its model, never 0 for an element that is there. */

/* Adds the element to the active model (its header gets an identifier and time) and returns its
 * file position; 0 when it is refused: a broken image, one over MAX_ELEMENT_SIZE, or a read-only
 * model. The element is not displayed. Journaled on "design". */
unsigned int mdlElement_add(MSElement* element);
/* Replaces the element at `filePos` of the active model by `newElement` (`oldElement`, may be
 * null, is what the caller read there). The element's new file position, or 0 when refused. */
unsigned int mdlElement_rewrite(MSElement* newElement, const MSElement* oldElement, unsigned int filePos);
/* Deletes the element at `filePos` of the active model so that an undo brings it back; `display`
 * non-zero also erases it from the views. `element` (may be null) is what the caller read there.
 * 0, MDLERR_BADELEMENT (nothing there), MDLERR_MODELREADONLY. */
int mdlElement_undoableDelete(const MSElement* element, unsigned int filePos, int display);

/* ---- Linkages ---------------------------------------------------------------------------------------
 * The header (LinkageHeader) is in host/types.h. */
/* Sets the length in words (4 to LINKAGE_MAX_WORDS, a multiple of 4), keeping the flags. 0, or
 * MDLERR_BADARG for a length out of range (the header is then unchanged). */
int mdlLinkage_setWords(LinkageHeader* header, int words);
/* The length in words, or 0 for a null header. */
int mdlLinkage_getWords(const LinkageHeader* header);
/* Appends a linkage to the element image in memory: the header, then (words x 2 - 4) bytes of
 * `data`. `options` must be null. 0; MDLERR_ELEMENTTOOLARGE when the element would exceed
 * MAX_ELEMENT_SIZE; MDLERR_BADARG for a bad header; the element is then unchanged. */
int mdlLinkage_appendToElement(MSElement* element, const LinkageHeader* header, const void* data,
                               const void* options);
/* The first linkage with that primary identifier: copied whole (header included) into
 * `linkageOut` (may be null; room for MAX_ELEMENT_SIZE bytes) and its place in the element
 * returned; null when the element has none. */
const void* mdlLinkage_extractFromElement(void* linkageOut, const MSElement* element, int primaryId);

/* ---- Element descriptors ---------------------------------------------------------------------------
 * A descriptor holds an element read from or made for a design, with its components when it is a
 * complex element (cell, text node, complex shape): a chain of nodes, each with its element
 * image, its next node, and for a complex header its first component. Descriptors belong to the
 * caller, who frees the chain with mdlElmdscr_freeAll (components go with their header). */
typedef struct MSElementDescr MSElementDescr;

/* Node access. mdlElmdscr_getElement gives the node's image in place (writable; it holds the
 * element's own size, which a change must not exceed). Each gives null (0) for a null node. */
MSElement* mdlElmdscr_getElement(MSElementDescr* descr);
MSElementDescr* mdlElmdscr_next(const MSElementDescr* descr);
MSElementDescr* mdlElmdscr_firstComponent(const MSElementDescr* descr);
MSElementDescr* mdlElmdscr_parent(const MSElementDescr* descr);
/* Where the element was read from (0 for an element made in memory) and its model. */
unsigned int mdlElmdscr_getFilePos(const MSElementDescr* descr);
DgnModelRefP mdlElmdscr_getModelRef(const MSElementDescr* descr);

/* A new one-node descriptor holding a copy of `element` into *descrOut. 0; MDLERR_BADELEMENT;
 * MDLERR_INSFMEMORY. */
int mdlElmdscr_new(MSElementDescr** descrOut, const MSElement* element);
/* Appends a copy of `element` to the descriptor: as the last component when `descr` is a complex
 * header, else as the last node of its chain. 0, MDLERR_BADELEMENT, MDLERR_INSFMEMORY. */
int mdlElmdscr_appendElement(MSElementDescr* descr, const MSElement* element);
/* Appends the chain `toAppend` the same way; it then belongs to `descr`. */
int mdlElmdscr_appendDscr(MSElementDescr* descr, MSElementDescr* toAppend);
/* A deep copy into *copyOut. */
int mdlElmdscr_duplicate(MSElementDescr** copyOut, const MSElementDescr* descr);
/* Frees the chain and sets *descrP to null (a null chain is fine). */
void mdlElmdscr_freeAll(MSElementDescr** descrP);

/* Reads the element at `filePos` of `modelRef` (null: the active model) with its components into
 * a new descriptor. The position read (non-zero), or 0 when nothing can be read there; *descrOut
 * is then null. `reserved`: pass 0. */
unsigned int mdlElmdscr_read(MSElementDescr** descrOut, unsigned int filePos, DgnModelRefP modelRef,
                             int reserved);
/* Adds the descriptor's element(s) to the active model; its file position, or 0 when refused. */
unsigned int mdlElmdscr_add(MSElementDescr* descr);
/* Replaces the element at `filePos` by the descriptor (as mdlElement_rewrite). */
unsigned int mdlElmdscr_rewrite(MSElementDescr* newDescr, const MSElementDescr* oldDescr,
                                unsigned int filePos);
/* As mdlElement_undoableDelete, for the whole complex element at `filePos`. */
int mdlElmdscr_undoableDelete(const MSElementDescr* descr, unsigned int filePos, int display);

/* Makes the descriptor consistent for `modelRef` (null: the active model): word counts, header
 * ranges and a complex header's range and component count follow its components. 0 or
 * MDLERR_BADELEMENT. */
int mdlElmdscr_validate(MSElementDescr* descr, DgnModelRefP modelRef);
/* The range of every node and component: lowest and highest coordinates (z 0 in 2-D).
 * MDLERR_BADARG for a null argument or an empty descriptor (outputs untouched). */
int mdlElmdscr_computeRange(DPoint3d* low, DPoint3d* high, const MSElementDescr* descr);
/* Applies `transform` (host/types.h) to every coordinate, in place; text sizes and cell scales
 * follow the transform's scale. */
int mdlElmdscr_transform(MSElementDescr* descr, const Transform* transform);

/* Visits the descriptor's nodes, header before components, in order. The function returns 0 to
 * go on; anything else ends the walk, which then returns that value (0 when it went through). */
typedef int (*ElmdscrOperationFunc)(MSElementDescr* node, void* params);
int mdlElmdscr_operation(MSElementDescr* descr, ElmdscrOperationFunc function, void* params);

/* Strokes the descriptor's element (its first node; a complex one as a whole, a cell as its
 * components' outlines one after another) into points no further than `tolerance`
 * (design units) from its curves, in the current coordinate system (mdlCurrTrans_..., view
 * group). The points go to a new block in *points (the caller releases it with dlmSystem_mdlFree)
 * and their number to *numPoints. 0; MDLERR_BADELEMENT for an element that has no outline (text,
 * non-graphic); MDLERR_INSFMEMORY; MDLERR_BADARG for a tolerance that is not positive. */
int mdlElmdscr_stroke(DPoint3d** points, int* numPoints, const MSElementDescr* descr, double tolerance);

/* Displays the descriptor in every view, as mdlElement_display does (journaled). */
int mdlElmdscr_display(const MSElementDescr* descr, DgnModelRefP modelRef, int drawMode);

/* Draws the descriptor into `rect` (pixels) of the dialog window `window` (MSWindow,
 * host/dialog/api.h), as seen with `rotation` (view coordinates = rotation x design; null: the
 * top view), the part of the design from `origin` to `origin + delta` (view coordinates) filling
 * the rectangle. `viewFlags` (host/view/api.h) null draws with word 0 = VIEWFLAGS_DEFAULT;
 * `drawMode` as for mdlElement_display; colours from the model's palette. 0, or MDLERR_BADARG
 * for an unknown window or a bad rectangle. */
int mdlElmdscr_displayToWindow(struct MSDialog* window, const BSIRect* rect, const ViewFlags* viewFlags,
                               const MSElementDescr* descr, const RotMatrix* rotation, const DPoint3d* origin,
                               const DPoint3d* delta, int drawMode);

/* ---- Changing elements through a function -----------------------------------------------------------
 * A modify function gets each element in turn and says what becomes of it. */
#define MODIFY_STATUS_NOCHANGE 0     /* leave the element as it was */
#define MODIFY_STATUS_REPLACE 1      /* keep the changes made to the image in place */
#define MODIFY_STATUS_ERROR 2        /* the change failed: leave the element as it was */
#define MODIFY_STATUS_REPLACEDSCR 16 /* replace the element by *newDescrP, which then belongs to the host */
typedef int (*ElementModifyFunc)(MSElement* element, void* params, DgnModelRefP modelRef,
                                 MSElementDescr* node, MSElementDescr** newDescrP);
/* Runs the function on every node of the descriptor in memory (header before components) and
 * applies its answers there (a replacement is not visited; an unknown answer counts as ERROR).
 * 0; MDLERR_BADARG; MDLERR_BADELEMENT when a change answered with REPLACE left a broken image,
 * which then gets its old image back. */
int mdlModify_elementDescr(MSElementDescr** descrP, ElementModifyFunc function, void* params);
/* Runs it on the element at `filePos` of `modelRef` and its components, and rewrites the element
 * in the design when any answer changed it. 0, MDLERR_BADELEMENT, MDLERR_MODELREADONLY. */
int mdlModify_elementSingle(DgnModelRefP modelRef, unsigned int filePos, ElementModifyFunc function,
                            void* params);

/* ---- Scanning ---------------------------------------------------------------------------------------
 * A scan criteria selects elements of one model by type, level and class and hands out, in file
 * order, either their file positions in batches or each as a descriptor to a function. Without
 * any type or level test every element passes. The criteria belongs to the caller. */
typedef struct ScanCriteria ScanCriteria;

#define SCAN_RETURN_FILEPOS 1  /* mdlScanCriteria_scan fills the caller's buffer with file positions */
#define SCAN_RETURN_CALLBACK 2 /* mdlScanCriteria_scan calls the element function for each element */

#define SCAN_STATUS_END 10         /* every element has been handed out */
#define SCAN_STATUS_BUFFER_FULL 11 /* the buffer is full; the next call goes on after its last position */

/* Null when memory cannot be had. */
ScanCriteria* mdlScanCriteria_create(void);
int mdlScanCriteria_free(ScanCriteria* criteria);
/* The model to scan (null: the active model). */
int mdlScanCriteria_setModel(ScanCriteria* criteria, DgnModelRefP modelRef);
/* Lets elements of `type` pass; call once per type wanted. */
int mdlScanCriteria_addElementType(ScanCriteria* criteria, int type);
/* Lets elements on the levels of the mask pass: level L is bit (L % 16) of levelMask[L / 16];
 * `maskWords` words are given (4 cover every level). */
int mdlScanCriteria_setLevelTest(ScanCriteria* criteria, const unsigned short* levelMask, int maskWords);
/* Lets elements of the classes in the mask pass: class C is bit C. */
int mdlScanCriteria_setClassTest(ScanCriteria* criteria, unsigned int classMask);
/* SCAN_RETURN_FILEPOS or SCAN_RETURN_CALLBACK. `singleElements` non-zero hands out the components
 * of complex elements one by one (as file positions of their own); 0 only the headers. */
int mdlScanCriteria_setReturnType(ScanCriteria* criteria, int returnType, int singleElements);
/* The element function of SCAN_RETURN_CALLBACK: it gets a descriptor the host frees after the
 * call; non-zero ends the scan. */
typedef int (*ScanElementFunc)(MSElementDescr* descr, void* userArgument, ScanCriteria* criteria);
int mdlScanCriteria_setElmDscrCallback(ScanCriteria* criteria, ScanElementFunc function, void* userArgument);
/* Scans. SCAN_RETURN_FILEPOS: *bufferWords says the buffer's size in 16-bit words on entry and
 * the words filled on return (2 per position); returns SCAN_STATUS_BUFFER_FULL when it filled the
 * buffer, SCAN_STATUS_END when the model had no more. SCAN_RETURN_CALLBACK: `positions` and
 * `bufferWords` may be null; returns SCAN_STATUS_END, or the function's non-zero answer that ended
 * the scan. Elements added while a scan runs are not handed out by it; deleted ones are skipped.
 * MDLERR_BADARG for an unknown model or a missing buffer or function. Each criteria's scan goes on
 * from where its last call stopped; setModel starts it over. */
int mdlScanCriteria_scan(ScanCriteria* criteria, unsigned int* positions, int* bufferWords);

/* ---- Levels ------------------------------------------------------------------------------------------ */

/* The level's element symbology (what by-level values of its elements mean) into the outputs
 * (each may be null). 0, MDLERR_LEVELNOTFOUND (outputs untouched). */
int mdlLevel_getElementSymbology(unsigned int* color, unsigned int* weight, int* style, DgnModelRefP modelRef,
                                 unsigned int levelId);
/* Sets it; a null pointer keeps that value. */
int mdlLevel_setElementSymbology(DgnModelRefP modelRef, unsigned int levelId, const unsigned int* color,
                                 const unsigned int* weight, const int* style);
/* The level's override symbology (used when the views are set to draw by level), set the same way. */
int mdlLevel_setOverrideSymbology(DgnModelRefP modelRef, unsigned int levelId, const unsigned int* color,
                                  const unsigned int* weight, const int* style);
/* The identifier of the level named `name` (case-insensitive) in the model. 0, MDLERR_LEVELNOTFOUND. */
int mdlLevel_getIdFromName(unsigned int* levelId, DgnModelRefP modelRef, const MSWChar* name);
/* The same in the host's level library (levels offered to every design, taken into the model when
 * used): the level is then created in the active model and its identifier given. */
int mdlLevel_getIdFromLibrary(unsigned int* levelId, const MSWChar* name);
/* Creates a level named `name` with the next free identifier. 0; MDLERR_BADARG for an empty or
 * known name; MDLERR_TOOLARGE when all 63 levels are in use; MDLERR_MODELREADONLY. */
int mdlLevel_create(unsigned int* levelId, DgnModelRefP modelRef, const MSWChar* name);
/* The level's name into `name` (`size` units, always terminated). 0, MDLERR_LEVELNOTFOUND. */
int mdlLevel_getName(MSWChar* name, int size, DgnModelRefP modelRef, unsigned int levelId);
/* The identifiers of the model's levels in ascending order, at most `maxIds` of them; the count of
 * all levels (so a call with maxIds 0 sizes the array). */
int mdlLevel_getIds(unsigned int* ids, int maxIds, DgnModelRefP modelRef);
/* Writes the model's level table to the design, so that changed levels are kept. */
int mdlLevelTable_rewrite(DgnModelRefP modelRef);

/* Rows of the host's symbology lists: colours 0-255 ("0" to "255"), weights 0-31 or the line
 * styles (as mdlLevelList_getStyleListModel gives them). Cell 0 of each row holds the text and
 * the number as long value. */
#define SYMBOLOGY_LIST_COLOR 1
#define SYMBOLOGY_LIST_STYLE 2
#define SYMBOLOGY_LIST_WEIGHT 4
int mdlLevelList_getSymbologyListModel(ListModel* listModel, int kind, DgnModelRefP modelRef);

/* ---- Text ---------------------------------------------------------------------------------------------
 * Justifications: L, C, R (left, centre, right) and T, C, B (top, centre, bottom) of the text's
 * box; the margin justifications keep a column of texts aligned on their left or right edge. */
#define TEXT_JUST_LT 0
#define TEXT_JUST_LC 1
#define TEXT_JUST_LB 2
#define TEXT_JUST_LMT 3
#define TEXT_JUST_LMC 4
#define TEXT_JUST_LMB 5
#define TEXT_JUST_CT 6
#define TEXT_JUST_CC 7
#define TEXT_JUST_CB 8
#define TEXT_JUST_RMT 9
#define TEXT_JUST_RMC 10
#define TEXT_JUST_RMB 11
#define TEXT_JUST_RT 12
#define TEXT_JUST_RC 13
#define TEXT_JUST_RB 14
#define TEXT_JUST_ACTIVE (-1) /* creation: the active justification */

/* Size of one character box, UORs. */
typedef struct TextSize {
  double width;
  double height;
} TextSize;

typedef struct TextParam {
  int font;            /* font number */
  int justification;   /* TEXT_JUST_... */
  double lineSpacing;  /* UORs between the lines of a text node */
  int viewIndependent; /* non-zero: drawn upright in every view */
  int reserved;
} TextParam;

/* Builds a text element in `out` from `text` at `origin` (its justification point) turned by
 * `rotation` (null: unturned), with `size` and `params` (null: the active ones). A template
 * element (may be null, may be `out` itself) gives level and symbology. 0;
 * MDLERR_OUTOFDESIGNPLANE; MDLERR_ELEMENTTOOLARGE for a text the element cannot hold within
 * MAX_ELEMENT_SIZE; MDLERR_BADARG for a null text or output or an empty text; the output is then
 * untouched. */
int mdlText_create(MSElement* out, const MSElement* templ, const char* text, const DPoint3d* origin,
                   const RotMatrix* rotation, const TextSize* size, const TextParam* params,
                   DgnModelRefP modelRef);
/* The same from wide text. */
int mdlText_createWide(MSElement* out, const MSElement* templ, const MSWChar* text, const DPoint3d* origin,
                       const RotMatrix* rotation, const TextSize* size, const TextParam* params,
                       DgnModelRefP modelRef);
/* Reads a text element; every output may be null. `text` gets the string (`textSize` bytes,
 * always terminated, Latin-1); `shape` gets the five corners of the text's box, closed: lower
 * left, lower right, upper right, upper left, lower left again (so shape[0] to shape[1] runs
 * along the text and shape[1] to shape[2] is its height). Coordinates are in the current
 * coordinate system (mdlCurrTrans_..., view group). 0, or MDLERR_BADELEMENT for anything but a
 * text element. */
int mdlText_extract(char* text, int textSize, DPoint3d* origin, RotMatrix* rotation, TextSize* size,
                    TextParam* params, DPoint3d* shape, const MSElement* element);
/* A new text node in *nodeOut holding one text element per line of `text` (lines end at line
 * feeds), the first line at `origin`, each next one the character height plus
 * `params->lineSpacing` lower (in the text's own direction; an empty line keeps its place and has
 * no element); level and symbology from `templ` (may be null). 0; MDLERR_BADARG (no line with a
 * character); MDLERR_ELEMENTTOOLARGE (a line over 512 characters); the output is then null. */
int mdlText_addStringsToNodeDscr(MSElementDescr** nodeOut, const char* text, const MSElement* templ,
                                 const DPoint3d* origin, const RotMatrix* rotation, const TextSize* size,
                                 const TextParam* params);
/* Cleans a text in place and cuts it to at most `maxLength` characters. Option bits: */
#define TEXT_COMPRESS_LEADING 1  /* drop blanks at the start */
#define TEXT_COMPRESS_INNER 2    /* runs of blanks inside become one blank */
#define TEXT_COMPRESS_CONTROL 4  /* drop control characters (below 32) */
#define TEXT_COMPRESS_TRAILING 8 /* drop blanks at the end */
/* The new length, or MDLERR_BADARG for a null text or maxLength < 0. */
int mdlText_compressString(char* text, int maxLength, int options);

/* Text styles: the settings of the model's style `name` (case-insensitive). 0 with the outputs
 * set (each may be null), or MDLERR_NOSUCHTEXTSTYLE with them untouched. */
int mdlTextStyle_getByName(TextParam* params, TextSize* size, const MSWChar* name, DgnModelRefP modelRef);

/* ---- Cells and cell libraries ---------------------------------------------------------------------------
 * One cell library at a time is attached to the design: a design file whose models are the cells
 * (a model's name and description are the cell's). */

/* Attaches the cell library `fileName` (configuration variables expanded; default extension
 * "cel"; a name without '/' looked for along `cfgVar`, may be null, as mdlFile_find does) and
 * gives its full path in `foundName` (MAXFILELENGTH bytes; may be null). `reserved`: pass 0.
 * 0; MDLERR_FILENOTFOUND; MDLERR_NOCELLLIBRARY when it is no cell library (the old one stays). */
int mdlCell_attachLibraryEx(char* foundName, const char* fileName, const char* cfgVar, int reserved);
/* The attached library's full path ("" and MDLERR_NOCELLLIBRARY when none). */
int mdlCell_getLibraryFileName(char* name, int size);
/* The number of cells (models) of the attached library, -1 when none is attached or it cannot
 * be read. */
int mdlCell_getLibraryCellCount(void);
/* The name and description of cell `index` (0 to count - 1); outputs (sizes in units) may be null. */
int mdlCell_getLibraryCell(MSWChar* name, int nameSize, MSWChar* description, int descriptionSize, int index);

/* Cell reading flags of mdlCell_getElmDscr. */
#define CELL_READ_AS_STORED 1 /* at the library's own coordinates, unscaled and unturned */
/* Reads the cell `cellName` (case-insensitive) of the attached library into a new descriptor (a
 * cell header with its components) in *descrOut. `cellFlag` as above (other values read it the
 * same way). 0; MDLERR_NOCELLLIBRARY; MDLERR_CELLNOTFOUND; MDLERR_ELEMENTTOOLARGE for a cell of
 * more than 20000 elements; *descrOut is then null. */
int mdlCell_getElmDscr(MSElementDescr** descrOut, const MSWChar* cellName, int cellFlag);

/* A cell header's name and description (at most 512 units each, terminated); outputs sized in
 * units. MDLERR_BADELEMENT for anything but a cell header. */
int mdlCell_extractName(MSWChar* name, int size, const MSElement* cellHeader);
int mdlCell_extractDescription(MSWChar* description, int size, const MSElement* cellHeader);
int mdlCell_setName(MSElement* cellHeader, const MSWChar* name);
int mdlCell_setDescription(MSElement* cellHeader, const MSWChar* description);
/* The cell's origin and rotation (cell to design); outputs may be null. */
int mdlCell_extract(DPoint3d* origin, RotMatrix* rotation, const MSElement* cellHeader);
/* Sets the cell's origin (z ignored in a 2-D model) without moving its components. */
int mdlCell_setOrigin(MSElement* cellHeader, const DPoint3d* origin, DgnModelRefP modelRef);

/* ---- Fences ---------------------------------------------------------------------------------------------
 * The fence: one closed polygon in design coordinates, defined in a view. */

/* The fence as a shape element (no level, symbology 0) in `shape`. Without a fence:
 * MDLERR_NOFENCE and `shape` holds a shape with no vertices, so a caller that goes on to take
 * its vertices finds none. */
int mdlFence_toShape(MSElement* shape);
/* Makes the closed element `shape` (a shape, or a line string whose ends meet) the fence of
 * `view`. 0, or MDLERR_BADARG. */
int mdlFence_fromShape(const MSElement* shape, int view);
/* Removes the fence; `redisplay` non-zero erases it from the views. */
void mdlFence_clear(int redisplay);

/* The vertices of a linear element (line, line string, shape) in `modelRef`: into `points`
 * (room for MAX_VERTICES) and their number into *numPoints; an element with no vertices gives 0.
 * 0, or MDLERR_BADELEMENT for another type (*numPoints = 0). */
int mdlLinear_extract(DPoint3d* points, int* numPoints, const MSElement* element, DgnModelRefP modelRef);

#ifdef __cplusplus
}
#endif

#endif
