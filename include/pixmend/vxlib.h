/* vxlib: the utility library shared by the maker's applications.
 *
 * Exports are named vxlib<Family>_<operation>. Unless a function says otherwise it returns 0 for
 * success and 0x8000 (VXLIB_ERROR) for failure; message boxes return the action value of the
 * button pressed. Every application links its own copy of the library and keeps its state in
 * its own global data block; state shared by the applications of one process (the registry,
 * the shared records) is found through the host.
 *
 * Ownership: texts returned as `const char *` live in the library (static buffers or the
 * caller's global data block) and are overwritten by the next call of the same function. */
#ifndef PIXMEND_VXLIB_H
#define PIXMEND_VXLIB_H

#include <stddef.h>

#include "pixmend/export.h"

PIXMEND_BEGIN_C

#define VXLIB_SUCCESS 0
#define VXLIB_ERROR 0x8000

/* Host types the library passes through (declared by the host's headers as well). */
typedef unsigned int RscFileHandle;
typedef struct StringList StringList;
typedef struct MSDialog MSDialog;
typedef struct MenuBarMenu MenuBarMenu;
typedef struct ListModel ListModel;

/* A resource file as the library keeps it: the host handle and the file's name, so that error
 * messages can name the file (260 bytes). */
typedef struct VxlibRscFile {
  RscFileHandle handle;
  char fileName[256];
} VxlibRscFile;

/* Host types of the design (host/types.h, host/design/api.h). */
typedef union MSElement MSElement;
typedef struct DgnModelRef DgnModelRef;

/* A function run once the first design file is open (or at once), and an application's plot
 * scale callback. */
typedef void (*VxlibFunction)(void);
typedef void (*VxlibScaleFunction)(double first, double second);

/* The calling application's global data block (see vxlib/core/globaldata.hpp). */
typedef struct VxlibGlobalData VxlibGlobalData;
typedef struct MSElementDescr MSElementDescr;
typedef struct VxlibFormNode VxlibFormData; /* a form data array (MatList) */

/* ---- Main: start-up, registry, queries ------------------------------------------------------ */

/* Starts the library for the calling application (from its MdlMain, with its argc/argv; argv[1]
 * "MS_DGNAPPS" or "MS_INITAPPS" marks an application loaded at host start). openMode is the mode
 * its own resource file is opened in (0 read-only). Returns 0. */
PIXMEND_API int vxlibMain_initVxLib(const char *applicationName, int argc, char *argv[]);
PIXMEND_API int vxlibMain_initVxLibExtended(const char *applicationName, int argc, char *argv[], int openMode);
/* The calling application's block, or null (reported on the host's text window). */
PIXMEND_API VxlibGlobalData *vxlibMain_getGlobalDataP(void);
/* Texts in the calling application's block, or "" without one. */
PIXMEND_API const char *vxlibMain_getApplicationName(void);
/* "vxlib version 6.14" (language text 57), in a static buffer. */
PIXMEND_API const char *vxlibMain_getVxlibVersion(void);
/* The fixed text "Statically Linked", in a static buffer. */
PIXMEND_API const char *vxlibMain_getVxlibLocation(void);
/* Non-zero while the application was loaded at host start and no design file has opened since. */
PIXMEND_API int vxlibMain_currentAppIsInitApp(void);
/* Functions run when the first design file opens (at most 10; more are dropped); the second
 * runs the function at once unless the application is an init application. */
PIXMEND_API void vxlibMain_addInitApp(VxlibFunction function);
PIXMEND_API void vxlibMain_execFuncOrAddToInitApps(VxlibFunction function);
/* The new-design-file handler (host event slot 1; acts on state 1). */
PIXMEND_API void vxlibMain_newDesignFile(const char *fileName, int state);
/* The function told (old, new) when another application changes the active plot scale. */
PIXMEND_API void vxlibMain_setScaleFunction(VxlibScaleFunction function);
/* Before a library dialog opens: the caller's block becomes the published one, and that dialog
 * is closed in every other application. */
