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

/* ---- Print, Ps, Hpgl, Pcl, Ascii: plot files and printing -------------------------------------
 *
 * Four drivers write drawings to plot files: PostScript, HP-GL, PCL 5 with HP-GL/2, and a text
 * file of the drawing's texts. Every coordinate, size and width is in page millimetres. A plot is
 * open -> drawing calls (newPage between pages) -> fclose -> optionally sendFileToPrinter. Each
 * driver writes one file at a time; opening another first closes the one still open. The file
 * appears under its name when it is closed complete (a failed plot leaves the old file as it
 * was). Drawing calls on a driver without an open file do nothing; a call with a number that is
 * not finite or lies beyond 100 m, or a text longer than 4096 characters, is refused with a
 * diagnostic on the host's text window and writes nothing.
 *
 * Point arrays hold 3 doubles (x, y, z) per point; z is not used. A fill value from 0.0 to 1.0
 * closes the outline and fills it with that grey (0.0 black, 1.0 white); any other value (-1.0)
 * draws the outline only. Justification: 0 centred, 1 right-aligned, any other value
 * left-aligned, at the text's baseline point. Angles are in degrees. */

/* Output types of vxlibPrint_fopen. */
#define VXLIB_PRINT_POSTSCRIPT 0
#define VXLIB_PRINT_HPGL 1
#define VXLIB_PRINT_TEXT 4
#define VXLIB_PRINT_PCL 5

/* Opens the driver of `outputType` on `path` and makes that type the current one (PCL uses the
 * paper code last given to vxlibPrint_getPageSize). 1 on success, 0 when the file cannot be
 * opened (reported on the text window), 1 for a type without a driver, which makes the other
 * Print calls do nothing. */
PIXMEND_API int vxlibPrint_fopen(const char *path, int outputType);
/* A new page in the current driver (nothing for the text file). */
PIXMEND_API void vxlibPrint_newPage(void);
/* Ends the last page and closes the current driver's file: 0, or 0x8000 when it could not be
 * written (reported) or none was open; 0 for a type without a driver. */
PIXMEND_API int vxlibPrint_fclose(void);
/* Makes `paperCode` the current paper; for codes 1 to 12 (A0, A0 turned, A1, ... A5 turned)
 * writes (0, 0) to lowerLeft and (width, height) in mm to upperRight (2 doubles each; either may
 * be null). Any other code writes nothing. */
PIXMEND_API void vxlibPrint_getPageSize(double *lowerLeft, double *upperRight, int paperCode);
/* Draws the element descriptor through the current driver, scaled by one factor to fit the
 * rectangle from (x, y) `width` by `height` page mm and centred in it (HP-GL: turned a quarter
 * turn clockwise for the plotter's axes). Elements on level 63 are drawn first, so the grey fills
 * kept there (colours 100 to 200: grey 1.0 to 0.0) lie under the rest; shapes, complex shapes
 * and ellipses are filled when the element is, lines take the line tables by weight and style,
 * texts are written as texts at their baseline. The descriptor stays the caller's, unchanged. */
typedef struct MSElementDescr MSElementDescr;
PIXMEND_API void vxlibPrint_printElementDescr(MSElementDescr *descriptor, double x, double y, double width,
                                              double height);
/* Sends the finished file `path` to `printer`, `copies` times (at most 999):
 *  - "LPT1" to "LPT9", or a name starting with '$' or '\\': vxlibPrint_sendFileToPrinterPort;
 *  - a single word: the printer of that name of the printing system;
 *  - otherwise command lines separated by ';', "%s" standing for the file and "%d" for the number
 *    of copies; without "%d" the lines run `copies` times. A line that fails is reported on the
 *    text window ("Error executing ...") and the others still run.
 * 0 on success; otherwise the first failure: MDLERR_BADARG for null names or too many copies, the
 * host's copy or print error, the status of the first command line that failed, or 0x8000 for a
 * file name that cannot be put into a command line. */
PIXMEND_API int vxlibPrint_sendFileToPrinter(const char *path, const char *printer, int copies);
/* Copies the file `path` `copies` times onto `port` with configuration variables expanded (see
 * mdlWin32_copyFileToPort for ports, shares and files), stopping at the first failed copy.
 * 0 or the host's copy error; MDLERR_BADARG for null names or too many copies. */
PIXMEND_API int vxlibPrint_sendFileToPrinterPort(const char *path, const char *port, int copies);

/* PostScript (points = mm x 2.834645651435303). fopen: 1, or 0 when the file cannot be opened.
 * fclose: ends the last page; 0 or 0x8000 as vxlibPrint_fclose. */
