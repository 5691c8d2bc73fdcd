/* vxlib: the families on design elements: title blocks (Project), forms (MatList), element
 * attribute definitions (ElmAttr), descriptors (ElemDscr), elements (Element) and cells (Cell).
 * Part of the library's interface: include "pixmend/vxlib.h", which includes this header. */
#ifndef PIXMEND_VXLIB_ELEMENTS_H
#define PIXMEND_VXLIB_ELEMENTS_H

#include "pixmend/vxlib.h"

PIXMEND_BEGIN_C

/* ---- Project: project and page information in the design file -------------------------------
 *
 * The project record (1603 bytes) and the page record (2115 bytes) are the title block's fields,
 * zero-terminated strings in fixed-width arrays (see vxlib/services/project/records.hpp); the
 * shared copies are published to the dialogs as vxlibpd and vxlibsd. In the design file the
 * project is one application data element of type 101, each page one of type 110 named by its
 * page name (compared byte for byte, letter case counts); format version 3 is written, 1 to 3
 * (project) and 2 to 3 (page) are read. Deletions are undoable. */

/* Clears the record, then reads every project element of the active model into it (the last
 * wins; an element of an unknown version is reported, message 11 of list 20005, and skipped).
 * Returns the number of project elements found. */
PIXMEND_API int vxlibProject_readProjectInfoFromDesignFile(void *projectRecord);
/* Replaces the project elements of the active model by one holding the record. 0, or 0x8000
 * when the element could not be added (message 12 of list 20005; the old ones are gone). */
PIXMEND_API int vxlibProject_writeProjectInfoToDesignFile(const void *projectRecord);
/* Clears the record, puts `pageName` in its lookup slot (offset 436) and copies in the stored
 * page of that name, if any. Returns the number of page elements in the model; when there is at
 * least one, status message 6 of list 20003 is shown. */
PIXMEND_API int vxlibProject_readPageInfoFromDesignFile(void *pageRecord, const char *pageName);
/* Replaces the stored page of the record's page name by the record. 0 or 0x8000 (as above). */
PIXMEND_API int vxlibProject_writePageInfoToDesignFile(const void *pageRecord);
/* With `keepList` (null-terminated page names): deletes every stored page not named in it; else
 * with `pageName`: the pages of that name; else every page. Returns the page elements visited.
 * A page element that cannot be read is deleted only when every page is. */
PIXMEND_API int vxlibProject_deletePageInfoFromDesignFile(const char *pageName, const char *const *keepList);
/* Opens the project dialog (20008); 0, or 0x8000 when it could not be opened. */
PIXMEND_API int vxlibProject_dialogOpen(void);
/* Reads the project record and the record of the current page (the page being built by the
 * print family) from the design file into the shared blocks and inserts their values into
 * `formData` as strings: the project's under "kost" 0-4, "pron", "pros" 0-4, "UNav", "USig",
 * "UDat", "SSig", "SNav", "SDat", "RSig", "RNav", "RDat", "tegn" 0-9; then, when the page is
 * stored, its non-empty values under "pros" 1-4, the signature keys, "tegn" 0-9, "kopo" 0-19 and
 * "revs", replacing the project's. The form's key length must be 4. 0, or 0x8000 (null form). */
PIXMEND_API int vxlibProject_insertProjectData(VxlibFormData *formData);

/* ---- MatList: form data arrays and material-list pages -----------------------------------------
 *
 * A form data array holds values under keys (at most the array's key length in characters,
 * compared exactly and case-sensitively), each key with the array's value count of indexed
 * slots. Types: 1 double, 2 int, 3 string (a copy is kept, at most 1023 characters), 4
 * character, 5 callback (called when a template names the key). The array owns everything in it.
 *
 * Templates: '%%' is one '%'; a reference is '%', then in indexed mode an index from 1 and '%',
 * then an optional printf part of flags, width and precision (each number at most 511; any
 * other part formats the value plainly), then the key at exactly the key length ("%-10pron",
 * "%3%.2fkost"). A reference to a key or slot without a value gives nothing. */