PIXMEND_API void vxlibMain_updateBeforeDialogOpen(int dialogId);

/* ---- Error and Mem: message boxes, message lists, memory ------------------------------------ */

/* A modal box of the formatted text (at most 25 lines shown; longer texts are cut). boxKind is a
 * bit mask: bits 0-3 the kind (1, 2, 4, 8; none: 1), bits 4-6 the first button's label (16, 32,
 * 64; none: 16), bits 7-9 the second button's (128, 256, 512; none: no second button). Common
 * kinds: 17 (OK), 145 (OK/Cancel), 152 (question), 577 (Continue/Exit). Returns the action of
 * the button pressed: 3 for the first, 4 for the second; the rsc form returns 20000 when the
 * numbered message is missing (nothing is shown). */
PIXMEND_API int vxlibError_msgBoxPrintf(int boxKind, const char *format, ...);
PIXMEND_API int vxlibError_rscMsgBoxPrintf(int boxKind, int listId, int messageNumber, ...);
/* The message list. Mode 0: each line of the text is added (20001; 20000 when the list is full
 * and cannot make room); 1: the list is shown in a modal dialog with the text as its heading
 * (returns the dialog's action; closing empties the list); 2: nothing (20001); other modes print
 * the text on the host's text window (20001). The rsc form returns 20000 for a missing message. */
PIXMEND_API int vxlibError_listPrintf(int listMode, const char *format, ...);
PIXMEND_API int vxlibError_rscListPrintf(int listMode, int listId, int messageNumber, ...);
/* The title of box kind 1, 2, 4 or 8 (at most 512 characters); returns its length. Another kind
 * is reported on the text window and changes nothing (0). */
PIXMEND_API int vxlibError_setTitle(int kind, const char *format, ...);
/* Zero-filled memory from the host's heap (free it with dlmSystem_mdlFree), or null after the
 * user was told with message (listId, messageNumber). */
PIXMEND_API void *vxlibMem_mallocRscErrorPrintf(size_t size, int listId, int messageNumber, ...);
PIXMEND_API void *vxlibMem_reallocRscErrorPrintf(void *memory, size_t oldSize, size_t newSize, int listId,
                                                 int messageNumber, ...);

/* ---- Upf and Resource: user preference files and resource files ----------------------------- */

/* Opens the calling application's preference file in the directory of the host's own (MS_USERPREF):
 * named by the configuration variable `variableName` (may be null), else `defaultFileName`.
 * Created when missing; used read-only when it cannot be written. The file record (handle and
 * name) is copied to copyTarget (may be null) when the file is open. */
PIXMEND_API void vxlibUpf_open(VxlibRscFile *copyTarget, const char *variableName, const char *defaultFileName);
PIXMEND_API int vxlibUpf_openWithPath(VxlibRscFile *copyTarget, const char *path);
PIXMEND_API void vxlibUpf_close(void);
/* A record of exactly `size` bytes (0, or 0x8000 when there is none of that size or no file is
 * open) and its save (0 also when skipped for a read-only file). */
PIXMEND_API int vxlibUpf_load(unsigned int type, int id, void *buffer, unsigned int size);
PIXMEND_API int vxlibUpf_save(unsigned int type, int id, const void *buffer, unsigned int size);
PIXMEND_API const char *vxlibUpf_getUpfFileName(void);
PIXMEND_API RscFileHandle vxlibUpf_getHandle(void);
PIXMEND_API VxlibRscFile *vxlibUpf_getVxHandle(void);
PIXMEND_API int vxlibUpf_initialize(VxlibGlobalData *block);
/* Records a chosen file in the remembered-file record of `dialogId` in the preference file
 * `preferenceFile`: current name, filter and directory, and the lists of recent ones. */