PIXMEND_API int vxlibPs_fopen(const char *path);
PIXMEND_API void vxlibPs_newPage(void);
PIXMEND_API int vxlibPs_fclose(void);
PIXMEND_API void vxlibPs_drawLine(float x1, float y1, float x2, float y2, float width);
PIXMEND_API void vxlibPs_drawPolyline(const double *points, int count, double width, double fill);
/* As vxlibPs_drawPolyline, dashed by `dashArray`, PostScript dash lengths in points ("" solid,
 * "5.76 3.6", ...; numbers and blanks only). The dash stays in force for later drawing on the
 * page. */
PIXMEND_API void vxlibPs_drawPolylineExtended(const double *points, int count, double width,
                                              const char *dashArray, double fill);
/* A text in Helvetica with the Nordic letters (Latin-1), `height` high. */
PIXMEND_API void vxlibPs_drawText(double x, double y, const char *text, double height, double angle,
                                  int justification);
PIXMEND_API void vxlibPs_drawArc(double centerX, double centerY, double radius, double startAngle, double endAngle,
                                 double width);
/* A filled circle or sector in `grey` (0.0 black to 1.0 white). */
PIXMEND_API void vxlibPs_fillCirc(double centerX, double centerY, double radius, double startAngle,
                                  double endAngle, double grey);
/* Places the EPS file `path` scaled, moved to (x, y) and turned. 1, or 0 when it cannot be read
 * (reported "vxpslib: unable to load PATH."). */
PIXMEND_API int vxlibPs_includeEPSFile(const char *path, double scaleX, double scaleY, double x, double y,
                                       double rotation);

/* HP-GL (plotter units of 1/38.46 mm from (10, 1) mm). The polyline's width and fill are taken and
 * not used. drawText changes `text` in place: the Latin-1 letters ae, o-slash and a-ring (small
 * and capital) become the national 7-bit set's { | } [ \ ]. A text holding the character 3 (the
 * label's end) is refused. drawLine, drawArc and fillCirc draw nothing in this format. */
PIXMEND_API int vxlibHpgl_fopen(const char *path);
PIXMEND_API void vxlibHpgl_newPage(void);
PIXMEND_API int vxlibHpgl_fclose(void);
PIXMEND_API void vxlibHpgl_drawPolyline(const double *points, int count, double width, double fill);
PIXMEND_API void vxlibHpgl_drawText(double x, double y, char *text, double size, double angle, int justification);
PIXMEND_API void vxlibHpgl_drawLine(float x1, float y1, float x2, float y2, float width);
PIXMEND_API void vxlibHpgl_drawArc(double centerX, double centerY, double radius, double startAngle,
                                   double endAngle, double width);
PIXMEND_API void vxlibHpgl_fillCirc(double centerX, double centerY, double radius, double startAngle,
                                    double endAngle, double grey);

/* PCL 5 with HP-GL/2 on A4 (paper codes 10 and 12 turned, any other upright). Line types 1 to 8
 * with their pattern length in mm; 0 or less draws solid. A text holding the character 3 is
 * refused. drawLine, drawArc and fillCirc draw nothing in this format. */
PIXMEND_API int vxlibPcl_fopen(const char *path, int paperCode);
PIXMEND_API void vxlibPcl_newPage(void);
PIXMEND_API int vxlibPcl_fclose(void);
PIXMEND_API void vxlibPcl_drawPolyline(const double *points, int count, double width, double fill);
PIXMEND_API void vxlibPcl_drawPolylineExtended(const double *points, int count, double width, int lineType,
                                               double patternLength, double fill);
PIXMEND_API void vxlibPcl_drawText(double x, double y, const char *text, double size, double angle,
                                   int justification);
PIXMEND_API void vxlibPcl_drawLine(float x1, float y1, float x2, float y2, float width);
PIXMEND_API void vxlibPcl_drawArc(double centerX, double centerY, double radius, double startAngle,
                                  double endAngle, double width);
PIXMEND_API void vxlibPcl_fillCirc(double centerX, double centerY, double radius, double startAngle,
                                   double endAngle, double grey);

/* The text file: texts are collected and written at close, in reading order (rows from the top,
 * each row from the left), a text's column following its distance from the leftmost text.
 * drawText keeps a copy of `text` placed at the first point of `shape` (the text's box, five
 * points of 3 doubles: 15 doubles, 120 bytes); texts turned by more than 1 degree
 * (`angleDifference`) are left out. `size`, the two host values and `justification` are kept
 * with the entry and not used for the file. newPage does nothing. */
PIXMEND_API int vxlibAscii_fopen(const char *path);
PIXMEND_API int vxlibAscii_fclose(void);
PIXMEND_API void vxlibAscii_newPage(void);
PIXMEND_API void vxlibAscii_drawText(const double *shape, const char *text, double size, int hostValue1,
                                     int hostValue2, double angleDifference, int justification);

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
