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

/* A resource file as the library keeps it: the host handle and the file's name, so that error
 * messages can name the file (260 bytes). */
typedef struct VxlibRscFile {
  RscFileHandle handle;
  char fileName[256];
} VxlibRscFile;

/* A function run once the first design file is open (or at once), and an application's plot
 * scale callback. */
typedef void (*VxlibFunction)(void);
typedef void (*VxlibScaleFunction)(double first, double second);

/* The calling application's global data block (see vxlib/core/globaldata.hpp). */
typedef struct VxlibGlobalData VxlibGlobalData;

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

PIXMEND_END_C

#endif
