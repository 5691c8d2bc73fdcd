/* Host calls of the system group: loaded applications and their descriptors, event slots,
 * calls into applications, memory, timers, version numbers, and published records.
 * Every function has C linkage and takes plain C types. */
#ifndef PIXMEND_HOST_SYSTEM_API_H
#define PIXMEND_HOST_SYSTEM_API_H

#include <stddef.h>

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MdlDesc MdlDesc;
typedef struct SymbolSet SymbolSet;

/* ---- Applications and descriptors -----------------------------------------------------------
 * An application is a shared library loaded with mdlSystem_loadMdlProgram (or by the host). The
 * host calls its MdlMain(argc, argv) with argv[0] its file path. Each has a descriptor and a
 * process number; descriptors stay valid (and answer "not loaded") after their unload. */

/* A 4-byte application version record. */
typedef struct VersionNumber {
  unsigned char release, major, minor, subMinor;
} VersionNumber;

/* The descriptor of the application whose code the host is running, or null. */
MdlDesc* mdlSystem_getCurrMdlDesc(void);
/* The live descriptor with that process number, or null. */
MdlDesc* mdlSystem_getMdlDescFromProcessNumber(int processNumber);
/* The process number of a live descriptor, or -1. */
int mdlSystem_getProcessNumberFromMdlDesc(MdlDesc* desc);
/* The descriptor of the loaded application with that task identifier or name (any case), or null. */
MdlDesc* mdlSystem_findMdlDesc(const char* taskId);
/* The current application's task identifier (its name in capitals), host-owned; "" for none. */
const char* mdlSystem_getCurrTaskID(void);

/* Loads an application: `fileName`, or `taskId` when fileName is null, is a library path or a
 * name looked up along MS_MDLAPPS (NAME, libNAME.so, NAME.so). `arguments` (may be null) are
 * split at blanks into argv[1...]. 0 when loaded and MdlMain has run; MDLERR_FILENOTFOUND,
 * MDLERR_CANNOTOPENFILE (not a loadable library or no MdlMain) or MDLERR_BADARG otherwise.
 * Loading an application that is loaded already does nothing and returns 0. */
int mdlSystem_loadMdlProgram(const char* taskId, const char* fileName, const char* arguments);

/* Ends the current application: once control is back in the host it is unloaded (its slot-2
 * handler is called first, unless it is being unloaded already). Called while no application
 * runs, it ends the host's session. */
void mdlSystem_exit(int status, int freeProgram);

/* Stores or reads the 4-byte version record of an application (null: the current one).
 * 0, or MDLERR_BADARG for no application or a null record. */
int mdlSystem_setMdlAppVersionNumber(MdlDesc* desc, const VersionNumber* version);
int mdlSystem_getMdlAppVersionNumber(MdlDesc* desc, VersionNumber* version);

/* The host has no separate text and graphics modes: accepted and does nothing. */
void mdlSystem_enterGraphics(int flags);

/* ---- Event slots ----------------------------------------------------------------------------
 * mdlSystem_setFunction installs the current application's handler for a host event and
 * returns the one it replaces (null to remove). Slot 2 handlers are int f(int unloadType);
 * every other slot's handlers are void f(const char *text, int state) (slot 1, a new design
 * file: its name and state 1; handlers declared with fewer parameters are called the same way). */
#define SYSTEM_NEW_DESIGN_FILE 1
#define SYSTEM_UNLOAD_PROGRAM 2
#define SYSTEM_MAX_SLOT 63

/* The unloadType given to slot-2 handlers. */
#define SYSTEM_UNLOAD_BY_USER 1   /* an unload key-in, script step or mdlSystem_loadMdlProgram peer */
#define SYSTEM_UNLOAD_HOST_EXIT 2 /* the host's session ends */
#define SYSTEM_UNLOAD_APP_EXIT 3  /* the application called mdlSystem_exit */

void* mdlSystem_setFunction(int slot, void* function);

/* ---- Calling into applications --------------------------------------------------------------
 * Calls `function` as the application of `desc` (null: the current one) with the arguments
 * described by `signature`: one letter per argument, I an int, P a pointer, D a double (at most
 * 6 arguments). The function returns int (a void function's result is meaningless). An unknown
 * letter or a longer signature calls nothing, is reported on the text channel and returns
 * MDLERR_BADARG; so does a null function. */
int dlmSystem_callAnyFunction(MdlDesc* desc, void* function, const char* signature, ...);
/* The same call, kept under the name that callers of application callbacks use. */
int dlmSystem_callMdlFunction(MdlDesc* desc, void* function, const char* signature, ...);

/* ---- Memory ---------------------------------------------------------------------------------
 * The host's heap: blocks from malloc, released with dlmSystem_mdlFree (or free). Requests over
 * 2 GiB are refused. A failed request returns null and is journaled on channel "memory". */
void* dlmSystem_mdlMalloc(size_t size);
void* dlmSystem_mdlCalloc(size_t count, size_t size);
void* dlmSystem_mdlRealloc(void* block, size_t size);
void dlmSystem_mdlFree(void* block);
/* Test switch: the next `count` requests fail as if memory were exhausted (0 switches it off). */
void mdlSystem_failNextAllocations(int count);

/* ---- Timers on the host's clock -------------------------------------------------------------
 * The clock counts timer units (60 to the second) and only moves when the session says so
 * (`tick N`), so timed behaviour is reproducible. A timer calls function(argument, handle) as
 * its application once `ticks` units have passed, and again every `ticks` units when `repeat` is
 * non-zero (at least 1 unit apart). The handle goes to *handleOut (may be null). 0, or
 * MDLERR_BADARG for a null function. */
typedef void (*MdlTimerFunc)(void* argument, int handle);
int mdlSystem_setTimerFunction(int* handleOut, int ticks, MdlTimerFunc function, void* argument, int repeat);
/* Cancels a timer: 0, or MDLERR_BADARG when no such timer runs. */
int mdlSystem_cancelTimer(int handle);
/* The host clock in timer units. */
long mdlSystem_getTicks(void);

/* ---- Published records ----------------------------------------------------------------------
 * A record is published under a struct name (whose field layout the host knows from the
 * application's "struct" resources, see docs/host.md) and a variable name. Dialog items and
 * session scripts then read and write its fields through access strings "struct.field" (or
 * "variable.field", "variable->field"). Records are forgotten when their application unloads. */

/* A symbol set to publish into. The arguments are accepted for their callers' sake; the host
 * keeps one name space. Owned by the host. */
SymbolSet* mdlCExpression_initializeSet(int visibility, int hashEntries, int ignoreCase);

/* Publishes the pointer variable at `pointerAddress`: the record is wherever that pointer points
 * at the time of each access (a null pointer makes the record unavailable). 0, or MDLERR_BADARG
 * for a null or empty argument. */
int mdlDialog_publishComplexPtr(SymbolSet* set, const char* structName, const char* variableName,
                                void* pointerAddress);

/* Publishes the record at `recordAddress` itself. 0, or MDLERR_BADARG. */
int mdlDialog_publishComplexVariable(SymbolSet* set, const char* structName, const char* variableName,
                                     void* recordAddress);

/* The address published under a variable name (for a pointer publication: the address of the
 * pointer variable), or null when nothing is published under that name. */
void* mdlCExpression_symbolAddress(const char* name);

/* A pointer-sized slot owned by the host, named `name`, created holding null on first use. It
 * stays while the process lives, whichever application unloads, so copies of a library linked
 * into several applications find one shared record through it. Null for a null or empty name. */
void** mdlSystem_sharedPointer(const char* name);

#ifdef __cplusplus
}
#endif

#endif