PIXMEND_API int vxlibUpf_saveFileName(const char *fileName, RscFileHandle preferenceFile, int dialogId);
/* The host's file dialogs (mdlDialog_defFileOpen / ...Create), remembering the choice in the
 * calling application's preference file under `dialogId`; the name remembered there is offered
 * as the default. `fileName` receives the choice (256 bytes). 0 when a file was chosen, 1 when
 * the user cancelled. */
PIXMEND_API int vxlibUpf_defFileOpen(char *fileName, const char *suggestedName, const char *filter,
                                     const char *defaultDirectory, const char *title, int dialogId);
PIXMEND_API int vxlibUpf_defFileCreate(char *fileName, const char *suggestedName, const char *filter,
                                       const char *defaultDirectory, const char *title, int dialogId);
/* The host's file list editor (mdlFileList_edit) starting in the remembered directory and filter
 * of `dialogId`; when the user confirms (*result 3) the directory and filter are remembered.
 * `directory` (256 bytes, in and out) and `filter` (may be null) are the defaults. Returns the
 * edited list (a new one when `list` is null; the caller destroys it). */
PIXMEND_API StringList *vxlibUpf_defFileListEdit(int *result, StringList *list, const char *title, char *directory,
                                                 const char *filter, int dialogId);
/* The library's file search dialog (vxlibDialog_searchFiles) starting in the directory and
 * filter remembered under `dialogId` (else the defaults); a confirmed search remembers the
 * directory and filter chosen. The files found (the caller destroys the list), or null. */
PIXMEND_API StringList *vxlibUpf_defSearchFiles(const char *title, const char *defaultDirectory,
                                                const char *defaultFilter, int dialogId);

/* Resource files by record (handle and name, for the library's messages, which these calls show
 * in an OK box on failure). openFile: create non-zero opens read-write and creates a missing
 * file; 0 or 0x8000. add writes a record (replacing one of that type and identifier); load reads
 * one of exactly `size` bytes; 0 or 0x8000. String lists: added or replaced; the loaded list
 * belongs to the caller (mdlStringList_destroy). */
PIXMEND_API int vxlibResource_openFile(VxlibRscFile *record, const char *fileName, int create);
PIXMEND_API int vxlibResource_closeFile(VxlibRscFile *record);
PIXMEND_API int vxlibResource_add(VxlibRscFile *record, unsigned int type, int id, const void *data,
                                  unsigned int size, const char *extra);
PIXMEND_API int vxlibResource_load(VxlibRscFile *record, unsigned int type, int id, void *buffer,
                                   unsigned int size);
PIXMEND_API int vxlibResource_addStringList(VxlibRscFile *record, int id, StringList *list);
PIXMEND_API StringList *vxlibResource_loadStringList(VxlibRscFile *record, int id);

/* ---- PlotScale: the plot-scale list shared by the applications -------------------------------- */

/* Reads the list from string list 20001 of an open resource file (0x8000 when it has none; the
 * list then stays as it was) and saves it there. */
PIXMEND_API int vxlibPlotScale_readSettings(VxlibRscFile *resourceFile);
PIXMEND_API int vxlibPlotScale_saveSettings(VxlibRscFile *resourceFile);
/* The active scale (a double shared by the applications; 1.0 when nothing else is known), or
 * null before the library started. */
PIXMEND_API double *vxlibPlotScale_getActiveScaleP(void);
/* Makes the first scale whose value equals `scale` (within 1e-6) the active one and tells the
 * other applications' scale functions (the caller's too when notifySelf is non-zero). 0, also
 * when it is active already; 0x8000 when no scale has that value. */
PIXMEND_API int vxlibPlotScale_setActiveScale(double scale, int notifySelf);
/* The modal plot-scale dialog (20026), in which the user edits the shared list and chooses the
 * active scale; every open dialog's scale option button (20016) follows the list afterwards,
 * and the scale functions hear of a changed active scale. 0, or 0x8000 when it cannot open. */