/* A new array (free it with vxlibMatList_destroyFormDataArray), or null for a key length outside
 * 1-255, a value count outside 1-65536, or exhausted memory (message 14 of list 20005). */
PIXMEND_API VxlibFormData *vxlibMatList_createFormDataArray(int keyLength, int valueCount);
/* Frees the array and every value in it; returns null. */
PIXMEND_API VxlibFormData *vxlibMatList_destroyFormDataArray(VxlibFormData *array);
/* Stores one value at `index` (0 to value count - 1) under `key`, adding the key with `type` when
 * it is new. The value: type 1 a double, 2 an int, 3 a const char *, 4 a const char * to one
 * character, 5 the function (void *), the user value (void *) and an int, non-zero when the
 * function is native code (else the host calls it as an interpreted application's). Returns 0;
 * 1 for a null array or key (or exhausted memory); 2 for a bad index; 3 for a type the key does
 * not have (nothing stored) or an unknown type (the index is marked and holds nothing). */
PIXMEND_API int vxlibMatList_insertValue(VxlibFormData *array, const char *key, int type, int index, ...);
/* Expands `templateText` into `output`, which must hold 1024 bytes (a longer expansion is cut).
 * `indexed` non-zero reads indexes ("%2%kost" is slot 1). `descriptorOut` (may be null) is set
 * to null, and a callback key may put a descriptor there; `width` and `height` go to the
 * callback. Returns 0 after a bad index (message 15 of list 20005: index 0, or beyond the value
 * count), 5 when a callback key ended the expansion, else the type of the last key that matched
 * (3 when none did). */
PIXMEND_API int vxlibMatList_generateFormatedText(const char *templateText, VxlibFormData *array, char *output,
                                                  MSElementDescr **descriptorOut, double width, double height,
                                                  int indexed);
/* The path's parts under `key` as strings: 0 the device and ":" ("" without one), 1 the
 * directory with every '%' doubled, 2 the name, 3 "." and the extension, 4 name and extension. */
PIXMEND_API void vxlibMatList_insertFileName(const char *path, const char *key, VxlibFormData *array);
/* The active design's path under "file" (as above); now, local, under "date" (0 day, 1 day two
 * digits, 2 weekday name, 3 month name, 4 month, 5 month two digits, 6 year, 7 year two digits)
 * and "time" (0/1 hour, 2/3 minute, 4/5 second, plain and two digits). */
PIXMEND_API void vxlibMatList_insertSystemData(VxlibFormData *array);
/* The calling application's page scale: the scale at which the last page cell fit the printable
 * area of the print set-up. */
PIXMEND_API double *vxlibMatList_getCurrentPageScaleP(void);
/* Non-zero: vxlibMatList_generatePageElementDescr sends the form to the open spreadsheet
 * conversation instead of building a page. */
PIXMEND_API void vxlibMatList_setExportToExcel(int flag);
/* Inserts under "LOGO", index 0, a callback that reads the cell "LOGO" of "logo.cel" (attached
 * when needed, read as stored) into the template's descriptor output; the Ext form names the
 * cell and library, kept for every array (the last call wins). */
PIXMEND_API void vxlibMatList_insertLogo(VxlibFormData *array);
PIXMEND_API void vxlibMatList_insertLogoExt(VxlibFormData *array, const char *cellName, const char *cellLibrary);
/* Builds a page: in spreadsheet mode the form is sent to the open conversation instead (0, or
 * 0x8000 for a null form). Otherwise the cell library is attached when needed (-2 when it cannot
 * be), the cell `cellName` read (`cellFlag` as for the host's cell reading; -1 when not found),
 * the page scale set to the scale at which the cell fits the printable area of the print set-up,
 * every text element rewritten (below), the range set in the active model; 0 with the page in
 * *descriptorOut (the caller's). Text rewrite: the string is expanded in indexed mode with the
 * text's box width and height; a bad index leaves the text; a callback's descriptor is placed in
 * the text's box and replaces it; several lines become a text node (line spacing half the text
 * height); an empty result becomes one space. */
