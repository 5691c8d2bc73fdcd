/* Resource files, string lists, list models and remembered file names: the host calls of the
 * resource group.
 *
 * Resource files hold typed resources addressed by a 32-bit type and a 32-bit identifier and
 * give them back byte for byte. A handle of 0 means "the current application's resources": its
 * own resource file (beside its library) first, then every file it opened, in opening order.
 *
 * Ownership: mdlResource_load returns a host-owned copy that the caller releases with
 * mdlResource_free; string lists and list models belong to whoever created or loaded them and
 * are released with their destroy call. Every call checks its arguments: an unknown handle,
 * list, model, row or cell is refused with an error, never followed. */
#ifndef PIXMEND_HOST_RESOURCE_API_H
#define PIXMEND_HOST_RESOURCE_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned int RscFileHandle;
typedef struct MdlDesc MdlDesc;

/* Open modes of mdlResource_openFile. */
#define RSC_READONLY 0
#define RSC_READWRITE 1

/* Results: 0 is success, every failure is negative. */
#define RSC_SUCCESS 0
#define RSC_ERR_BAD_HANDLE (-901)        /* no open file has this handle */
#define RSC_ERR_FILE_NOT_FOUND (-902)    /* the file does not exist */
#define RSC_ERR_NOT_RESOURCE_FILE (-903) /* the file is not one of our resource files, or damaged */
#define RSC_ERR_NO_SUCH_RESOURCE (-904)  /* no resource of that type and identifier */
#define RSC_ERR_EXISTS (-905)            /* mdlResource_add: the resource is there already */
#define RSC_ERR_READ_ONLY (-906)         /* the file is open read-only, or may not be written */
#define RSC_ERR_WRITE_FAILED (-907)      /* the disk write failed; the old file is intact */
#define RSC_ERR_BAD_ARGUMENT (-908)      /* null or impossible argument */

/* Longest numbered message, terminating zero included: mdlResource_loadFromStringList writes
 * at most this many bytes into its buffer. */
#define RSC_MESSAGE_MAX 1024

/* Resource types the host itself reads (four characters packed, first character highest). */
#define RTYPE_MESSAGE_LIST 0x4D73674CU /* 'MsgL': numbered messages */
#define RTYPE_STRING_LIST 0x5374724CU  /* 'StrL': a string list */
#define RTYPE_ICON 0x49636F6EU         /* 'Icon': a one-colour icon mask */
#define RTYPE_FILE_NAMES 0x52664E6DU   /* 'RfNm': remembered file record of a file dialog */

/* Opens `fileName` (null: the current application's own resource file) read-only or
 * read-write. Read-write fails with RSC_ERR_READ_ONLY when the file has no write permission
 * bit set (for every user, root included) or cannot be replaced. */
int mdlResource_openFile(RscFileHandle *handleP, const char *fileName, int mode);
/* Creates an empty resource file with a description. An existing resource file is replaced;
 * any other existing file is refused (RSC_ERR_NOT_RESOURCE_FILE). `flags` is not used. */
int mdlResource_createFile(const char *fileName, const char *description, int flags);
int mdlResource_closeFile(RscFileHandle handle);

/* A copy of the resource, or null. Owned by the host until mdlResource_free. */
void *mdlResource_load(RscFileHandle handle, unsigned int type, int id);
int mdlResource_free(void *resource);
/* The size in bytes of a loaded resource (0 for anything else). */
unsigned int mdlResource_size(const void *resource);
/* Writes a loaded resource, changed in place, back to the file it came from. */
int mdlResource_write(void *resource);
/* Adds a new resource of `size` bytes. Handle 0: the file the current application opened
 * read-write last. `alias` is not used (may be null). */
int mdlResource_add(RscFileHandle handle, unsigned int type, int id, const void *data, unsigned int size,
                    const char *alias);
int mdlResource_delete(RscFileHandle handle, unsigned int type, int id);
/* The description the file was created with, cut to fit `size` bytes. */
int mdlResource_getFileDescription(char *buffer, int size, RscFileHandle handle);
/* Message `number` of message list `listId` into `buffer`, which must hold RSC_MESSAGE_MAX
 * bytes. Not found: buffer = "" and RSC_ERR_NO_SUCH_RESOURCE. */
int mdlResource_loadFromStringList(char *buffer, RscFileHandle handle, int listId, int number);
/* The file an application was loaded from (null: the current one), cut to fit `size`. */
int mdlResource_getApplLoadFile(char *buffer, int size, MdlDesc *desc);