PIXMEND_API int vxlibPlotScale_dialogOpen(void);

/* ---- Dialog: selection dialogs and dialog items ------------------------------------------------
 *
 * File specification record of the file dialogs: a status (3 after a confirmed search), the
 * directory and the filter. Directories end in '/'. */
typedef struct VxlibFileSpec {
  int status;
  char directory[256];
  char filter[256];
} VxlibFileSpec;

/* A list function of the caller, called through the host: it makes the list to choose from
 * (*list, one member per row, first string shown first) from its user argument; the library
 * destroys the list afterwards. The multiple selection passes membersPerRow as well. */
typedef void (*VxlibListFunction)(StringList **list, void *userArgument);
typedef void (*VxlibListFunctionMulti)(StringList **list, void *userArgument, int membersPerRow);

/* The file selection dialog (20016): directories and the files in them matching the filter
 * (patterns separated by ';'), a recursive search, and a list of chosen files that can be saved
 * and loaded. With fileSpec given, `filter` and `startDirectory` (when it exists, else "/") are
 * where it starts, and a confirmed dialog writes the final filter and directory back to it.
 * `initialList` (may be null; stays the caller's) holds the files chosen before. Returns the
 * chosen full paths (one string per member; initialList itself when given, else a new list the
 * caller destroys with mdlStringList_destroy), or null when cancelled (initialList unchanged). */
PIXMEND_API StringList *vxlibDialog_selectFiles(VxlibFileSpec *fileSpec, StringList *initialList, const char *title,
                                                const char *filter, const char *startDirectory);
/* The file search dialog (20018): starts in fileSpec's directory (with its filter) when it has
 * one, else in the first ';'-part of the configuration variable `directoryVariable`, else in
 * `directoryVariable` itself when it is a directory, else "/". A confirmed dialog fills fileSpec
 * (filter, directory, status 3) and returns the files found (the caller destroys it); null when
 * cancelled. */
PIXMEND_API StringList *vxlibDialog_searchFiles(VxlibFileSpec *fileSpec, const char *title, const char *filter,
                                                const char *directoryVariable);
/* One entry of the caller's list (dialog 20021; a double click confirms). The chosen row's first
 * string goes to `result` (cut to resultSize - 1 characters) and its row is returned; -1 when
 * cancelled or the list function made no list. `width` is the list's width in characters (0:
 * the dialog's), `columnLayout` the number of strings of a member shown (0: one). */
PIXMEND_API int vxlibDialog_selectFromStringListSingle(char *result, int resultSize, VxlibListFunction listFunction,
                                                       void *userArgument, const char *title, const char *label,
                                                       int width, int columnLayout);
/* Several entries (dialog 20022): a new list (the caller destroys it) of the selected rows'
 * first strings with their info fields, in row order; null when cancelled. */
PIXMEND_API StringList *vxlibDialog_selectFromStringListMulti(VxlibListFunctionMulti listFunction, void *userArgument,
                                                              int membersPerRow, const char *title, const char *label);
/* Replaces the entries of option button `itemId` of `dialog` by every step-th string of `list`
 * from `offset` on (values 0, 1, 2, ...); fitWidth non-zero makes the button as wide as its
 * widest entry. userValue is accepted for the callers' sake; the host's option entries keep no
 * second value. 0, or 0x8000 for a missing dialog or item or no entries. */
PIXMEND_API int vxlibDialog_optionButtonInsertFromStringlist(StringList *list, int step, int offset, MSDialog *dialog,
                                                             int itemId, long userValue, int fitWidth);
/* Enables or shows the item of that type and identifier and redraws it; 0x8000 when the dialog
 * has none. */