PIXMEND_API int vxlibMatList_generatePageElementDescr(const char *cellName, const char *cellLibrary,
                                                      MSElementDescr **descriptorOut, VxlibFormData *array,
                                                      int cellFlag);
/* Rewrites, as above, every text element of the model (null: the active one) on the levels of
 * `levelMask` (4 words, bit n of word n / 16 for level n; null: every level) in the design.
 * 0, or 0x8000 when no scan could be made. */
PIXMEND_API int vxlibMatList_changeTextInMasterFile(VxlibFormData *array, const unsigned short *levelMask,
                                                    DgnModelRef *modelRef);

/* ---- ElmAttr: element attribute definitions ----------------------------------------------------
 * An application describes the kinds of elements it draws as definitions: a label, a group, a
 * kind (1 symbology only, 2 icon choice, 3 icon choice with a size, 4 text, 5 icon choice with a
 * size and a free text, 6 text with a free text, 7 text with a choice list) and a settings block
 * saying which symbology and text settings the element gets (bits of `mask`). The definitions
 * live in the calling application's global data block, in the order of creation. Identifiers
 * are unique within the application. Texts and arrays given to these calls are copied. */

/* The settings block: 1424 bytes, stored in resource files at offset 48 of a 1480-byte image.
 * Offsets in the comments are from the start of the block; packed to 4 bytes so that the text
 * style name (44 bytes) and the icon choice with its size share their place exactly. */
#pragma pack(push, 4)
typedef struct VxlibElmAttrSettings {
  int color;                     /*    0 mask 0x1: -1 by level */
  int lineStyle;                 /*    4 mask 0x2: 0 to 7 or a design's number; 0x7FFFFFFF by level;
                                            negative: the custom style named in lineStyleName, -n
                                            when the design numbers it n */
  int weight;                    /*    8 mask 0x4: -1 by level */
  unsigned short levelName[512]; /*   12 mask 0x8: wide, zero-terminated */
  int elementClass;              /* 1036 mask 0x10: 0 primary, other construction */
  int mask;                      /* 1040 which settings are applied */
  int reserved;                  /* 1044 carried along */
  double lineStyleScale;         /* 1048 mask 0x1000 */
  double lineStyleWidth;         /* 1056 mask 0x800: start and end width */
  char lineStyleName[64];        /* 1064 mask 0x2 with a negative lineStyle */
  union {
    unsigned short textStyleName[22]; /* 1128 kinds 1, 4, 6, 7, mask 0x4000 */
    struct {
      int value;                 /* 1128 kinds 2, 3, 5: the icon choice */
      int unused;
      double size;               /* 1136 kinds 3, 5 */
    } icon;
  } choice;
  char freeText[120];            /* 1172 kinds 5, 6 */
  int font;                      /* 1292 mask 0x20 */
  double textWidth;              /* 1296 mask 0x40 */
  double textHeight;             /* 1304 mask 0x40 */
  int justification;             /* 1312 mask 0x80: 0 LT, 1 LC, 2 LB, 6 CT, 7 CC, 8 CB, 12 RT, 13 RC, 14 RB */
  int unused2;
  double lineSpacing;            /* 1320 mask 0x40: a factor of the text height */
  double unused3;
  union {
    double angle;                /* 1336 kind 4, mask 0x2000: degrees */
    char text[84];               /* 1336 kinds 6, 7: the application's string */
  } extra;
  int kind7Value;                /* 1420 kind 7: the application's integer */
} VxlibElmAttrSettings;
#pragma pack(pop)

