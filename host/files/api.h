/* Host calls of the files group: finding files along configuration variables, splitting names,
 * copying atomically, abbreviating long names, file lists and text files.
 *
 * POSIX names: the device part of a name is always empty (no "X:" is formatted or parsed);
 * directories end in '/'. Every file the host writes is written to a temporary file beside it
 * and renamed over it when complete, so a failed write leaves the old file as it was. */
#ifndef PIXMEND_HOST_FILES_API_H
#define PIXMEND_HOST_FILES_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Sizes of the parts of a file name, terminating zero included (MAXFILELENGTH, the whole name,
 * is in host/types.h). */
#define MAXDEVICELENGTH 32
#define MAXDIRLENGTH 256
#define MAXNAMELENGTH 256
#define MAXEXTENSIONLENGTH 256

/* Finds a file: `name` (configuration variables in it are expanded; `defaultExt`, without its
 * dot, is added when the name has no extension) as given when it holds a '/', else in each
 * directory of the configuration variable `cfgVar` (';' or ':' separated; may be null) and then
 * in the current directory. The path found goes to `found` (MAXFILELENGTH bytes; may be null).
 * A path of MAXFILELENGTH characters or more cannot be handed back and is not found.
 * 0 when found, MDLERR_FILENOTFOUND when not (found = ""), MDLERR_BADARG for a null name. Only
 * files count, not directories. */
int mdlFile_find(char* found, const char* name, const char* cfgVar, const char* defaultExt);

/* Splits a name into device (always ""), directory (with its final '/'), name and extension
 * (without the dot; a leading dot belongs to the name). Each out buffer may be null and holds
 * MAXDEVICELENGTH, MAXDIRLENGTH, MAXNAMELENGTH or MAXEXTENSIONLENGTH bytes; longer parts are
 * cut. 0, or MDLERR_BADARG for a null name. */
int mdlFile_parseName(const char* fileName, char* device, char* directory, char* name, char* extension);

/* Copies `source` to `destination` atomically (a temporary file beside the destination, renamed
 * over it when complete). Journaled "file: copied SOURCE to DESTINATION". 0; MDLERR_FILENOTFOUND
 * when the source cannot be read; MDLERR_CANNOTOPENFILE when the destination cannot be written
 * (the old destination is intact); MDLERR_BADARG for null names. Copying a file onto itself
 * does nothing and succeeds. */
int mdlFile_copy(const char* destination, const char* source);

/* Shortens a name to at most `maxChars` characters into `out` (maxChars + 1 bytes) by putting
 * "..." in place of the directories in its middle, keeping its start and its file name; a file
 * name alone too long keeps its end. 0, or MDLERR_BADARG. */
int mdlFile_abbreviateName(char* out, int maxChars, const char* name);

/* Fills a string list (one string per member, appended) with the paths of the directory entries
 * that match. With `filter` (e.g. "*.txt"), the entries of the directory `path` whose names
 * match it; without, `path` itself when it exists, or the entries of its directory matching its
 * last part when that holds wildcards (* ? [...]). Attributes: 16 directories only, 128 files
 * and directories, any other value files only. `recurse` non-zero also searches subdirectories;
 * `sorted` non-zero sorts by path. 0 (an empty result included), MDLERR_BADARG for a bad list or
 * path, MDLERR_FILENOTFOUND when the directory cannot be read. */
struct StringList;
#define FILELIST_DIRECTORIES 16
#define FILELIST_ALL 128
int mdlFileList_get(struct StringList* list, int attributes, const char* path, const char* filter,
                    int recurse, int sorted);

/* ---- Text files -------------------------------------------------------------------------------
 * Modes: 0 read, 1 write (a new file), 2 append. Written files appear under their name when
 * closed (or when their application unloads); until then the old file is untouched. */
#define TEXTFILE_READ 0
#define TEXTFILE_WRITE 1
#define TEXTFILE_APPEND 2
#define TEXTFILE_KEEP_NEWLINE 1

typedef struct MdlTextFile MdlTextFile;

/* An open text file, or null (no such file, cannot be written, bad mode). */
MdlTextFile* mdlTextFile_open(const char* fileName, int mode);
/* Reads the next line into `buffer` (`size` bytes, always terminated), with its line end when
 * `options` is TEXTFILE_KEEP_NEWLINE (a "\r\n" end reads as "\n"). A line longer than the buffer
 * comes in pieces. Returns buffer, or null at the end of the file or for a bad handle. */
char* mdlTextFile_getString(char* buffer, int size, MdlTextFile* file, int options);
/* Writes a string; a line end is added unless `options` is TEXTFILE_KEEP_NEWLINE. 0 or an error. */
int mdlTextFile_putString(const char* text, MdlTextFile* file, int options);
/* Back to the start of a file opened for reading. 0 or MDLERR_BADARG. */
int mdlTextFile_rewind(MdlTextFile* file);
/* Closes the file; a written file replaces its target now (journaled "file: wrote NAME").
 * 0; MDLERR_BADARG for a handle that is not open; MDLERR_CANNOTOPENFILE when the write failed
 * (the old file is intact). */
int mdlTextFile_close(MdlTextFile* file);

#ifdef __cplusplus
}
#endif

#endif