PIXMEND_API int vxlibDialog_itemEnableByTypeAndId(MSDialog *dialog, unsigned int itemType, int itemId, int enabled);
PIXMEND_API int vxlibDialog_itemShowByTypeAndId(MSDialog *dialog, unsigned int itemType, int itemId, int shown);
/* Inserts the pull-down menu resource `menuId` of the calling application into the command
 * window's menu bar before the host's Settings menu (-522), remembers it, and returns it (also
 * in *menuOut when given); null without a command window. deletePdm removes the remembered
 * menu. */
PIXMEND_API MenuBarMenu *vxlibDialog_insertPdm(MenuBarMenu **menuOut, int menuId);
PIXMEND_API void vxlibDialog_deletePdm(void);

/* ---- Intro: version and about box ------------------------------------------------------------ */

PIXMEND_API int vxlibIntro_setVersionNumber(void);
/* Fills the about texts (title, version text built from the application's version record and
 * `versionSuffix`, twelve further texts, any of them null to keep a slot) and opens the about
 * box, now or after the first design file is open. autoClose >= 1 closes it after that many
 * seconds. */
PIXMEND_API void vxlibIntro_msgBoxNew(const char *title, const char *versionSuffix, const char *text2,
                                      const char *text3, const char *text4, const char *text5,
                                      const char *text6, const char *text7, const char *text8,
                                      const char *text9, const char *text10, const char *text11,
                                      const char *text12, const char *text13, int autoClose);

/* ---- File: text files with comments, continuation lines and includes ------------------------ */

typedef struct VxlibTextFile VxlibTextFile;

PIXMEND_API VxlibTextFile *vxlibFile_openExtended(const char *fileName, const char *mode,
                                                  const char *continuationCharacters,
                                                  const char *commentCharacters, unsigned int lineSize);
PIXMEND_API VxlibTextFile *vxlibFile_open(const char *fileName, const char *mode);
PIXMEND_API VxlibTextFile *vxlibFile_openHWSpesific(const char *fileName, const char *mode);
PIXMEND_API char *vxlibFile_fgets(char *buffer, int size, VxlibTextFile *reader);
PIXMEND_API int vxlibFile_read(char *target, VxlibTextFile *reader, int maxLength);
PIXMEND_API int vxlibFile_read2(char *target, char *comment, VxlibTextFile *reader, int maxLength);
PIXMEND_API void vxlibFile_rewind(VxlibTextFile *reader);
PIXMEND_API int vxlibFile_close(VxlibTextFile *reader);
PIXMEND_API int vxlibFile_directoryExists(const char *path);
PIXMEND_API int vxlibFile_isReadOnly(const char *designFileName);

/* ---- String: token lists -------------------------------------------------------------------- */

PIXMEND_API char **vxlibString_tokenize(int *count, char *text, const char *delimiters);
PIXMEND_API char **vxlibString_tokenize2(int *count, const char *text, const char *delimiters);
PIXMEND_API void vxlibString_freeTokenList(char **list, int count);

/* ---- External and Web: programs, shell commands, browser and help ----------------------------- */

PIXMEND_API int vxlibExternal_executeProgram(const char *program, const char *arguments, int *wait);
PIXMEND_API int vxlibExternal_executeShellCommand(const char *command, const char *arguments, int *wait);
PIXMEND_API int vxlibExternal_executeSystemCommand(const char *command, const char *arguments, int *wait);
PIXMEND_API int vxlibExternal_executeCommandLine(const char *commandLine, int *wait);
PIXMEND_API int vxlibExternal_openFile(const char *path);
PIXMEND_API int vxlibWeb_openFile(const char *path);
PIXMEND_API int vxlibWeb_openUrl(const char *address);
PIXMEND_API int vxlibWeb_openApplHelp(void);
PIXMEND_API int vxlibWeb_openApplChmHelp(void);

/* ---- 66Elem and Attrib: application data in the design file ------------------------------------
 *
 * An application data element is a non-graphic element (type 66, level 20) whose words hold a
 * signature (157 at byte 32), the application type (34), the format version (36) and the data
 * (from 38, padded to a whole word). At most 8152 bytes of data. A user-data linkage hangs a
 * block of bytes on any element: primary identifier 0x4F33, the caller's identifier and value,
 * then the data padded to whole 8-byte units; at most 8188 bytes. */