#define VXLIB_ELMATTR_COLOR 0x1
#define VXLIB_ELMATTR_STYLE 0x2
#define VXLIB_ELMATTR_WEIGHT 0x4
#define VXLIB_ELMATTR_LEVEL 0x8
#define VXLIB_ELMATTR_CLASS 0x10
#define VXLIB_ELMATTR_FONT 0x20
#define VXLIB_ELMATTR_SIZE 0x40
#define VXLIB_ELMATTR_JUSTIFICATION 0x80
#define VXLIB_ELMATTR_STYLEWIDTH 0x800
#define VXLIB_ELMATTR_STYLESCALE 0x1000
#define VXLIB_ELMATTR_ANGLE 0x2000
#define VXLIB_ELMATTR_TEXTSTYLE 0x4000

/* What a definition's change callback gets (through the host, signature "P"): reason 1 settings
 * changed, 2 selected in the dialog, 3 shown, 4 left. The record lives for the call only. */
typedef struct VxlibElmAttrChange {
  int reason;
  int attributeId;
  int groupKey;
  const char *label;
  int kind;
  MSDialog *dialog;
  VxlibElmAttrSettings settings;
} VxlibElmAttrChange;
typedef void (*VxlibElmAttrCallback)(VxlibElmAttrChange *change);
/* A group's callback: called without arguments after each edit made through the dialog's push
 * buttons on a definition of the group. */
typedef void (*VxlibElmAttrGroupCallback)(void);

/* Group flag: the group has a menu bar in the dialog and its definitions carry no change callback. */
#define VXLIB_ELMATTR_GROUP_MENUBAR 4

/* Frees the groups and every definition, then keeps `count` groups given as triples (name, key,
 * flags) — the first in the named arguments, the others following — or, for the extended form,
 * quadruples (name, key, flags, callback). 0, or 0x8000 for a negative count or no memory. */
PIXMEND_API int vxlibElmAttr_setGroupeNames(int count, const char *name, int key, int flags, ...);
PIXMEND_API int vxlibElmAttr_setGroupeNamesExtended(int count, const char *name, int key, int flags,
                                                    VxlibElmAttrGroupCallback callback, ...);
PIXMEND_API void vxlibElmAttr_freeGroupeNames(void);
/* Appends a definition. The arguments after `settings` by kind: 2 and 3: count, then count pairs
 * (int icon identifier, int value); 5: int maximum length, const char *label, then as kind 2;
 * 6: int maximum length, const char *label; 7: const char *label, count, then count pairs
 * (const char *choice label, int value). The callback is kept when the group is known and has no
 * menu bar. `settings` may be null (all zero). 0, or 0x8000 for a kind outside 1 to 7, an
 * identifier that is not above 0 or already used, a negative count, or no memory. */
PIXMEND_API int vxlibElmAttr_addAttribute(int attributeId, const char *label, int groupKey, int kind,
                                          int lockedMask, VxlibElmAttrCallback callback, int refresh,
                                          const VxlibElmAttrSettings *settings, ...);
/* Inserts before `attributeId` a copy of it with the next free identifier, the group of the
 * dialog's edit copy (the copied definition's when nothing is being edited), the new label,
 * locked mask and settings (null: the copied definition's). 0, or 0x8000. */
PIXMEND_API int vxlibElmAttr_insertAttribute(int attributeId, const char *label, int lockedMask,
                                             const VxlibElmAttrSettings *settings);
PIXMEND_API int vxlibElmAttr_editAttribute(int attributeId, int refresh, const VxlibElmAttrSettings *settings);
PIXMEND_API int vxlibElmAttr_editAttributeExtended(int attributeId, int refresh, const VxlibElmAttrSettings *settings,
                                                   VxlibElmAttrCallback callback);
PIXMEND_API int vxlibElmAttr_deleteAttribute(int attributeId, int refresh);
PIXMEND_API void vxlibElmAttr_freeAllAttribute(void);
/* Copies the settings block out (when `settingsOut` is not null). */
PIXMEND_API int vxlibElmAttr_extractData(int attributeId, VxlibElmAttrSettings *settingsOut);
/* Copies the label into `labelOut` (80 bytes; a longer label is cut). */
PIXMEND_API int vxlibElmAttr_getLabelFromId(int attributeId, char *labelOut);
/* The identifier of the group's first definition with exactly this label, or 0. */
PIXMEND_API int vxlibElmAttr_findIdForAttributeName(const char *label, int groupKey);
/* Fills option button `optionButtonItem` (an item identifier) of the dialog with the labels of the
 * group's definitions (values: identifiers); a selected identifier not among them becomes the
 * group's first (the item's own identifier for an empty group). 0, or 0x8000 without the item. */