/* String lists: members of `stringsPerMember` strings each; every string carries
 * STRINGLIST_INFO_FIELDS info values. Strings are addressed by their running index,
 * member * stringsPerMember + string. */
typedef struct StringList StringList;
#define STRINGLIST_INFO_FIELDS 4
#define STRINGLIST_MAX_MEMBERS 32767

StringList *mdlStringList_create(long numMembers, long stringsPerMember);
int mdlStringList_destroy(StringList *list);
long mdlStringList_size(const StringList *list); /* members; -1 for a bad list */
long mdlStringList_stringsPerMember(const StringList *list);
/* Inserts `numMembers` empty members before member `index` (-1 or the size: at the end); the
 * index of the first new member goes to *indexP. Refused beyond STRINGLIST_MAX_MEMBERS. */
int mdlStringList_insertMember(long *indexP, StringList *list, long index, long numMembers);
int mdlStringList_deleteMember(StringList *list, long index, long numMembers);
/* The string (host-owned, valid until the list changes) and its info fields. Either out
 * pointer may be null. */
int mdlStringList_getMember(char **stringP, long **infoFieldsP, StringList *list, long index);
/* Sets a string (null keeps it) and its info fields (null keeps them). */
int mdlStringList_setMember(StringList *list, long index, const char *string, const long *infoFields);
/* String lists as resources of type 'StrL'. */
StringList *mdlStringList_loadResource(RscFileHandle handle, int id);
int mdlStringList_addResource(StringList *list, RscFileHandle handle, int id);
int mdlStringList_writeResource(StringList *list, RscFileHandle handle, int id);

/* List models: rows of a fixed number of cells; a cell holds a text value, a long value, or
 * both, and a display text (the text value unless set apart). */
typedef struct ListModel ListModel;
typedef struct ListRow ListRow;
typedef struct ListCell ListCell;
#define LISTMODEL_MAX_ROWS 1000000

ListModel *mdlListModel_create(int numColumns);
int mdlListModel_destroy(ListModel *model);
int mdlListModel_getColumnCount(const ListModel *model);
int mdlListModel_getRowCount(const ListModel *model);
/* A new empty row inserted before `index` (-1 or the row count: appended), or null. */
ListRow *mdlListModel_insertNewRow(ListModel *model, int index);
ListRow *mdlListModel_getRowAtIndex(ListModel *model, int index);
int mdlListModel_getRowIndex(const ListModel *model, const ListRow *row);
int mdlListModel_removeRows(ListModel *model, int index, int count);
int mdlListModel_empty(ListModel *model);
/* A new model of `numColumns` columns with one row per member of the string list: cell c of
 * row m holds string c of member m (as text and display text) and its info field 0 as its long
 * value. Null for a bad list or column count. */
ListModel *mdlListModel_createFromStringList(StringList *list, int numColumns);
ListCell *mdlListRow_getCellAtIndex(ListRow *row, int column);
int mdlListCell_setStringValue(ListCell *cell, const char *value, int alsoDisplayText);
const char *mdlListCell_getStringValue(const ListCell *cell); /* "" when none */
int mdlListCell_setLongValue(ListCell *cell, long value);
/* 0 and the value when the cell holds a long value, else RSC_ERR_NO_SUCH_RESOURCE. */
int mdlListCell_getLongValue(const ListCell *cell, long *valueP);
int mdlListCell_setDisplayText(ListCell *cell, const char *text);
const char *mdlListCell_getDisplayText(const ListCell *cell); /* "" when none */
/* The editor a list box opens on the cell when its hook asks (mdlDialog_listBoxEditCell): an
 * item type such as 'dTxt' and the editor's identifier. A cell without one (type 0, the
 * default) is not editable. getEditor: 0, or RSC_ERR_NO_SUCH_RESOURCE for a cell without one. */
int mdlListCell_setEditor(ListCell *cell, unsigned int editorType, int editorId);
int mdlListCell_getEditor(const ListCell *cell, unsigned int *editorTypeP, int *editorIdP);

/* Remembered file records of the file dialogs, one per dialog identifier, kept as resources
 * of type 'RfNm' in the given preference file. A record is USERPREFS_FILE_RECORD_SIZE bytes. */
#define USERPREFS_FILE_RECORD_SIZE 11032
int mdlUserPrefs_getFileName(void *record, RscFileHandle prefFile, int dialogId);
int mdlUserPrefs_saveFileName(const void *record, RscFileHandle prefFile, int dialogId);

#ifdef __cplusplus
}
#endif

#endif