/* Builds the element in `elementBuffer` (at least length + 40 bytes; zeroed first). 0, or 0x8000
 * when length + 40 exceeds 8192 (the buffer untouched). */
PIXMEND_API int vxlib66Elem_saveData(MSElement *elementBuffer, int applicationType, int version, const void *data,
                                     int length);
/* Builds the element and adds it to the active model; its file position goes to
 * *filePositionOut (may be null). 0 when added; 0x8000 when too large; -100 when the host
 * refused it (position 0). In DWG work mode without MS_DWGSAVEAPPLICATIONDATA the user is warned
 * (message 28 of list 20005); the result stays. */
PIXMEND_API int vxlib66Elem_saveDataToFile(int applicationType, int version, const void *data, int length,
                                           unsigned int *filePositionOut);
/* Tests an element: *dataOut is set to null, then, when it is application data of
 * `applicationType`, to its data inside the element (length 2 x size - 38 bytes, the padding
 * included) with the version; 0, else 0x8000. */
PIXMEND_API int vxlib66Elem_getData(const MSElement *element, int applicationType, int *versionOut, char **dataOut,
                                    int *lengthOut);
/* The scan's callback: user argument, format version, element, its file position, its index in
 * the current batch of 64 (from 0), its data and their length. Non-zero stops the scan. */
typedef int (*Vxlib66ElemScanFunction)(void *userArgument, int version, MSElement *element,
                                       unsigned int filePosition, int batchIndex, char *data, int length);
/* Calls `callback` for every application data element of `applicationType` in the model, in file
 * order: directly when `nativeCallback` is non-zero, else through the host (signature
 * "PIPIIPI") so an interpreted application's function can be called. The number of elements
 * visited, or, when the callback stopped the scan, the element's place in its batch (1 to 64). */
PIXMEND_API int vxlib66Elem_scanDataFromFileExtended(void *userArgument, int applicationType, DgnModelRef *modelRef,
                                                     Vxlib66ElemScanFunction callback, int nativeCallback);
PIXMEND_API int vxlib66Elem_scanDataFromFile(void *userArgument, int applicationType, DgnModelRef *modelRef,
                                             Vxlib66ElemScanFunction callback);
/* Appends one value at buffer + *offsetInOut and advances the offset by what was stored. Kinds:
 * 1 a double (stored as the design file stores doubles, 8 bytes), 3 a string (const char *,
 * stored with its zero), 4 a byte (const unsigned char *), 6 a short (const short *), 8 bytes
 * (const void *, then an int count), 9 an int (by value). 0, or 1 for another kind (offset
 * unchanged). The caller sizes the buffer. */
PIXMEND_API int vxlib66Elem_convertToFileFormat(char *buffer, int *offsetInOut, int kind, ...);
/* Reads one value back into a destination of the kind's pointer type (kind 8: pointer, then the
 * byte count). 0, or 1 for another kind. */
PIXMEND_API int vxlib66Elem_convertFromFileFormat(const char *buffer, int *offsetInOut, int kind, ...);
/* Appends a user-data linkage to the element in memory: the host's status (0;
 * MDLERR_ELEMENTTOOLARGE when the element cannot hold it). Over 8188 bytes: a line on the host's
 * text window and 0x8000, the element untouched. */
PIXMEND_API int vxlibAttrib_appendElementUserData(int identifier, int value, MSElement *element, const void *data,
                                                  int length);
/* The first user-data linkage of the element, when its identifier is `identifier`: its value, its
 * data (2 x words - 8 bytes, a multiple of 8; `dataOut` must hold 8184) and that length; 0, else
 * 0x8000. */