PIXMEND_API int vxlibElmAttr_insertOptionButton(MSDialog *dialog, int optionButtonItem, int groupKey,
                                                int *selectedIdInOut);
/* Applies the settings whose mask bits are set to the element (colour, line style, weight, level
 * by name, class) and copies them out when asked. 0, or 0x8000 for an unknown identifier. */
PIXMEND_API int vxlibElmAttr_setSymbologyAndProperties(MSElement *element, int attributeId,
                                                       VxlibElmAttrSettings *settingsOut);
/* Registers for index 1 to 10 the wide level name (512 characters) that the level chooser opened
 * from level button with that argument edits instead of the edit copy's; null forgets it. */
PIXMEND_API int vxlibElmAttr_setLevelNameVariable(int index, unsigned short *levelName);
/* One 'VxA3' resource per definition (identifier = attribute identifier). */
PIXMEND_API int vxlibElmAttr_writeResource(const char *fileName);
PIXMEND_API int vxlibElmAttr_writeResourceByHandle(RscFileHandle resourceFile);
/* Each definition's settings from 'VxA3', else 'VxA2', else 'VxAs'; missing ones stay. */
PIXMEND_API int vxlibElmAttr_readResource(const char *fileName);
PIXMEND_API int vxlibElmAttr_readResourceByHandle(RscFileHandle resourceFile);
/* The complete list ('ASD3', 'ASNa' per position, 'ASNo' 1 the count) and back; reading keeps the
 * callbacks, choices and texts of definitions whose identifiers come in the same order. */
PIXMEND_API int vxlibElmAttr_writeResourceExtended(const char *fileName);
PIXMEND_API int vxlibElmAttr_readResourceExtended(const char *fileName);
/* Opens the attribute dialog (20013). */
PIXMEND_API int vxlibElmAttr_dialogOpen(void);

/* The active number `value` in text item `itemIndex` of the dialog, with as many decimals as the
 * coordinate readout shows ("%.Nf"); the item's value is set and the item drawn. 0, or 0x8000 for
 * a missing dialog or item or a number that is not finite. */
PIXMEND_API int vxlibUtil_setActiveDecimalNumberInTextItem(MSDialog *dialog, int itemIndex, double value);

/* ---- ElemDscr: element descriptors measured, fitted into boxes and drawn ----------------------
 * Descriptors belong to the caller (host/design/api.h); these calls change them only where they
 * say so. */
typedef struct DPoint3d DPoint3d;
typedef struct MSElementDescr MSElementDescr;
typedef struct BSIRect BSIRect;
typedef struct ViewFlags ViewFlags;

/* The descriptor's range: range[0] its lowest and range[1] its highest coordinates. */
PIXMEND_API int vxlibElemDscr_getRange(DPoint3d *range, MSElementDescr *descriptor);
/* Fits the descriptor (validated in the active model) into the box with corners box[0] and
 * box[2] (in either order; a box without width or height gets 1), keeping its proportions: one
 * scale for x, y and z, the smaller of the box's sides over the range's (a side of a range below
 * 0.001 counts as 0.0001). With `moveToBox` it is also moved to the box's centre (z to box[0]'s);
 * without, only scaled about the design's origin. Transformed in place. */
PIXMEND_API int vxlibElemDscr_placeElementDescr(DPoint3d *box, int moveToBox, MSElementDescr *descriptor);
/* Draws the descriptor into `rectangle` of the window as the top view sees it, its range filling
 * the rectangle (proportions kept, centred). `viewFlags` null: word 0 = 73868 (fill, text,
 * weights). `drawMode` as for the host's displays. */
