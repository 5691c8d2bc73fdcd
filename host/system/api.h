/* Host calls of the system group: loaded applications and their descriptors, event slots,
 * calls into applications, memory, timers, version numbers, and published records.
 * Every function has C linkage and takes plain C types. */
#ifndef PIXMEND_HOST_SYSTEM_API_H
#define PIXMEND_HOST_SYSTEM_API_H

#include "host/types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MdlDesc MdlDesc;
typedef struct SymbolSet SymbolSet;

/* ---- Published records ----------------------------------------------------------------------
 * A record is published under a struct name (whose field layout the host knows from the
 * application's "struct" resources, see docs/host.md) and a variable name. Dialog items and
 * session scripts then read and write its fields through access strings "struct.field" (or
 * "variable.field", "variable->field"). Records are forgotten when their application unloads. */

/* A symbol set to publish into. The arguments are accepted for their callers' sake; the host
 * keeps one name space. Owned by the host. */
SymbolSet *mdlCExpression_initializeSet(int visibility, int hashEntries, int ignoreCase);

/* Publishes the pointer variable at `pointerAddress`: the record is wherever that pointer points
 * at the time of each access (a null pointer makes the record unavailable). 0, or MDLERR_BADARG
 * for a null or empty argument. */
int mdlDialog_publishComplexPtr(SymbolSet *set, const char *structName, const char *variableName,
                                void *pointerAddress);

/* Publishes the record at `recordAddress` itself. 0, or MDLERR_BADARG. */
int mdlDialog_publishComplexVariable(SymbolSet *set, const char *structName, const char *variableName,
                                     void *recordAddress);

/* The address published under a variable name (for a pointer publication: the address of the
 * pointer variable), or null when nothing is published under that name. */
void *mdlCExpression_symbolAddress(const char *name);

/* A pointer-sized slot owned by the host, named `name`, created holding null on first use. It
 * stays while the process lives, whichever application unloads, so copies of a library linked
 * into several applications find one shared record through it. Null for a null or empty name. */
void **mdlSystem_sharedPointer(const char *name);

#ifdef __cplusplus
}
#endif

#endif