PIXMEND_API int vxlibAttrib_extractElementUserData(const MSElement *element, int identifier, int *valueOut,
                                                   void *dataOut, int *lengthOut);

/* ---- Util: texts, units, levels, work mode, date and time, plot fences ----------------------------
 * Results returned by address live in static buffers of the library (the unit conversions in the
 * caller's global data block) and are overwritten by the next call of the same function. Wide
 * texts are 16-bit code units (UTF-16), zero-terminated. */

/* Language text `number` (list 20007), unformatted; "" when missing. */
PIXMEND_API const char *vxlibUtil_getLanguageText(int number);
/* Latin-1 to wide text and back, at most 511 characters (longer texts are cut). */
PIXMEND_API unsigned short *vxlibUtil_convertToUnicodeText(const char *text);
PIXMEND_API char *vxlibUtil_convertToMultibyteText(const unsigned short *text);
/* A distance in master units as units of resolution of the active model, and back. */
PIXMEND_API double *vxlibUtil_masterToUORP(double value);
PIXMEND_API double *vxlibUtil_UORToMasterP(double value);
/* Removes every space and tab, in place. */
PIXMEND_API void vxlibUtil_removeSpaces(char *text);
/* Ends `text` at its first line break (a line feed, or the two characters \n or \N); when text
 * follows the break it is copied to `rest` and the result is 1, otherwise 0. */
PIXMEND_API int vxlibUtil_splitText(char *text, char *rest);
/* 1 when the angle (radians) points into the second or third quadrant (cos < -0.0001 and
 * sin > 0, or cos <= 0.0001 and sin < 0), else 0. */
PIXMEND_API int vxlibUtil_angleIn2Or3Quadrant(double angle);
/* Decimal places of the host's coordinate readout; a fractional readout gives `defaultPlaces`
 * unless that is negative (then 5 to 10 after the fraction's size). */
PIXMEND_API int vxlibUtil_getCoordinateReadoutAccuracy(int defaultPlaces);
/* Editions of the host: 1 (with message 20 of list 20005) when _MSDRAFT is defined; 1 when any of
 * _MSDRAFT, _MSPOWERSCOPE, _PRJREVIEW is defined (no external programs). */
PIXMEND_API int vxlibUtil_runningPowerDraft(void);
PIXMEND_API int vxlibUtil_mdlExternalNotAvailable(void);
/* The level of that wide name: from the active model, else the host's level library, else (not
 * in V7 work mode, which gets a message-centre error and no level) created in the active model,
 * given the colour, weight and style when `setSymbology` is set, the level table rewritten when
 * `rewriteTable` is set. 0 when there is no level. The short form rewrites the table. */
PIXMEND_API unsigned int vxlibUtil_levelIdFromName(const unsigned short *name);
PIXMEND_API unsigned int vxlibUtil_levelIdFromNameExtended(const unsigned short *name, int rewriteTable,
                                                           int setSymbology, unsigned int colour,
                                                           unsigned int weight, int style);
/* Sets the configuration variable to "DGN", "DWG" or "V7" after the host's work mode, unless it
 * holds that already or cannot be read; 1 when it was set. */
PIXMEND_API int vxlibUtil_setWorkmode(const char *variableName);
/* Takes the active graphic group number and advances the host's counter. */
PIXMEND_API unsigned int vxlibUtil_newGraphicGroup(void);
/* Local date and time; every output may be null. Month from 1, weekday 0 = Sunday; the names
 * (language texts 14 + weekday and 2 + month - 1) go into buffers of 64 bytes. */
PIXMEND_API void vxlibUtil_getDateAndTime(int *year, int *month, int *day, int *hour, int *minute, int *second,
                                          int *weekday, char *weekdayName, char *monthName);