PIXMEND_API int vxlibElemDscr_drawElementDescr(MSDialog *window, BSIRect *rectangle, MSElementDescr *descriptor,
                                               ViewFlags *viewFlags, int drawMode);

/* ---- Element: elements that take their symbology from an attribute definition -----------------
 * Each builds one element in the host's element buffer (dgnBuf), applies the definition
 * `attributeId` (vxlibElmAttr_setSymbologyAndProperties; an unknown identifier leaves the host's
 * defaults) and, when `descriptor` is not null, appends a copy of the element to it. 0, or 0x8000
 * when the host refuses the geometry or the descriptor (the buffer then holds whatever the host
 * left there). */
/* A line from points[0] to points[1]. */
PIXMEND_API int vxlibElement_createLine(const DPoint3d *points, int attributeId, MSElementDescr *descriptor);
PIXMEND_API int vxlibElement_createLineString(const DPoint3d *points, int count, int attributeId,
                                              MSElementDescr *descriptor);
/* A closed shape (the host closes it), filled when `fill` is set. */
PIXMEND_API int vxlibElement_createShape(const DPoint3d *points, int count, int fill, int attributeId,
                                         MSElementDescr *descriptor);
/* A circular arc about `center` (radius for both axes, no rotation), angles in radians as the
 * host takes them (a negative sweep turns clockwise). */
PIXMEND_API int vxlibElement_createArc(const DPoint3d *center, double radius, double startAngle, double sweepAngle,
                                       int attributeId, MSElementDescr *descriptor);
/* The host's arc by centre from the same five arguments (start, end, centre, normal, clockwise),
 * built in a buffer of the library's own so the host's element buffer is left alone: the arc is
 * only appended to the descriptor (0x8000 without one). */
PIXMEND_API int vxlibElement_createArcByCenter(const DPoint3d *start, const DPoint3d *end, const DPoint3d *center,
                                               const DPoint3d *normal, int clockwise, int attributeId,
                                               MSElementDescr *descriptor);
/* A circle about `center`; the extended form fills it when `fill` is set. */
PIXMEND_API int vxlibElement_createEllipse(const DPoint3d *center, double radius, int attributeId,
                                           MSElementDescr *descriptor);
PIXMEND_API int vxlibElement_createEllipseExtended(const DPoint3d *center, double radius, int fill, int attributeId,
                                                   MSElementDescr *descriptor);
typedef struct RotMatrix RotMatrix;
typedef struct TextParam TextParam;
/* A text element in `element` with the definition's text settings (family ElmAttr): a text style
 * of the active model (mask 0x4000) gives parameters and size, its width and height divided by
 * (scale / units of resolution per master unit), the active size / scale when it gives none; the
 * definition's size (0x40) is divided by `scale`, its line spacing the height times the factor;
 * justification (0x80) and font (0x20) the definition's, else the active ones unless a style gave
 * them; the definition's angle in degrees (0x2000, kind 4) turns it, else without a style the
 * active angle when not zero, else `rotation` (may be null). The template (may be null) gives
 * level and symbology before the definition's are applied; settings copied out when asked. 0, or
 * 0x8000 for an unknown identifier, a scale that is not above 0, or a text the host refuses. */
PIXMEND_API int vxlibElmAttr_createText(MSElement *element, const MSElement *templateElement, const char *text,
                                        const DPoint3d *origin, const RotMatrix *rotation, int attributeId,
                                        double scale, VxlibElmAttrSettings *settingsOut);
/* The same in the host's element buffer, appended to the descriptor when one is given;
 * `justification` 0 or more replaces the definition's for this call only (-1: as it is). */
PIXMEND_API int vxlibElement_createText(const DPoint3d *origin, const char *text, double scale, int justification,
                                        int attributeId, MSElementDescr *descriptor);
/* The size of `text` built line by line (lines end as vxlibUtil_splitText finds them, at most 512
 * characters in all) with the definition: the widest line, the last line's height, and the total
 * height (lines - 1) x lineSpacing + lines x height; the last line's text parameters when asked.
 * Every output may be null. 0, or 0x8000 when a line could not be built. */