/* A spinner in the host's message field 1: the next of | / - \ once more than 30 ticks passed. */
PIXMEND_API void vxlibUtil_initHourGlass(void);
PIXMEND_API void vxlibUtil_updateHourGlass(void);
/* The host's user preference file (mdlDialog_userPrefFileOpen). */
PIXMEND_API int vxlibUtil_openUserPrefFile(RscFileHandle *handleOut, int write);
/* Called through the host (signature "PIPP") with each plot fence: the shape, its file position,
 * its model and the user argument; non-zero ends the search in that model. */
typedef int (*VxlibPlotFenceFunction)(MSElement *shape, int filePosition, DgnModelRef *model, void *userArgument);
/* Visits the plot fences (shapes of class mask 4 carrying user data of identifier 6) of the active
 * model and of each reference shown as found, displayed and locatable. Returns 0. */
PIXMEND_API int vxlibUtil_findAllPlotFence(VxlibPlotFenceFunction function, void *userArgument);

/* ---- Win32: the spreadsheet link, printers, commands, the registry, network and short names ---
 * One conversation with the spreadsheet program at a time, kept by the library; every call comes
 * from the host's one thread. */

/* Opens the conversation with `service` on `topic` ("Excel", "system"). 0, or VXLIB_ERROR when a
 * name or the connection could not be made. */
PIXMEND_API int vxlibWin32_DdeInitialize(const char *service, const char *topic);
/* Ends the open conversation: the host's result, 0 when none was open. */
PIXMEND_API int vxlibWin32_DdeDisconnect(void);
/* Sends one macro command ("[SAVE()]") and waits at most 5 seconds for it to be carried out. */
PIXMEND_API void vxlibWin32_DdeSendMessage(const char *command);
/* Replaces `placeholder` by `value` in the spreadsheet. Unless the placeholder holds "file",
 * "time" or "date", every '.' of `value` is first replaced, in the caller's buffer, by the
 * decimal character of the print settings. */
PIXMEND_API void vxlibWin32_DdeReplaceText(const char *placeholder, char *value);
/* The printers of other machines: a new list (the caller destroys it) of two strings per
 * printer, its name and "server\\share" (or its device); info field 1 of the second string is 1
 * for the system printer. Null when there are no printers at all. */
PIXMEND_API StringList *vxlibWin32_findWindowsPrinterNames(void);
/* Runs "command arguments" (arguments may be null) through the command interpreter and returns
 * its status; -1 when the line does not fit its 1024 bytes (nothing is run). */
PIXMEND_API int vxlibWin32_execCommand(const char *command, const char *arguments);
/* Starts "command arguments" at idle priority and waits until it ends. Non-zero when it could
 * be started (and has ended), 0 otherwise. `showWindow` has no effect here. */
PIXMEND_API int vxlibWin32_execCommandAndWait(const char *command, const char *arguments, int showWindow);
/* Reads a registry value of the current user, else of the machine: its type into *typeOut (may be
 * null), its bytes into `data` (`dataSize` bytes of room). The number of bytes read; 0 when the
 * key or value is missing or does not fit. */
PIXMEND_API unsigned long vxlibWin32_getRegistryValue(const char *subKey, const char *valueName, unsigned long *typeOut,
                                                      void *data, unsigned long dataSize);
/* The universal name "//server/share/rest" of a path on a network mount into `universalOut`
 * (260 bytes). 1, or 0 for a local path. */
PIXMEND_API int vxlibWin32_getGetUniversalFileName(const char *path, char *universalOut);
/* Deletes a file (VXDllDeleteFile): non-zero when it was deleted; a read-only file is not. */
PIXMEND_API int vxlibFile_delete(const char *path);
/* The short form of an existing path (here the path itself), in a static buffer that the next
 * call overwrites; "" when there is nothing at that path. */
PIXMEND_API char *vxlibFile_GetShortPathName(const char *path);

PIXMEND_END_C

/* The families of plot files and of design elements, in headers of their own. */
#include "pixmend/vxlib_print.h"
#include "pixmend/vxlib_elements.h"

#endif