PIXMEND_API int vxlibUtil_extractTextSize(const char *text, double scale, int attributeId, double lineSpacing,
                                          double *widthOut, double *heightOut, double *totalHeightOut,
                                          TextParam *textParamsOut);
/* Colour and weight -1 and line style 0x7FFFFFFF: all as the element's level says. */
PIXMEND_API int vxlibElement_setSymbologyByLevel(MSElement *element);
/* Colour, weight and style of level `level` of the active model; nothing changes when the host
 * knows no such level (0x8000). */
PIXMEND_API int vxlibElement_setSymbologyFromLevel(MSElement *element, unsigned int level);
/* ---- Cells (vxlib/services/cell/) ---------------------------------------------------------------------
 * Cell libraries are found in the cell directory: the value of VX_CELL when it is defined (a search
 * path, default extension "cel"), else VX_DIR followed by "cell/", else "/vexcraft/cell/". */
/* The cell directory into `buffer` (`size` bytes). VXLIB_ERROR (buffer empty) when it does not fit. */
PIXMEND_API int vxlibCell_getVxCellPath(char *buffer, int size);
/* The full path of the cell library `cellLibrary` into `path` (MAXFILELENGTH, 256 bytes): searched
 * along VX_CELL when it is defined, else the cell directory's file of that name (a name with a
 * folder is taken as it is; ".cel" is added to a name without extension). 0 when found. */
PIXMEND_API int vxlibCell_getCellPathAndName(char *path, const char *cellLibrary);
/* 0 at once for an empty name or the attached library's name and extension (letter case ignored);
 * otherwise attaches the library found as vxlibCell_getCellPathAndName finds it and returns the
 * host's status (MDLERR_FILENOTFOUND when it is not found). */
PIXMEND_API int vxlibCell_loadCellLibraryIfNeeded(const char *cellLibrary);
/* Appends `membersPerCell` members per cell of the attached library to `list` (the caller's): the
 * name, then the description when it has one; the model "Default" (any letter case) is left out.
 * The number of cells listed; 0 without a readable library; VXLIB_ERROR when membersPerCell < 2. */
PIXMEND_API int vxlibCell_getStringlistFromLib(StringList *list, int membersPerCell);
/* Obsolete: prints a note to the text window and returns VXLIB_ERROR. */
PIXMEND_API int vxlibCell_getFilePosFromStringlist(void);
/* Draws the cell `cellName` of the attached library into the rectangle of dialog item `item`
 * (its index) of `window`: a sunken frame round the rectangle, the rectangle inset by 2 filled
 * black, the cell fitted (vxlibElemDscr_drawElementDescr) into it, inset further by `inset` when
 * positive; `crossMode` 1 adds a vertical centre line, 2 a horizontal one, 3 both (white, solid).
 * VXLIB_ERROR when the cell is not found (the frame is drawn). */
PIXMEND_API int vxlibCell_drawCell(const char *cellName, MSDialog *window, int item, int inset, int crossMode);
/* Appends to the cell descriptor every element of `first` and `second` (each may be null; the
 * elements of a cell in them, not its header), then unturns the cell (transformed by the inverse
 * of its rotation) and writes its origin back; its count and range follow its components.
 * VXLIB_ERROR when an append fails. */
PIXMEND_API int vxlibCell_mergeCells(MSElementDescr *cell, MSElementDescr *first, MSElementDescr *second);
/* Copies `source` to `target` (may be the same) without the library's user-data linkages
 * (primary identifier 20275); other linkages stay. VXLIB_ERROR for a broken element (target
 * untouched). */
PIXMEND_API int vxlibElement_stripAttributes(MSElement *target, const MSElement *source);
/* Copies `source` to `target` without any linkage; a cell keeps its name and description. */
PIXMEND_API int vxlibElement_stripAttributes2(MSElement *target, const MSElement *source);

PIXMEND_END_C

#endif
